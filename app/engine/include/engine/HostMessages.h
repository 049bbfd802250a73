#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace engine::host {

// Envelope of a unit message: count, kind|command, sender, receiver, address, payload.
inline constexpr std::size_t kMaxMessageLength = 256;
inline constexpr std::size_t kBufferSize = 512;
inline constexpr std::size_t kDataBlockSize = 128;

inline constexpr std::uint8_t kKindMask = 0xC0;
inline constexpr std::uint8_t kCommandMask = 0x3F;
inline constexpr std::uint8_t kKindReadRequest = 0xC0;
inline constexpr std::uint8_t kKindReadReply = 0x80;

// Commands.
inline constexpr std::uint8_t kCommandStatus = 0x30;     // erase and checksum requests, status replies
inline constexpr std::uint8_t kCommandRead32 = 0x31;     // read with a 4-byte address
inline constexpr std::uint8_t kCommandData32 = 0x32;     // data block with a 4-byte address
inline constexpr std::uint8_t kCommandSegmented = 0x33;  // type-3/4 messages; boot-mode enter broadcast
inline constexpr std::uint8_t kCommandBootLeave = 0x34;  // boot-mode leave broadcast
inline constexpr std::uint8_t kLongestShortAddressCommand = 0x30;
// The read commands a unit's settings may name (REQUEST); their replies carry a 2-byte address.
inline constexpr std::uint8_t kCommandRead0C = 0x0C;
inline constexpr std::uint8_t kCommandRead0D = 0x0D;
inline constexpr std::uint8_t kCommandRead1C = 0x1C;
inline constexpr std::uint8_t kCommandRead1D = 0x1D;

// Bus addresses.
inline constexpr std::uint8_t kHostPcAddress = 0x1F;
inline constexpr std::uint8_t kCardDirectPcAddress = 0xFF;
inline constexpr std::uint8_t kSegmentedTarget = 0x13;  // units of type 3 and 4
inline constexpr std::uint8_t kCardDirectType3Target = 0x90;
inline constexpr std::uint8_t kBroadcastTarget = 0xFE;
inline constexpr std::uint8_t kReadBackTarget = 0x02;  // the unit whose 1 KB parameter area is preserved

// Register addresses inside the unit.
inline constexpr std::uint16_t kEraseRegister = 0x0167;
inline constexpr std::uint16_t kChecksumRegister = 0x0164;
inline constexpr std::uint16_t kStatusReplyRegister = 0x0166;
inline constexpr std::uint16_t kSelectRegister = 0x0012;
inline constexpr std::uint16_t kType3WriteStartRegister = 0x0022;
inline constexpr std::uint16_t kType4SelectRegister = 0x0011;
inline constexpr std::uint16_t kType4WriteStartRegister = 0x0021;
inline constexpr std::uint8_t kSegmentedDataMarker = 0x80;

// Preserved area of the read-back unit.
inline constexpr std::uint32_t kReadBackAddress = 0x270000;
inline constexpr std::uint32_t kReadBackLength = 0x400;
// The write-back sends this many blocks: the area plus the block that follows it.
inline constexpr std::uint32_t kWriteBackLength = kReadBackLength + kDataBlockSize;

using Buffer = std::array<std::uint8_t, kBufferSize>;

// One received message, cut into its fields. payload points into the receive buffer.
struct HostMessage {
    std::uint8_t command = 0;
    std::uint8_t kind = 0;
    std::uint8_t sender = 0;
    std::uint8_t receiver = 0;
    std::uint32_t address = 0;
    std::span<const std::uint8_t> payload;
};

// Cuts a received message into its fields. Empty when it carries no payload
// or its count byte claims more than was received.
std::optional<HostMessage> parseMessage(std::span<const std::uint8_t> received);

// True for the commands whose address field has 4 bytes.
constexpr bool hasLongAddress(std::uint8_t command) {
    return command == kCommandRead32 || command == kCommandData32;
}

// True for the read commands with a 2-byte address that units answer.
constexpr bool isShortReadCommand(std::uint8_t command) {
    return command == kCommandRead0C || command == kCommandRead0D || command == kCommandRead1C ||
           command == kCommandRead1D;
}

// What a received message is, as the sequences tell the replies apart.

// A read reply (kind 0x80) to one of the 2-byte-address read commands; the
// reply to a 4-byte-address read (0x31) counts only for a block read.
constexpr bool isReadReply(const HostMessage& message, bool blockRead) {
    return message.kind == kKindReadReply &&
           (isShortReadCommand(message.command) || (blockRead && message.command == kCommandRead32));
}

// The reply to a 4-byte-address read (0x31): a piece of the preserved area.
constexpr bool isLongReadReply(const HostMessage& message) {
    return message.kind == kKindReadReply && message.command == kCommandRead32;
}

// A status reply of unit (command 0x30 whatever its kind bits, register
// 0x0166): it answers an erase, a data block or a checksum, payload byte 0
// being 0 for success.
constexpr bool isStatusReply(const HostMessage& message, std::uint8_t unit) {
    return message.command == kCommandStatus && message.sender == unit &&
           message.address == kStatusReplyRegister;
}

// A message of command 0x33 from the type-3/4 target 0x13: the answer to a
// select, to a type-3 checksum or to the type-4 end of write.
constexpr bool isSegmentedReply(const HostMessage& message) {
    return message.command == kCommandSegmented && message.sender == kSegmentedTarget;
}

// A type-3/4 data block as buildSegmentedDataBlock writes it: command 0x33
// to 0x13, its 2-byte address field the marker 0x80 and the high byte of the
// 24-bit unit address, whose middle and low bytes open the payload.
constexpr bool isSegmentedDataBlock(const HostMessage& message) {
    return message.command == kCommandSegmented && message.receiver == kSegmentedTarget &&
           (message.address >> 8) == kSegmentedDataMarker;
}

// The 24-bit unit address of a type-3/4 data block.
constexpr std::uint32_t segmentedBlockAddress(const HostMessage& message) {
    const std::uint32_t high = message.address & 0xFF;
    const std::uint32_t middle = message.payload.size() > 0 ? message.payload[0] : 0;
    const std::uint32_t low = message.payload.size() > 1 ? message.payload[1] : 0;
    return (high << 16) | (middle << 8) | low;
}

// The big-endian word of a payload at offset at; missing bytes read as 0.
constexpr std::uint16_t payloadWord(std::span<const std::uint8_t> payload, std::size_t at) {
    if (payload.size() < at + 2) {
        return payload.size() > at ? static_cast<std::uint16_t>(payload[at] << 8) : 0;
    }
    return static_cast<std::uint16_t>((payload[at] << 8) | payload[at + 1]);
}

// Builders: each writes one message to the front of out and returns its length.
std::size_t buildReadRequest(Buffer& out, std::uint8_t own, std::uint8_t target, std::uint8_t command,
                             std::uint32_t address, std::uint16_t count);
std::size_t buildCommand(Buffer& out, std::uint8_t own, std::uint8_t target, std::uint8_t command,
                         std::uint32_t address, std::span<const std::uint8_t> payload);
std::size_t buildEraseRequest(Buffer& out, std::uint8_t own, std::uint8_t target);
std::size_t buildChecksumRequest(Buffer& out, std::uint8_t own, std::uint8_t target, std::uint16_t checksum);
std::size_t buildDataBlock(Buffer& out, std::uint8_t own, std::uint8_t target, std::uint32_t unitAddress,
                           const std::uint8_t* block);
std::size_t buildType3Select(Buffer& out, std::uint8_t own, std::uint16_t mask);
std::size_t buildType3Checksum(Buffer& out, std::uint8_t own, std::uint16_t checksum);
std::size_t buildType4EndOfWrite(Buffer& out, std::uint8_t own);
std::size_t buildBootBroadcast(Buffer& out, std::uint8_t command, std::uint8_t value);
std::size_t buildType3Echo(Buffer& out, std::uint16_t echo);
std::size_t buildType3WriteStart(Buffer& out, std::uint16_t mask);
std::size_t buildType4Select(Buffer& out, std::uint16_t mask);
std::size_t buildType4WriteStart(Buffer& out, std::uint16_t mask);
std::size_t buildSegmentedDataBlock(Buffer& out, std::uint32_t unitAddress, const std::uint8_t* block);

}  // namespace engine::host
