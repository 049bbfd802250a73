#include "BootLoaderFrames.h"

#include <cstring>

namespace engine::boot {

namespace {

void putAddress(std::uint8_t* out, std::uint32_t address) {
    out[0] = static_cast<std::uint8_t>(address >> 24);
    out[1] = static_cast<std::uint8_t>(address >> 16);
    out[2] = static_cast<std::uint8_t>(address >> 8);
    out[3] = static_cast<std::uint8_t>(address);
}

// Writes the count byte and the check byte around bytes 1 .. bodyEnd - 1.
std::size_t seal(Frame& out, std::size_t bodyEnd) {
    out[0] = static_cast<std::uint8_t>(bodyEnd);  // bytes after the count: body plus check byte
    out[bodyEnd] = checkByte(std::span<const std::uint8_t>(out.data() + 1, bodyEnd - 1));
    return bodyEnd + 1;
}

}  // namespace

std::uint8_t checkByte(std::span<const std::uint8_t> commandToLastArgument) {
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : commandToLastArgument) {
        sum = static_cast<std::uint8_t>(sum + byte);
    }
    return static_cast<std::uint8_t>(~sum);
}

std::size_t buildWake(Frame& out) {
    out[1] = kCommandWake;
    out[2] = 0;
    return seal(out, 3);
}

std::size_t buildBootMode(Frame& out, std::uint8_t target, bool enter) {
    out[1] = kCommandBootMode;
    out[2] = target;
    out[3] = enter ? 1 : 0;
    return seal(out, 4);
}

std::size_t buildEraseBlock(Frame& out, std::uint8_t target, std::uint8_t block) {
    out[1] = kCommandErase;
    out[2] = target;
    out[3] = block;
    return seal(out, 4);
}

std::size_t buildData(Frame& out, std::uint8_t target, std::uint32_t address,
                      std::span<const std::uint8_t> piece) {
    const std::size_t length = piece.size() < kMaxPiece ? piece.size() : kMaxPiece;
    out[1] = kCommandData;
    out[2] = target;
    putAddress(&out[3], address);
    std::memcpy(&out[7], piece.data(), length);
    return seal(out, 7 + length);
}

std::size_t buildChunkDone(Frame& out, std::uint8_t target, std::uint32_t chunkAddress) {
    out[1] = kCommandData;
    out[2] = target;
    putAddress(&out[3], chunkAddress | kCompressedAddressBit);
    return seal(out, 7);
}

std::array<std::uint8_t, 6> chunkDoneAnswer(std::uint8_t target, std::uint32_t chunkAddress) {
    std::array<std::uint8_t, 6> answer{};
    answer[0] = kCommandData | kAnswerBit;
    answer[1] = target;
    putAddress(&answer[2], chunkAddress | kChunkConfirmedBit);
    return answer;
}

}  // namespace engine::boot
