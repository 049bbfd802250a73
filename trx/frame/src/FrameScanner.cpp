#include "trx/frame/FrameScanner.h"

#include <algorithm>
#include <cstring>

#include "trx/frame/FrameFormat.h"

namespace trx::frame {

std::span<std::uint8_t> FrameScanner::readTarget() {
    return std::span<std::uint8_t>(buffer_).subspan(kept_);
}

void FrameScanner::reset() {
    kept_ = 0;
    inside_ = false;
}

void FrameScanner::scan(std::size_t count, FrameSink& sink) {
    const std::size_t end = std::min(kept_ + count, kBufferSize);
    std::size_t frameStart = 0;  // valid while inside_; a kept frame sits at the buffer start
    const std::uint8_t* data = buffer_.data();
    for (std::size_t position = kept_; position < end; ++position) {
        const std::uint8_t value = buffer_[position];
        if (!inside_) {
            if (value == kFrameStart) {
                frameStart = position;
                inside_ = true;
            }
            continue;
        }
        // The two bytes after the start marker are the length field, whatever
        // their values; an end marker right behind the field would close an
        // empty body, which no packer sends, so it is read as data as well.
        const std::size_t afterStart = position - frameStart;
        if (value == kFrameEnd && afterStart > kLengthFieldSize + 1) {
            sink.onFrame({data + frameStart + 1, afterStart - 1});
            inside_ = false;
        } else if (value == kFrameStart && afterStart > kLengthFieldSize) {
            sink.onBrokenFrame({data + frameStart + 1, afterStart - 1});
            frameStart = position;
        }
    }
    if (!inside_) {
        kept_ = 0;
        return;
    }
    kept_ = end - frameStart;
    if (frameStart != 0) {
        std::memmove(buffer_.data(), buffer_.data() + frameStart, kept_);
    }
    if (kept_ == kBufferSize) {
        // No frame is this long: give it up so that reading can go on.
        sink.onBrokenFrame({buffer_.data() + 1, kept_ - 1});
        reset();
    }
}

void FrameScanner::feed(std::span<const std::uint8_t> bytes, FrameSink& sink) {
    while (!bytes.empty()) {
        std::span<std::uint8_t> target = readTarget();
        const std::size_t chunk = std::min(target.size(), bytes.size());
        std::memcpy(target.data(), bytes.data(), chunk);
        scan(chunk, sink);
        bytes = bytes.subspan(chunk);
    }
}

}  // namespace trx::frame
