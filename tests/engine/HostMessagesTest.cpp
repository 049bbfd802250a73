#include "engine/HostMessages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace engine::host {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::uint8_t> bytes(const Buffer& buffer, std::size_t length) {
    return {buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length)};
}

TEST(HostMessageBuilders, ReadRequestsUseTwoOrFourAddressBytes) {
    Buffer out{};
    EXPECT_THAT(bytes(out, buildReadRequest(out, 0x1F, 0x10, 0x0C, 0x1234, 2)),
                ElementsAre(0x07, 0xCC, 0x1F, 0x10, 0x12, 0x34, 0x00, 0x02));
    EXPECT_THAT(bytes(out, buildReadRequest(out, 0x1F, 0x02, 0x31, 0x270080, 128)),
                ElementsAre(0x09, 0xF1, 0x1F, 0x02, 0x00, 0x27, 0x00, 0x80, 0x00, 0x80));
    EXPECT_THAT(bytes(out, buildReadRequest(out, 0xFF, 0x00, 0x30, 0xABCD, 1)),
                ElementsAre(0x07, 0xF0, 0xFF, 0x00, 0xAB, 0xCD, 0x00, 0x01));
}

TEST(HostMessageBuilders, EraseChecksumAndDataBlock) {
    Buffer out{};
    EXPECT_THAT(bytes(out, buildEraseRequest(out, 0x1F, 0x05)),
                ElementsAre(0x06, 0x30, 0x1F, 0x05, 0x01, 0x67, 0x00));
    EXPECT_THAT(bytes(out, buildChecksumRequest(out, 0x1F, 0x05, 0xBEEF)),
                ElementsAre(0x07, 0x30, 0x1F, 0x05, 0x01, 0x64, 0xBE, 0xEF));

    std::array<std::uint8_t, kDataBlockSize> block{};
    std::iota(block.begin(), block.end(), std::uint8_t{0});
    const std::size_t length = buildDataBlock(out, 0x1F, 0x05, 0x00200080, block.data());
    ASSERT_EQ(length, 136u);
    EXPECT_THAT(bytes(out, 8), ElementsAre(0x87, 0x32, 0x1F, 0x05, 0x00, 0x20, 0x00, 0x80));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), out.begin() + 8));
}

TEST(HostMessageBuilders, SegmentedUnitMessages) {
    Buffer out{};
    EXPECT_THAT(bytes(out, buildType3Select(out, 0xFF, 0x0004)),
                ElementsAre(0x07, 0x33, 0xFF, 0x13, 0x00, 0x12, 0x00, 0x04));
    EXPECT_THAT(bytes(out, buildType3Checksum(out, 0x1F, 0x1234)),
                ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x01, 0x64, 0x12, 0x34));
    EXPECT_THAT(bytes(out, buildType4EndOfWrite(out, 0x1F)),
                ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x01, 0x64, 0x00, 0x00));
    EXPECT_THAT(bytes(out, buildType3Echo(out, 0xA55A)),
                ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x00, 0x12, 0xA5, 0x5A));
    EXPECT_THAT(bytes(out, buildType3WriteStart(out, 0x0100)),
                ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x00, 0x22, 0x01, 0x00));
    EXPECT_THAT(bytes(out, buildType4Select(out, 0x0002)),
                ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x00, 0x11, 0x00, 0x02));
    EXPECT_THAT(bytes(out, buildType4WriteStart(out, 0x0002)),
                ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x00, 0x21, 0x00, 0x02));

    std::array<std::uint8_t, kDataBlockSize> block{};
    block.fill(0x5A);
    ASSERT_EQ(buildSegmentedDataBlock(out, 0x310080, block.data()), 136u);
    EXPECT_THAT(bytes(out, 8), ElementsAre(0x87, 0x33, 0x1F, 0x13, 0x80, 0x31, 0x00, 0x80));
    EXPECT_EQ(out[135], 0x5A);

    // Read back, the block gives its 24-bit unit address again; a select is no block.
    const std::optional<HostMessage> sentBlock = parseMessage(std::span(out.data(), 136));
    ASSERT_TRUE(sentBlock);
    EXPECT_TRUE(isSegmentedDataBlock(*sentBlock));
    EXPECT_EQ(segmentedBlockAddress(*sentBlock), 0x310080u);
    const std::optional<HostMessage> select =
        parseMessage(std::span(out.data(), buildType4Select(out, 0x0080)));
    ASSERT_TRUE(select);
    EXPECT_FALSE(isSegmentedDataBlock(*select));
}

TEST(HostMessageBuilders, BootBroadcastsAndGenericCommand) {
    Buffer out{};
    EXPECT_THAT(bytes(out, buildBootBroadcast(out, kCommandSegmented, 1)),
                ElementsAre(0x06, 0x33, 0x1F, 0xFE, 0x01, 0x00, 0x00));
    EXPECT_THAT(bytes(out, buildBootBroadcast(out, kCommandBootLeave, 0)),
                ElementsAre(0x06, 0x34, 0x1F, 0xFE, 0x00, 0x00, 0x00));
    const std::array<std::uint8_t, 3> payload{1, 2, 3};
    EXPECT_THAT(bytes(out, buildCommand(out, 0x1F, 0x07, 0x20, 0x0102, payload)),
                ElementsAre(0x08, 0x20, 0x1F, 0x07, 0x01, 0x02, 1, 2, 3));
    EXPECT_THAT(bytes(out, buildCommand(out, 0x1F, 0x07, 0x32, 0x01020304, payload)),
                ElementsAre(0x0A, 0x32, 0x1F, 0x07, 0x01, 0x02, 0x03, 0x04, 1, 2, 3));
}

TEST(HostMessageParser, CutsFieldsByCommand) {
    const std::vector<std::uint8_t> statusReply{0x06, 0x30, 0x05, 0x1F, 0x01, 0x66, 0x00};
    const auto status = parseMessage(statusReply);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->command, 0x30);
    EXPECT_EQ(status->kind, 0x00);
    EXPECT_EQ(status->sender, 0x05);
    EXPECT_EQ(status->receiver, 0x1F);
    EXPECT_EQ(status->address, 0x0166u);
    EXPECT_THAT(status->payload, ElementsAre(0x00));

    const std::vector<std::uint8_t> longReply{0x09, 0xB1, 0x02, 0x1F, 0x00, 0x27, 0x00, 0x00, 0xAA, 0xBB};
    const auto read = parseMessage(longReply);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->command, 0x31);
    EXPECT_EQ(read->kind, 0x80);
    EXPECT_EQ(read->address, 0x270000u);
    EXPECT_THAT(read->payload, ElementsAreArray({0xAA, 0xBB}));
}

TEST(HostMessageParser, RefusesEmptyPayloadsAndShortMessages) {
    EXPECT_FALSE(parseMessage(std::vector<std::uint8_t>{0x05, 0x30, 0x05, 0x1F, 0x01, 0x66}));
    EXPECT_FALSE(parseMessage(std::vector<std::uint8_t>{0x07, 0xB1, 0x02, 0x1F, 0x00, 0x27, 0x00, 0x00}));
    EXPECT_FALSE(parseMessage(std::vector<std::uint8_t>{0x02, 0x30}));
    // The count byte claims more bytes than arrived.
    EXPECT_FALSE(parseMessage(std::vector<std::uint8_t>{0x09, 0x8C, 0x05, 0x1F, 0x01, 0x00, 0x01}));
}

TEST(HostMessageParser, ReadsBackWhatTheBuildersWrote) {
    Buffer out{};
    const std::size_t length = buildChecksumRequest(out, 0x1F, 0x05, 0x0A0B);
    const auto parsed = parseMessage(std::span<const std::uint8_t>(out.data(), length));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->address, kChecksumRegister);
    EXPECT_THAT(parsed->payload, ElementsAre(0x0A, 0x0B));
}

}  // namespace
}  // namespace engine::host
