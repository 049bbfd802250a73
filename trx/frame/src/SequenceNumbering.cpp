#include "trx/frame/SequenceNumbering.h"

#include "trx/frame/FrameFormat.h"

namespace trx::frame {
namespace {
constexpr std::size_t kMarkByte = 2;
constexpr std::size_t kKindByte = 3;
}  // namespace

bool wantsSequenceNumber(std::span<const std::uint8_t> message) {
    return message.size() > kKindByte && message[0] >= kKindByte &&
           (message[kKindByte] == kNumberedKindRequest || message[kKindByte] == kNumberedKindReply);
}

bool appendSequenceNumber(std::span<std::uint8_t> message, std::uint16_t number) {
    if (message.size() <= kMarkByte) {
        return false;
    }
    const std::size_t count = message[0];
    if (count + kSequenceNumberSize > kMaxMessageCount || message.size() < count + 1 + kSequenceNumberSize ||
        count < kMarkByte) {
        return false;
    }
    message[count + 1] = static_cast<std::uint8_t>(number >> 8);
    message[count + 2] = static_cast<std::uint8_t>(number & 0xFF);
    message[0] = static_cast<std::uint8_t>(count + kSequenceNumberSize);
    message[kMarkByte] |= kSequenceMark;
    return true;
}

bool carriesSequenceNumber(std::span<const std::uint8_t> message) {
    return message.size() > kMarkByte && message[0] > 1 && (message[kMarkByte] & kSequenceMark) != 0 &&
           message.size() >= std::size_t{message[0]} + 1;
}

std::uint16_t sequenceNumberOf(std::span<const std::uint8_t> message) {
    const std::size_t count = message[0];
    return static_cast<std::uint16_t>((message[count - 1] << 8) | message[count]);
}

void dropSequenceMark(std::span<std::uint8_t> message) {
    message[0] = static_cast<std::uint8_t>(message[0] - kSequenceNumberSize);
    message[kMarkByte] &= static_cast<std::uint8_t>(~kSequenceMark);
}

bool SequenceTracker::observe(std::uint16_t number) {
    if (!started_) {
        started_ = true;
        last_ = number;
        lostFrames_ = 0;
        return false;
    }
    const auto expected = static_cast<std::uint16_t>(last_ + 1);
    last_ = expected;
    if (number == expected) {
        return false;
    }
    last_ = number;
    ++lostFrames_;
    return true;
}

void SequenceTracker::restart() {
    started_ = false;
    last_ = 0;
    lostFrames_ = 0;
}

}  // namespace trx::frame
