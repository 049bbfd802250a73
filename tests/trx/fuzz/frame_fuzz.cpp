// libFuzzer target: any byte stream from the line, cut into reads of any
// sizes, through the frame scanner, the unpacker and the receive-side
// sequence handling. Nothing may crash or write past a slot; the frames cut
// out must not depend on how the stream was split; a frame that unpacks
// packs back into a frame that unpacks to the same message.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "trx/frame/FrameFormat.h"
#include "trx/frame/FramePacker.h"
#include "trx/frame/FrameScanner.h"
#include "trx/frame/FrameUnpacker.h"
#include "trx/frame/SequenceNumbering.h"

namespace {

using namespace trx::frame;

// What the scanner handed out, in order: complete frames and broken ones.
struct Recorder : FrameSink {
    void onFrame(std::span<const std::uint8_t> betweenMarkers) override {
        events.emplace_back(1, std::vector<std::uint8_t>(betweenMarkers.begin(), betweenMarkers.end()));
        receive(betweenMarkers);
    }
    void onBrokenFrame(std::span<const std::uint8_t> afterStart) override {
        events.emplace_back(2, std::vector<std::uint8_t>(afterStart.begin(), afterStart.end()));
        if (afterStart.size() >= FrameScanner::kBufferSize)
            __builtin_trap();
        // The delivery hands broken frames to the unpacker too, which must refuse them safely.
        (void)checkFrame(afterStart);
    }

    // What the receive thread does with a frame: the sense test, then unpack
    // into a slot guarded on both sides, then the sequence number.
    void receive(std::span<const std::uint8_t> frame) {
        (void)isActiveSenseBody(frame);
        std::array<std::uint8_t, kMaxMessageLength + 32> guarded{};
        guarded.fill(0xA5);
        std::span<std::uint8_t> slot(guarded.data() + 16, kMaxMessageLength);
        const UnpackResult checked = checkFrame(frame);
        const UnpackResult result = unpackFrame(frame, slot);
        if (checked.status != result.status ||
            (result.status == UnpackStatus::Ok && checked.length != result.length))
            __builtin_trap();
        for (std::size_t i = 0; i < 16; ++i) {
            if (guarded[i] != 0xA5 || guarded[guarded.size() - 1 - i] != 0xA5)
                __builtin_trap();
        }
        if (result.status != UnpackStatus::Ok)
            return;
        if (result.length == 0 || result.length > kMaxMessageLength || slot[0] + 1u != result.length)
            __builtin_trap();
        const std::span<const std::uint8_t> message(slot.data(), result.length);

        // Packing is the exact inverse of unpacking.
        std::array<std::uint8_t, kMaxFrameLength> packed{};
        const std::size_t frameLength = packFrame(message, packed);
        if (message.size() > 1) {
            if (frameLength < kFrameOverhead || packed[0] != kFrameStart ||
                packed[frameLength - 1] != kFrameEnd)
                __builtin_trap();
            std::array<std::uint8_t, kMaxMessageLength> again{};
            const UnpackResult repacked =
                unpackFrame(std::span<const std::uint8_t>(packed.data() + 1, frameLength - 2), again);
            if (repacked.status != UnpackStatus::Ok || repacked.length != message.size() ||
                std::memcmp(again.data(), message.data(), message.size()) != 0)
                __builtin_trap();
        }

        if (carriesSequenceNumber(message)) {
            // A count above 1 with the mark: the last two bytes are the number.
            if (message.size() < 1 + kSequenceNumberSize)
                __builtin_trap();
            tracker.observe(sequenceNumberOf(message));
            std::array<std::uint8_t, kMaxMessageLength> copy{};
            std::memcpy(copy.data(), message.data(), message.size());
            dropSequenceMark(std::span<std::uint8_t>(copy.data(), message.size()));
            if (copy[0] + 2u != message[0])
                __builtin_trap();
        }
    }

    std::vector<std::pair<int, std::vector<std::uint8_t>>> events;
    SequenceTracker tracker;
};

}  // namespace

// The first input byte seeds the sizes of the reads; the rest is the stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::uint32_t seed = data[0] * 2654435761u + 1;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    // Read straight into the scanner's buffer, as the receive thread does.
    Recorder split;
    FrameScanner scanner;
    std::size_t position = 0;
    while (position < stream.size()) {
        seed = seed * 1103515245u + 12345u;
        std::span<std::uint8_t> target = scanner.readTarget();
        if (target.empty())
            __builtin_trap();
        std::size_t count = 1 + (seed >> 16) % (seed & 0x100 ? 7 : 1100);
        count = std::min({count, target.size(), stream.size() - position});
        std::memcpy(target.data(), stream.data() + position, count);
        scanner.scan(count, split);
        position += count;
    }

    // The whole stream at once gives the same frames.
    Recorder whole;
    FrameScanner once;
    once.feed(stream, whole);
    if (split.events != whole.events)
        __builtin_trap();
    return 0;
}
