#include "engine/HostMessages.h"

#include <cstring>

namespace engine::host {

namespace {

constexpr std::size_t kHeaderLength = 4;  // count, kind|command, sender, receiver

std::size_t putBigEndian(std::uint8_t* out, std::uint32_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
    }
    return bytes;
}

// A message of one command word: 2-byte register address and a 2-byte value.
std::size_t buildRegisterWord(Buffer& out, std::uint8_t kindCommand, std::uint8_t own, std::uint8_t target,
                              std::uint16_t reg, std::uint16_t value) {
    out[0] = 7;
    out[1] = kindCommand;
    out[2] = own;
    out[3] = target;
    putBigEndian(&out[4], reg, 2);
    putBigEndian(&out[6], value, 2);
    return 8;
}

std::size_t buildDataMessage(Buffer& out, std::uint8_t command, std::uint8_t own, std::uint8_t target,
                             std::uint32_t addressField, const std::uint8_t* block) {
    out[0] = static_cast<std::uint8_t>(kHeaderLength - 1 + 4 + kDataBlockSize);
    out[1] = command;
    out[2] = own;
    out[3] = target;
    putBigEndian(&out[4], addressField, 4);
    std::memcpy(&out[8], block, kDataBlockSize);
    return kHeaderLength + 4 + kDataBlockSize;
}

}  // namespace

std::optional<HostMessage> parseMessage(std::span<const std::uint8_t> received) {
    if (received.size() < kHeaderLength) {
        return std::nullopt;
    }
    const std::size_t declared = static_cast<std::size_t>(received[0]) + 1;
    if (declared > received.size()) {
        return std::nullopt;
    }
    HostMessage message;
    message.command = received[1] & kCommandMask;
    message.kind = received[1] & kKindMask;
    message.sender = received[2];
    message.receiver = received[3];
    const std::size_t addressLength = hasLongAddress(message.command) ? 4 : 2;
    const std::size_t payloadStart = kHeaderLength + addressLength;
    if (declared <= payloadStart) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < addressLength; ++i) {
        message.address = (message.address << 8) | received[kHeaderLength + i];
    }
    message.payload = received.subspan(payloadStart, declared - payloadStart);
    return message;
}

std::size_t buildReadRequest(Buffer& out, std::uint8_t own, std::uint8_t target, std::uint8_t command,
                             std::uint32_t address, std::uint16_t count) {
    const std::size_t addressLength = command > kLongestShortAddressCommand ? 4 : 2;
    out[1] = static_cast<std::uint8_t>(kKindReadRequest | (command & kCommandMask));
    out[2] = own;
    out[3] = target;
    std::size_t at = kHeaderLength + putBigEndian(&out[kHeaderLength], address, addressLength);
    at += putBigEndian(&out[at], count, 2);
    out[0] = static_cast<std::uint8_t>(at - 1);
    return at;
}

std::size_t buildCommand(Buffer& out, std::uint8_t own, std::uint8_t target, std::uint8_t command,
                         std::uint32_t address, std::span<const std::uint8_t> payload) {
    const std::size_t addressLength = command == kCommandData32 ? 4 : 2;
    const std::size_t room = kMaxMessageLength - kHeaderLength - addressLength;
    const std::size_t length = payload.size() < room ? payload.size() : room;
    out[1] = command;
    out[2] = own;
    out[3] = target;
    std::size_t at = kHeaderLength + putBigEndian(&out[kHeaderLength], address, addressLength);
    std::memcpy(&out[at], payload.data(), length);
    at += length;
    out[0] = static_cast<std::uint8_t>(at - 1);
    return at;
}

std::size_t buildEraseRequest(Buffer& out, std::uint8_t own, std::uint8_t target) {
    out[0] = 6;
    out[1] = kCommandStatus;
    out[2] = own;
    out[3] = target;
    putBigEndian(&out[4], kEraseRegister, 2);
    out[6] = 0;
    return 7;
}

std::size_t buildChecksumRequest(Buffer& out, std::uint8_t own, std::uint8_t target, std::uint16_t checksum) {
    return buildRegisterWord(out, kCommandStatus, own, target, kChecksumRegister, checksum);
}

std::size_t buildDataBlock(Buffer& out, std::uint8_t own, std::uint8_t target, std::uint32_t unitAddress,
                           const std::uint8_t* block) {
    return buildDataMessage(out, kCommandData32, own, target, unitAddress, block);
}

std::size_t buildType3Select(Buffer& out, std::uint8_t own, std::uint16_t mask) {
    return buildRegisterWord(out, kCommandSegmented, own, kSegmentedTarget, kSelectRegister, mask);
}

std::size_t buildType3Checksum(Buffer& out, std::uint8_t own, std::uint16_t checksum) {
    return buildRegisterWord(out, kCommandSegmented, own, kSegmentedTarget, kChecksumRegister, checksum);
}

std::size_t buildType4EndOfWrite(Buffer& out, std::uint8_t own) {
    return buildRegisterWord(out, kCommandSegmented, own, kSegmentedTarget, kChecksumRegister, 0);
}

std::size_t buildBootBroadcast(Buffer& out, std::uint8_t command, std::uint8_t value) {
    out[0] = 6;
    out[1] = command;
    out[2] = kHostPcAddress;
    out[3] = kBroadcastTarget;
    out[4] = value;
    out[5] = 0;
    out[6] = 0;
    return 7;
}

std::size_t buildType3Echo(Buffer& out, std::uint16_t echo) {
    return buildRegisterWord(out, kCommandSegmented, kHostPcAddress, kSegmentedTarget, kSelectRegister, echo);
}

std::size_t buildType3WriteStart(Buffer& out, std::uint16_t mask) {
    return buildRegisterWord(out, kCommandSegmented, kHostPcAddress, kSegmentedTarget,
                             kType3WriteStartRegister, mask);
}

std::size_t buildType4Select(Buffer& out, std::uint16_t mask) {
    return buildRegisterWord(out, kCommandSegmented, kHostPcAddress, kSegmentedTarget, kType4SelectRegister,
                             mask);
}

std::size_t buildType4WriteStart(Buffer& out, std::uint16_t mask) {
    return buildRegisterWord(out, kCommandSegmented, kHostPcAddress, kSegmentedTarget,
                             kType4WriteStartRegister, mask);
}

std::size_t buildSegmentedDataBlock(Buffer& out, std::uint32_t unitAddress, const std::uint8_t* block) {
    const std::uint32_t field =
        (static_cast<std::uint32_t>(kSegmentedDataMarker) << 24) | (unitAddress & 0xFFFFFF);
    return buildDataMessage(out, kCommandSegmented, kHostPcAddress, kSegmentedTarget, field, block);
}

}  // namespace engine::host
