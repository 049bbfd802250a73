// Exact bytes of known streams and the behaviour of the size header.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cmpak.h"

namespace {

std::vector<uint8_t> compressed(const std::vector<uint8_t>& source) {
    std::vector<uint8_t> out(2 * source.size() + 1024, 0xEE);
    out.resize(Compress(source.data(), static_cast<uint32_t>(source.size()), out.data()));
    return out;
}

TEST(CmpakVectors, OneByteUsesEveryOneSymbolForm) {
    const std::vector<uint8_t> expected = {0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                                           0x00, 0x00, 0x04, 0x10, 0x00, 0x00};
    EXPECT_EQ(compressed({0x41}), expected);
}

TEST(CmpakVectors, TenEqualBytesAreALiteralAndAnOverlappingMatch) {
    const std::vector<uint8_t> expected = {0x00, 0x00, 0x00, 0x0a, 0x00, 0x02, 0x20, 0x04,
                                           0x30, 0x70, 0xb6, 0x58, 0x40, 0x10, 0x00};
    EXPECT_EQ(compressed(std::vector<uint8_t>(10, 0x41)), expected);
}

TEST(CmpakVectors, HeaderHoldsTheSizeBigEndian) {
    std::vector<uint8_t> source(4096);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<uint8_t>(i * 7 + (i >> 5));
    }
    const std::vector<uint8_t> out = compressed(source);
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[1], 0x00);
    EXPECT_EQ(out[2], 0x10);
    EXPECT_EQ(out[3], 0x00);

    const std::vector<uint8_t> big(0x01020304 & 0xFFFFF, 0);
    const std::vector<uint8_t> bigOut = compressed(big);
    ASSERT_GE(bigOut.size(), 4u);
    EXPECT_EQ(bigOut[0], 0x00);
    EXPECT_EQ(bigOut[1], 0x02);
    EXPECT_EQ(bigOut[2], 0x03);
    EXPECT_EQ(bigOut[3], 0x04);
}

TEST(CmpakVectors, EmptySourceReturnsZeroAndWritesAZeroHeader) {
    std::vector<uint8_t> out(16, 0xEE);
    const uint8_t source = 0x55;
    EXPECT_EQ(Compress(&source, 0, out.data()), 0u);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[1], 0x00);
    EXPECT_EQ(out[2], 0x00);
    EXPECT_EQ(out[3], 0x00);
    EXPECT_EQ(out[4], 0xEE) << "nothing follows the header";
}

TEST(CmpakVectors, ZeroSizeStreamWritesNothing) {
    const uint8_t stream[4] = {0, 0, 0, 0};
    uint8_t dst[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(Decompress(stream, dst), 0u);
    EXPECT_EQ(DecompressBounded(stream, sizeof stream, dst, 0), 0);
    EXPECT_EQ(DecompressBounded(stream, sizeof stream, nullptr, 0), 0);
    for (const uint8_t byte : dst) {
        EXPECT_EQ(byte, 0xEE);
    }
}

TEST(CmpakVectors, KnownStreamsDecodeToTheirSources) {
    const uint8_t one[] = {0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00, 0x00};
    const uint8_t ten[] = {0x00, 0x00, 0x00, 0x0a, 0x00, 0x02, 0x20, 0x04,
                           0x30, 0x70, 0xb6, 0x58, 0x40, 0x10, 0x00};
    uint8_t dst[16] = {};
    EXPECT_EQ(Decompress(one, dst), 1u);
    EXPECT_EQ(dst[0], 0x41);
    EXPECT_EQ(DecompressBounded(ten, sizeof ten, dst, sizeof dst), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(dst[i], 0x41);
    }
    EXPECT_EQ(dst[10], 0x00);
}

}  // namespace
