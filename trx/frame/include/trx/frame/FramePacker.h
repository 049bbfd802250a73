#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "trx/frame/FrameFormat.h"

namespace trx::frame {

// Packs the message (count byte first) into a complete frame and returns the
// frame length. The count byte itself is not sent; bytes 1..N form the body.
// Returns 0 when the message is empty, its count byte does not fit the given
// bytes, or the frame buffer is smaller than kMaxFrameLength.
std::size_t packFrame(std::span<const std::uint8_t> message, std::span<std::uint8_t> frame);

}  // namespace trx::frame
