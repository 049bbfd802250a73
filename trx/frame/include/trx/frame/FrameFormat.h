#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace trx::frame {

// One message: a count byte N followed by N bytes, at most one queue slot.
inline constexpr std::size_t kMaxMessageLength = 256;
inline constexpr std::size_t kMaxMessageCount = kMaxMessageLength - 1;

// Frame on the wire: start marker, 16-bit big-endian body length, the run-length
// packed body (message bytes 1..N) and the end marker.
inline constexpr std::uint8_t kFrameStart = 0xD0;
inline constexpr std::uint8_t kFrameEnd = 0xD1;
inline constexpr std::size_t kLengthFieldSize = 2;
inline constexpr std::size_t kFrameOverhead = 1 + kLengthFieldSize + 1;

// Bytes 0xD0..0xDF never travel plain inside a body.
inline constexpr std::uint8_t kReservedFirst = 0xD0;
inline constexpr std::uint8_t kReservedLast = 0xDF;
// 0xD4..0xDE followed by V: (code - 0xD0) copies of the plain byte V.
inline constexpr std::uint8_t kRunCodeFirst = 0xD4;
inline constexpr std::uint8_t kRunCodeLast = 0xDE;
inline constexpr int kShortestCodedRun = 4;
inline constexpr int kLongestCodedRun = 14;
// 0xDF followed by X: ((X >> 4) + 1) copies of the reserved byte 0xD0 + (X & 0x0F).
inline constexpr std::uint8_t kReservedEscape = 0xDF;
inline constexpr int kLongestEscapedRun = 13;

// Worst case: every body byte a lone reserved byte, two bytes each.
inline constexpr std::size_t kMaxFrameLength = kFrameOverhead + 2 * kMaxMessageCount;

// The keep-alive frame, the packed form of the message 01 00.
inline constexpr std::array<std::uint8_t, 5> kActiveSenseFrame{kFrameStart, 0x00, 0x01, 0x00, kFrameEnd};

constexpr bool isReservedByte(std::uint8_t value) {
    return value >= kReservedFirst && value <= kReservedLast;
}

}  // namespace trx::frame
