#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "trx/frame/FramePacker.h"
#include "trx/frame/FrameScanner.h"
#include "trx/frame/FrameUnpacker.h"
#include "trx/frame/SequenceNumbering.h"

using namespace trx::frame;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes pack(const Bytes& message) {
    Bytes frame(kMaxFrameLength);
    frame.resize(packFrame(message, frame));
    return frame;
}

Bytes messageOf(const Bytes& body) {
    Bytes message{static_cast<std::uint8_t>(body.size())};
    message.insert(message.end(), body.begin(), body.end());
    return message;
}

Bytes unpack(const Bytes& frame) {
    Bytes slot(kMaxMessageLength);
    const UnpackResult result = unpackFrame({frame.data() + 1, frame.size() - 2}, slot);
    if (result.status != UnpackStatus::Ok) {
        return {};
    }
    slot.resize(result.length);
    return slot;
}

struct CollectingSink : FrameSink {
    std::vector<Bytes> frames;
    std::vector<Bytes> broken;
    void onFrame(std::span<const std::uint8_t> between) override {
        frames.emplace_back(between.begin(), between.end());
    }
    void onBrokenFrame(std::span<const std::uint8_t> after) override {
        broken.emplace_back(after.begin(), after.end());
    }
};

}  // namespace

TEST(FramePacking, KnownVectors) {
    EXPECT_EQ(pack({0x01, 0x00}), (Bytes{0xD0, 0x00, 0x01, 0x00, 0xD1}));
    EXPECT_EQ(pack({0x02, 0x41, 0xD5}), (Bytes{0xD0, 0x00, 0x03, 0x41, 0xDF, 0x05, 0xD1}));
    EXPECT_EQ(pack(messageOf(Bytes(5, 0x41))), (Bytes{0xD0, 0x00, 0x02, 0xD5, 0x41, 0xD1}));
    EXPECT_EQ(pack(messageOf(Bytes(4, 0x41))), (Bytes{0xD0, 0x00, 0x02, 0xD4, 0x41, 0xD1}));
    EXPECT_EQ(pack(messageOf(Bytes(3, 0x41))), (Bytes{0xD0, 0x00, 0x03, 0x41, 0x41, 0x41, 0xD1}));
}

TEST(FramePacking, LongRunsAreCutAfterFourteen) {
    EXPECT_EQ(pack(messageOf(Bytes(20, 0x33))), (Bytes{0xD0, 0x00, 0x04, 0xDE, 0x33, 0xD6, 0x33, 0xD1}));
    EXPECT_EQ(pack(messageOf(Bytes(16, 0x33))), (Bytes{0xD0, 0x00, 0x04, 0xDE, 0x33, 0x33, 0x33, 0xD1}));
    EXPECT_EQ(pack(messageOf(Bytes(14, 0x33))), (Bytes{0xD0, 0x00, 0x02, 0xDE, 0x33, 0xD1}));
}

TEST(FramePacking, ReservedBytesAreEscapedUpToThirteen) {
    EXPECT_EQ(pack(messageOf(Bytes(13, 0xD7))), (Bytes{0xD0, 0x00, 0x02, 0xDF, 0xC7, 0xD1}));
    EXPECT_EQ(pack(messageOf(Bytes(14, 0xD7))), (Bytes{0xD0, 0x00, 0x04, 0xDF, 0xC7, 0xDF, 0x07, 0xD1}));
    EXPECT_EQ(pack({0x02, 0xD0, 0xD1}), (Bytes{0xD0, 0x00, 0x04, 0xDF, 0x00, 0xDF, 0x01, 0xD1}));
}

TEST(FramePacking, RefusesMessagesThatDoNotFit) {
    Bytes frame(kMaxFrameLength);
    EXPECT_EQ(packFrame(Bytes{}, frame), 0u);
    EXPECT_EQ(packFrame(Bytes{0x05, 0x01}, frame), 0u);  // count larger than the bytes given
    Bytes small(8);
    EXPECT_EQ(packFrame(Bytes{0x01, 0x00}, small), 0u);
}

TEST(FramePacking, RandomMessagesRoundTrip) {
    std::mt19937 random(7);
    for (int round = 0; round < 5000; ++round) {
        const std::size_t count = random() % 256;
        // Few distinct values make long runs likely, reserved bytes included.
        const bool runny = round % 2 == 0;
        Bytes message{static_cast<std::uint8_t>(count)};
        for (std::size_t index = 0; index < count; ++index) {
            message.push_back(runny ? static_cast<std::uint8_t>(0xCE + random() % 4)
                                    : static_cast<std::uint8_t>(random()));
        }
        const Bytes frame = pack(message);
        ASSERT_GE(frame.size(), kFrameOverhead);
        for (std::size_t index = 3; index + 1 < frame.size(); ++index) {
            ASSERT_NE(frame[index], kFrameStart);
            ASSERT_NE(frame[index], kFrameEnd);
        }
        ASSERT_EQ(unpack(frame), message) << "round " << round;
    }
}

TEST(FrameUnpacking, RejectsWrongLengthsAndOversizedMessages) {
    Bytes slot(kMaxMessageLength);
    const Bytes wrongLength{0x00, 0x05, 0x41, 0x42};
    UnpackResult result = unpackFrame(wrongLength, slot);
    EXPECT_EQ(result.status, UnpackStatus::LengthMismatch);
    EXPECT_EQ(result.length, 7u);

    // Nineteen pairs of 14 copies: 266 bytes would overflow one slot.
    Bytes oversized{0x00, 38};
    for (int pair = 0; pair < 19; ++pair) {
        oversized.push_back(0xDE);
        oversized.push_back(0x41);
    }
    EXPECT_EQ(unpackFrame(oversized, slot).status, UnpackStatus::TooLong);
    EXPECT_EQ(checkFrame(oversized).status, UnpackStatus::TooLong);

    const Bytes truncated{0x00, 0x02, 0x41, 0xDF};
    EXPECT_EQ(unpackFrame(truncated, slot).status, UnpackStatus::Truncated);
}

TEST(FrameUnpacking, ActiveSenseTest) {
    EXPECT_TRUE(isActiveSenseBody(Bytes{0x00, 0x01, 0x00}));
    EXPECT_TRUE(isActiveSenseBody(Bytes{0x00, 0x01, 0x01}));
    EXPECT_FALSE(isActiveSenseBody(Bytes{0x00, 0x01, 0x02}));
    EXPECT_FALSE(isActiveSenseBody(Bytes{0x00, 0x02, 0x41, 0x42}));
    EXPECT_EQ(pack({0x01, 0x00}), Bytes(kActiveSenseFrame.begin(), kActiveSenseFrame.end()));
}

TEST(FrameScanning, CutsStreamsWithGarbageSplitsAndMarkersInTheLength) {
    CollectingSink sink;
    FrameScanner scanner;
    // Garbage, a frame whose length bytes are 0xD0 and 0xD1, a split frame.
    Bytes stream{0x11, 0x13, 0xD1};
    Bytes odd{0xD0, 0xD0, 0xD1};
    Bytes body(0xD0D1, 0x41);
    stream.insert(stream.end(), odd.begin(), odd.end());
    stream.insert(stream.end(), body.begin(), body.begin() + 10);  // unfinished: kept till the buffer fills
    scanner.feed(std::span<const std::uint8_t>(stream).first(3), sink);
    EXPECT_FALSE(scanner.insideFrame());
    const Bytes first = pack({0x02, 0x41, 0x42});
    const Bytes second = pack({0x01, 0x00});
    Bytes two = first;
    two.insert(two.end(), {0x55, 0x66});
    two.insert(two.end(), second.begin(), second.end());
    scanner.feed(std::span<const std::uint8_t>(two).first(4), sink);
    EXPECT_TRUE(scanner.insideFrame());
    EXPECT_TRUE(sink.frames.empty());
    scanner.feed(std::span<const std::uint8_t>(two).subspan(4), sink);
    ASSERT_EQ(sink.frames.size(), 2u);
    EXPECT_EQ(sink.frames[0], Bytes(first.begin() + 1, first.end() - 1));
    EXPECT_EQ(sink.frames[1], (Bytes{0x00, 0x01, 0x00}));
    EXPECT_TRUE(sink.broken.empty());

    sink.frames.clear();
    scanner.feed(Bytes{0xD0, 0xD1, 0xD0, 0x41, 0xD1}, sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0], (Bytes{0xD1, 0xD0, 0x41}));
}

TEST(FrameScanning, EmptyBodyEndMarkerIsTakenAsLengthByte) {
    CollectingSink sink;
    FrameScanner scanner;
    scanner.feed(Bytes{0xD0, 0x00, 0x00, 0xD1}, sink);
    EXPECT_TRUE(sink.frames.empty());
    EXPECT_TRUE(scanner.insideFrame());
    scanner.feed(Bytes{0x41, 0xD1}, sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0], (Bytes{0x00, 0x00, 0xD1, 0x41}));
}

TEST(FrameScanning, NewStartMarkerGivesUpTheUnfinishedFrame) {
    CollectingSink sink;
    FrameScanner scanner;
    scanner.feed(Bytes{0xD0, 0x00, 0x05, 0x41, 0x42, 0xD0, 0x00, 0x01, 0x00, 0xD1}, sink);
    ASSERT_EQ(sink.broken.size(), 1u);
    EXPECT_EQ(sink.broken[0], (Bytes{0x00, 0x05, 0x41, 0x42}));
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0], (Bytes{0x00, 0x01, 0x00}));
}

TEST(FrameScanning, FrameThatFillsTheBufferIsDroppedAndScanningGoesOn) {
    CollectingSink sink;
    FrameScanner scanner;
    Bytes endless{0xD0, 0x03, 0xFF};
    endless.resize(1500, 0x41);
    scanner.feed(endless, sink);
    ASSERT_EQ(sink.broken.size(), 1u);
    EXPECT_EQ(sink.broken[0].size(), FrameScanner::kBufferSize - 1);
    EXPECT_FALSE(scanner.insideFrame());
    scanner.feed(Bytes{0xD0, 0x00, 0x01, 0x01, 0xD1}, sink);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0], (Bytes{0x00, 0x01, 0x01}));
}

TEST(SequenceNumbers, AppendReadAndDrop) {
    Bytes message{0x05, 0x41, 0x1F, 0x12, 0x00, 0x00, 0, 0};
    ASSERT_TRUE(wantsSequenceNumber(message));
    ASSERT_TRUE(appendSequenceNumber(message, 0x1234));
    EXPECT_EQ(message, (Bytes{0x07, 0x41, 0x3F, 0x12, 0x00, 0x00, 0x12, 0x34}));
    ASSERT_TRUE(carriesSequenceNumber(message));
    EXPECT_EQ(sequenceNumberOf(message), 0x1234);
    dropSequenceMark(message);
    EXPECT_EQ(message[0], 0x05);
    EXPECT_EQ(message[2], 0x1F);

    Bytes tooLong(258, 0);
    tooLong[0] = 254;
    tooLong[3] = 0x02;
    EXPECT_FALSE(appendSequenceNumber(tooLong, 1));
    EXPECT_FALSE(wantsSequenceNumber(Bytes{0x03, 0x41, 0x00, 0x11}));
}

TEST(SequenceNumbers, TrackerCountsGapsAndWraps) {
    SequenceTracker tracker;
    EXPECT_FALSE(tracker.observe(0xFFFE));
    EXPECT_FALSE(tracker.observe(0xFFFF));
    EXPECT_FALSE(tracker.observe(0x0000));
    EXPECT_TRUE(tracker.observe(0x0005));
    EXPECT_EQ(tracker.lostFrames(), 1);
    EXPECT_EQ(tracker.last(), 0x0005);
    EXPECT_FALSE(tracker.observe(0x0006));
    tracker.restart();
    EXPECT_FALSE(tracker.started());
    EXPECT_FALSE(tracker.observe(0x0100));
    EXPECT_EQ(tracker.lostFrames(), 0);
}
