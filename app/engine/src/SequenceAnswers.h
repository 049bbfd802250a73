#pragma once

#include <cstdint>
#include <string>

#include "StatusText.h"
#include "engine/HostMessages.h"

// What the flash sequences and the reads wait for on the line, and what each
// answer tells them. The conversations decide with these, and the reading of
// a communication log decides with the same ones, so that an answer means in
// the log what it meant to the program.
namespace engine::answers {

// ---- which message answers a step ----

// A read request in flight: the answer is a read reply of the target's with
// the address and length asked for. A block read also takes the reply to a
// 4-byte-address read; a version read does not.
struct ReadRequest {
    std::uint8_t target = 0;
    std::uint32_t address = 0;
    std::uint16_t count = 0;
    bool blockRead = false;
};

constexpr bool answersRead(const host::HostMessage& message, const ReadRequest& request) {
    return host::isReadReply(message, request.blockRead) && message.sender == request.target &&
           message.address == request.address && message.payload.size() == request.count &&
           request.count <= host::kBufferSize;
}

// The piece of a unit's preserved area that was asked for at address: 128
// bytes, as the reply to a 4-byte-address read.
constexpr bool isReadBackPiece(const host::HostMessage& message, std::uint8_t target, std::uint32_t address) {
    return host::isLongReadReply(message) && message.sender == target && message.address == address &&
           message.payload.size() == host::kDataBlockSize;
}

// Type-3 and type-4 units acknowledge a data block with a status reply.
constexpr bool isBlockAcknowledgement(const host::HostMessage& message) {
    return host::isStatusReply(message, host::kSegmentedTarget);
}

// A type-3 unit answers its select at the select register.
constexpr bool isType3SelectReply(const host::HostMessage& message) {
    return host::isSegmentedReply(message) && message.address == host::kSelectRegister;
}

// Every status reply and every message of command 0x33 of a type-4 unit
// counts as an answer, whatever the step waits for.
constexpr bool isType4Message(const host::HostMessage& message) {
    return host::isSegmentedReply(message) ||
           (message.command == host::kCommandStatus && message.sender == host::kSegmentedTarget);
}

// Of those, the answer to the end of write: command 0x33 at register 0x0021.
constexpr bool isType4EndReply(const host::HostMessage& message) {
    return message.command == host::kCommandSegmented && message.address == host::kType4WriteStartRegister;
}

// ---- what an answer says ----

// A status reply (to an erase, a data block or a checksum) refuses with a
// first payload byte other than 0.
constexpr bool refuses(const host::HostMessage& statusReply) {
    return !statusReply.payload.empty() && statusReply.payload[0] != 0;
}

// The word answer of a type-3/4 unit (to a type-3 checksum, to the type-4
// end of write) refuses when it is not 0.
constexpr bool wordRefuses(const host::HostMessage& answer) {
    return host::payloadWord(answer.payload, 0) != 0;
}

// The answer to a type-3/4 select. A first word not 0 comes first: a type-3
// unit wants it echoed, a type-4 unit names the row it wants. Then a second
// word not 0 says the unit has no such CPU.
enum class SelectAnswer { EchoFirst, NotIntended, Selected };

constexpr SelectAnswer selectAnswer(const host::HostMessage& answer) {
    if (host::payloadWord(answer.payload, 0) != 0) {
        return SelectAnswer::EchoFirst;
    }
    return host::payloadWord(answer.payload, 2) != 0 ? SelectAnswer::NotIntended : SelectAnswer::Selected;
}

// The word the unit asks for first.
constexpr std::uint16_t selectEcho(const host::HostMessage& answer) {
    return host::payloadWord(answer.payload, 0);
}

// ---- the status lines the answers show ----

inline constexpr const char* kEraseFailedText = "Erase Failed";
inline constexpr const char* kEraseCompletedText = "Erase Completed";
inline constexpr const char* kNotIntendedText = "Not the intended object!!";

constexpr const char* checksumAnswerText(bool refused) {
    return refused ? "Checksum Failed" : "Write Completed";
}

// A refused data block, named by the range from first.
inline std::string refusedBlockText(std::uint32_t first) {
    return formatText("Write Failed (%08XH - %08XH)", first, first + host::kDataBlockSize - 1);
}

}  // namespace engine::answers
