#include "trx/frame/FrameUnpacker.h"

namespace trx::frame {
namespace {

// Decodes the body; with an empty `slot` it only counts. Writing starts at
// slot[1], the count byte is set by the caller.
UnpackResult decodeBody(std::span<const std::uint8_t> body, std::span<std::uint8_t> slot) {
    const bool writing = !slot.empty();
    std::size_t produced = 0;
    auto emit = [&](std::size_t copies, std::uint8_t value) {
        if (produced + copies > kMaxMessageCount) {
            return false;
        }
        if (writing) {
            for (std::size_t copy = 0; copy < copies; ++copy) {
                slot[1 + produced + copy] = value;
            }
        }
        produced += copies;
        return true;
    };
    for (std::size_t index = 0; index < body.size(); ++index) {
        const std::uint8_t code = body[index];
        bool fits = true;
        if (code >= kReservedFirst && code <= kReservedLast && code != kFrameStart && code != kFrameEnd) {
            if (index + 1 >= body.size()) {
                return {UnpackStatus::Truncated, 0};
            }
            const std::uint8_t operand = body[++index];
            if (code == kReservedEscape) {
                fits =
                    emit((operand >> 4) + 1u, static_cast<std::uint8_t>(kReservedFirst + (operand & 0x0F)));
            } else {
                fits = emit(code - kReservedFirst, operand);
            }
        } else {
            fits = emit(1, code);
        }
        if (!fits) {
            return {UnpackStatus::TooLong, 0};
        }
    }
    return {UnpackStatus::Ok, produced + 1};
}

UnpackResult checkedDecode(std::span<const std::uint8_t> betweenMarkers, std::span<std::uint8_t> slot) {
    const std::size_t announced = announcedBodyLength(betweenMarkers) + kLengthFieldSize;
    if (betweenMarkers.size() < kLengthFieldSize || betweenMarkers.size() != announced) {
        return {UnpackStatus::LengthMismatch, announced};
    }
    return decodeBody(betweenMarkers.subspan(kLengthFieldSize), slot);
}

}  // namespace

std::size_t announcedBodyLength(std::span<const std::uint8_t> betweenMarkers) {
    if (betweenMarkers.size() < kLengthFieldSize) {
        return 0;
    }
    return (std::size_t{betweenMarkers[0]} << 8) | betweenMarkers[1];
}

UnpackResult checkFrame(std::span<const std::uint8_t> betweenMarkers) {
    return checkedDecode(betweenMarkers, {});
}

UnpackResult unpackFrame(std::span<const std::uint8_t> betweenMarkers, std::span<std::uint8_t> slot) {
    if (slot.size() < kMaxMessageLength) {
        return {UnpackStatus::TooLong, 0};
    }
    UnpackResult result = checkedDecode(betweenMarkers, slot);
    if (result.status == UnpackStatus::Ok) {
        slot[0] = static_cast<std::uint8_t>(result.length - 1);
    }
    return result;
}

bool isActiveSenseBody(std::span<const std::uint8_t> betweenMarkers) {
    return betweenMarkers.size() == 3 && betweenMarkers[1] == 0x01 &&
           (betweenMarkers[2] == 0x00 || betweenMarkers[2] == 0x01);
}

}  // namespace trx::frame
