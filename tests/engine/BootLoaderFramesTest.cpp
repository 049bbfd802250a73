#include "BootLoaderFrames.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace engine::boot {
namespace {

using ::testing::ElementsAre;

std::vector<std::uint8_t> bytes(const Frame& frame, std::size_t length) {
    return {frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length)};
}

TEST(BootLoaderFrames, ControlFramesCarryTheirCheckByte) {
    Frame frame{};
    EXPECT_THAT(bytes(frame, buildWake(frame)), ElementsAre(0x03, 0x00, 0x00, 0xFF));
    EXPECT_THAT(bytes(frame, buildBootMode(frame, 0x21, true)), ElementsAre(0x04, 0x30, 0x21, 0x01, 0xAD));
    EXPECT_THAT(bytes(frame, buildBootMode(frame, 0x21, false)), ElementsAre(0x04, 0x30, 0x21, 0x00, 0xAE));
    EXPECT_THAT(bytes(frame, buildEraseBlock(frame, 0x21, 18)), ElementsAre(0x04, 0x32, 0x21, 0x12, 0x9A));
}

TEST(BootLoaderFrames, DataAndChunkDone) {
    Frame frame{};
    const std::vector<std::uint8_t> piece{0x10, 0x20};
    EXPECT_THAT(bytes(frame, buildData(frame, 0x21, 0x00300080, piece)),
                ElementsAre(0x09, 0x31, 0x21, 0x00, 0x30, 0x00, 0x80, 0x10, 0x20, 0xCD));
    const std::size_t length = buildChunkDone(frame, 0x21, 0x00301000);
    EXPECT_THAT(bytes(frame, length), ElementsAre(0x07, 0x31, 0x21, 0x10, 0x30, 0x10, 0x00, 0x5D));
    EXPECT_THAT(chunkDoneAnswer(0x21, 0x00301000), ElementsAre(0xB1, 0x21, 0x80, 0x30, 0x10, 0x00));
}

TEST(BootLoaderFrames, AFullPieceFillsTheFrame) {
    Frame frame{};
    const std::vector<std::uint8_t> piece(200, 0x01);
    const std::size_t length = buildData(frame, 0x21, 0, piece);
    EXPECT_EQ(length, 136u);
    EXPECT_EQ(frame[0], 128 + 7);
}

}  // namespace
}  // namespace engine::boot
