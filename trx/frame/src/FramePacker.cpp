#include "trx/frame/FramePacker.h"

namespace trx::frame {
namespace {

// Writes the body into the frame as it is built; `previous_` is the last byte
// that a run may still continue (kNoPrevious when none), `repeats_` how often
// it has been repeated.
class BodyWriter {
  public:
    explicit BodyWriter(std::span<std::uint8_t> frame) : frame_(frame), position_(kFrameOverhead - 1) {}

    void add(std::uint8_t value) {
        if (previous_ != int{value}) {
            closePlainRun();
            repeats_ = 0;
        }
        if (isReservedByte(value)) {
            addReserved(value);
        } else {
            addPlain(value);
        }
    }

    std::size_t finish() {
        closePlainRun();
        frame_[position_++] = kFrameEnd;
        const std::size_t bodyLength = position_ - kFrameOverhead;
        frame_[1] = static_cast<std::uint8_t>(bodyLength >> 8);
        frame_[2] = static_cast<std::uint8_t>(bodyLength & 0xFF);
        return position_;
    }

  private:
    // A run of 4..14 equal plain bytes written so far becomes one code pair.
    void closePlainRun() {
        if (repeats_ + 1 >= kShortestCodedRun && previous_ != kNoPrevious &&
            !isReservedByte(static_cast<std::uint8_t>(previous_))) {
            replaceRun(repeats_ + 1, static_cast<std::uint8_t>(previous_));
            previous_ = kNoPrevious;
        }
    }

    void replaceRun(int copies, std::uint8_t value) {
        position_ -= static_cast<std::size_t>(copies);
        frame_[position_++] = static_cast<std::uint8_t>(kReservedFirst + copies);
        frame_[position_++] = value;
    }

    void addReserved(std::uint8_t value) {
        const std::uint8_t lowNibble = value & 0x0F;
        if (repeats_ == 0) {
            frame_[position_++] = kReservedEscape;
            frame_[position_++] = lowNibble;
            repeats_ = 1;
            previous_ = value;
            return;
        }
        // One more copy of the same reserved byte: the repeat count lives in
        // the high nibble of the escape's second byte.
        frame_[position_ - 1] = static_cast<std::uint8_t>((repeats_ << 4) + lowNibble);
        repeats_ = repeats_ == kLongestEscapedRun - 1 ? 0 : repeats_ + 1;
    }

    void addPlain(std::uint8_t value) {
        if (previous_ == int{value}) {
            ++repeats_;
            if (repeats_ == kLongestCodedRun) {
                replaceRun(kLongestCodedRun, value);
                repeats_ = 0;
            }
        }
        frame_[position_++] = value;
        previous_ = value;
    }

    std::span<std::uint8_t> frame_;
    std::size_t position_;
    static constexpr int kNoPrevious = -1;
    int previous_ = kNoPrevious;
    int repeats_ = 0;
};

}  // namespace

std::size_t packFrame(std::span<const std::uint8_t> message, std::span<std::uint8_t> frame) {
    if (message.empty() || frame.size() < kMaxFrameLength) {
        return 0;
    }
    const std::size_t count = message[0];
    if (count + 1 > message.size() || count > kMaxMessageCount) {
        return 0;
    }
    frame[0] = kFrameStart;
    BodyWriter body(frame);
    for (std::size_t index = 1; index <= count; ++index) {
        body.add(message[index]);
    }
    return body.finish();
}

}  // namespace trx::frame
