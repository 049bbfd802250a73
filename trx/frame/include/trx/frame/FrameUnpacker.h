#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "trx/frame/FrameFormat.h"

namespace trx::frame {

enum class UnpackStatus {
    Ok,
    LengthMismatch,  // the length field does not match the bytes between the markers
    TooLong,         // the unpacked message would not fit one slot
    Truncated,       // the body ends inside a two-byte code
};

struct UnpackResult {
    UnpackStatus status = UnpackStatus::Ok;
    // Ok: bytes written (count byte included). LengthMismatch: the length the
    // field announces plus its own two bytes, for the size-error notice.
    std::size_t length = 0;
};

// The bytes between the markers of a received frame: length field and body.
// Checks that the field matches, then unpacks into `slot` (count byte first).
UnpackResult unpackFrame(std::span<const std::uint8_t> betweenMarkers, std::span<std::uint8_t> slot);

// Checks a frame without writing anything: the same result as unpackFrame.
UnpackResult checkFrame(std::span<const std::uint8_t> betweenMarkers);

// Body length announced by the field (the first two bytes, high byte first).
std::size_t announcedBodyLength(std::span<const std::uint8_t> betweenMarkers);

// The keep-alive test: exactly three bytes between the markers, body length 1
// and the body byte 0x00 or 0x01.
bool isActiveSenseBody(std::span<const std::uint8_t> betweenMarkers);

}  // namespace trx::frame
