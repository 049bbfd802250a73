#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace engine::boot {

// Frames of the unit's boot loader on the direct line: count, command,
// target, arguments, check byte (one's complement of the sum of the bytes
// from the command on). Multi-byte values are big-endian.
inline constexpr std::uint8_t kCommandWake = 0x00;
inline constexpr std::uint8_t kCommandBootMode = 0x30;
inline constexpr std::uint8_t kCommandData = 0x31;
inline constexpr std::uint8_t kCommandErase = 0x32;
// A unit answers a command with the command code plus this bit.
inline constexpr std::uint8_t kAnswerBit = 0x80;
// Answer frames start with this count byte.
inline constexpr std::uint8_t kShortAnswerCount = 0x04;
inline constexpr std::uint8_t kChunkDoneAnswerCount = 0x07;

// Address bit of data frames that carry a piece of a compressed chunk (the
// address is then the offset inside the compressed chunk) and of Chunk done.
inline constexpr std::uint32_t kCompressedAddressBit = 0x10000000;
// The unit confirms a decompressed chunk with its address and this bit.
inline constexpr std::uint32_t kChunkConfirmedBit = 0x80000000;

inline constexpr std::size_t kMaxPiece = 128;
inline constexpr std::size_t kFrameCapacity = kMaxPiece + 8;
using Frame = std::array<std::uint8_t, kFrameCapacity>;

std::uint8_t checkByte(std::span<const std::uint8_t> commandToLastArgument);

std::size_t buildWake(Frame& out);
std::size_t buildBootMode(Frame& out, std::uint8_t target, bool enter);
std::size_t buildEraseBlock(Frame& out, std::uint8_t target, std::uint8_t block);
std::size_t buildData(Frame& out, std::uint8_t target, std::uint32_t address,
                      std::span<const std::uint8_t> piece);
std::size_t buildChunkDone(Frame& out, std::uint8_t target, std::uint32_t chunkAddress);

// The answer a unit gives to Chunk done for the chunk at chunkAddress, after
// its count byte: command, target, confirmed address.
std::array<std::uint8_t, 6> chunkDoneAnswer(std::uint8_t target, std::uint32_t chunkAddress);

}  // namespace engine::boot
