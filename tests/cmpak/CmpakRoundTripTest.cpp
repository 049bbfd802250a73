// Decompress and DecompressBounded give back exactly what Compress was given, for every kind of
// source and for sizes around the window, slide and block boundaries.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TestData.h"
#include "cmpak.h"

namespace {

using namespace cmpaktest;

constexpr uint8_t kGuard = 0xEE;
constexpr size_t kGuardBytes = 64;

// Compresses into a guarded buffer, checks that nothing past the returned length was touched and
// that both decoders restore the source; returns the stream.
std::vector<uint8_t> checkRoundTrip(const std::vector<uint8_t>& source) {
    const size_t room = worstCaseSize(source.size());
    std::vector<uint8_t> out(room + kGuardBytes, kGuard);
    const uint32_t written = Compress(source.data(), static_cast<uint32_t>(source.size()), out.data());
    EXPECT_LE(written, room) << "the documented worst case must hold";
    for (size_t i = written; i < out.size(); ++i) {
        if (out[i] != kGuard) {
            ADD_FAILURE() << "Compress wrote past its result at " << i;
            break;
        }
    }
    out.resize(written);
    // An exactly sized copy: under AddressSanitizer any read past the stream's end is caught, also by
    // Decompress, which is not told the length.
    const std::vector<uint8_t> exact(out.begin(), out.end());

    std::vector<uint8_t> restored(source.size() + kGuardBytes, kGuard);
    EXPECT_EQ(Decompress(exact.data(), restored.data()), source.size());
    EXPECT_TRUE(std::equal(source.begin(), source.end(), restored.begin())) << "Decompress differs";
    EXPECT_EQ(restored[source.size()], kGuard) << "Decompress wrote past the size";

    std::vector<uint8_t> bounded(source.size() + kGuardBytes, kGuard);
    EXPECT_EQ(DecompressBounded(exact.data(), written, bounded.data(), static_cast<uint32_t>(source.size())),
              static_cast<int32_t>(source.size()));
    EXPECT_TRUE(std::equal(source.begin(), source.end(), bounded.begin())) << "DecompressBounded differs";
    EXPECT_EQ(bounded[source.size()], kGuard) << "DecompressBounded wrote past the size";
    return out;
}

struct SourceKind {
    std::string name;
    std::function<std::vector<uint8_t>(size_t)> make;
};

const std::vector<SourceKind>& sourceKinds() {
    static const std::vector<SourceKind> kinds = {
        {"random", [](size_t n) { return randomBytes(n, static_cast<uint32_t>(n)); }},
        {"zeros", [](size_t n) { return repeatedByte(n, 0x00); }},
        {"repeated 0xA5", [](size_t n) { return repeatedByte(n, 0xA5); }},
        {"text", [](size_t n) { return englishText(n); }},
        {"period 1", [](size_t n) { return periodic(n, 1, 3); }},
        {"period 2", [](size_t n) { return periodic(n, 2, 4); }},
        {"period 3", [](size_t n) { return periodic(n, 3, 5); }},
        {"period 7", [](size_t n) { return periodic(n, 7, 6); }},
        {"period 255", [](size_t n) { return periodic(n, 255, 8); }},
        {"period 256", [](size_t n) { return periodic(n, 256, 9); }},
        {"period 1000", [](size_t n) { return periodic(n, 1000, 10); }},
        {"period 1024", [](size_t n) { return periodic(n, 1024, 11); }},
        {"period 1025", [](size_t n) { return periodic(n, 1025, 12); }},
        {"machine code", [](size_t n) { return machineCode(n, 4096); }},
    };
    return kinds;
}

TEST(CmpakRoundTrip, EveryKindAtWindowSlideAndBlockBoundaries) {
    for (const size_t size : {1, 2, 3, 4, 255, 256, 1023, 1024, 1025, 1279, 1280, 2047, 2048, 2049, 2303,
                              4095, 4096, 4097, 65536}) {
        for (const SourceKind& kind : sourceKinds()) {
            SCOPED_TRACE(kind.name + ", " + std::to_string(size) + " bytes");
            checkRoundTrip(kind.make(size));
        }
    }
}

TEST(CmpakRoundTrip, MachineCodeChunksOfTheLibraryItself) {
    for (size_t offset = 0; offset < 64 * 4096; offset += 4096 * 3 + 17) {
        SCOPED_TRACE("offset " + std::to_string(offset));
        checkRoundTrip(machineCode(4096, offset));
    }
}

TEST(CmpakRoundTrip, LongSourcesSpanManyBlocks) {
    checkRoundTrip(machineCode(300000, 0));
    checkRoundTrip(englishText(200000));
    checkRoundTrip(randomBytes(100000, 99));
}

TEST(CmpakRoundTrip, MixedSourceSwitchesBetweenRunsNoiseAndText) {
    std::vector<uint8_t> source;
    for (int part = 0; part < 24; ++part) {
        std::vector<uint8_t> piece;
        switch (part % 4) {
            case 0:
                piece = repeatedByte(700 + part * 31, static_cast<uint8_t>(part));
                break;
            case 1:
                piece = randomBytes(900 + part * 17, static_cast<uint32_t>(part));
                break;
            case 2:
                piece = englishText(1500 + part * 13);
                break;
            default:
                piece = machineCode(1100 + part * 7, static_cast<size_t>(part) * 5000);
                break;
        }
        source.insert(source.end(), piece.begin(), piece.end());
    }
    checkRoundTrip(source);
}

TEST(CmpakRoundTrip, EqualBytesCompressFarAndRandomBytesMayGrow) {
    EXPECT_LT(checkRoundTrip(repeatedByte(4096, 0x41)).size(), 64u);
    const std::vector<uint8_t> noise = checkRoundTrip(randomBytes(4096, 1234));
    EXPECT_GT(noise.size(), 4096u) << "incompressible data is stored with its code tables";
}

TEST(CmpakRoundTrip, BlocksOfOneSymbolUseTheOneSymbolForm) {
    // After the first block, 400000 zeros are nothing but 255-byte matches at distance 1: blocks with
    // one literal/length symbol and one position symbol.
    const std::vector<uint8_t> zeros = checkRoundTrip(repeatedByte(400000, 0));
    EXPECT_LT(zeros.size(), 1200u);

    // 256 distinct bytes: 256 literals of length 8, so every code length is the same and the
    // code-length code itself takes its one-symbol form (5 bits 0, 5 bits symbol 10).
    const std::vector<uint8_t> stream = checkRoundTrip(permutationOfAllBytes(5));
    ASSERT_GT(stream.size(), 8u);
    EXPECT_EQ(stream[4], 0x01) << "block size 256, high byte";
    EXPECT_EQ(stream[5], 0x00);
    EXPECT_EQ(stream[6], 0x02) << "00000 then 010..";
    EXPECT_EQ(stream[7] >> 5, 0b101) << "..10 then the literal count 256 (1 0000 0000)";
    EXPECT_EQ(stream[7] & 0x1F, 0);
}

TEST(CmpakRoundTrip, EndPaddingHoldsNoDataBits) {
    for (const std::vector<uint8_t>& source :
         {repeatedByte(1, 7), englishText(333), machineCode(4096, 777), randomBytes(2500, 2)}) {
        std::vector<uint8_t> stream = checkRoundTrip(source);
        ASSERT_GE(stream.size(), 6u);
        EXPECT_EQ(stream.back(), 0x00);
        // The last byte carries no data: any value decodes the same.
        stream.back() = 0xFF;
        std::vector<uint8_t> restored(source.size());
        EXPECT_EQ(DecompressBounded(stream.data(), static_cast<uint32_t>(stream.size()), restored.data(),
                                    static_cast<uint32_t>(restored.size())),
                  static_cast<int32_t>(source.size()));
        EXPECT_EQ(restored, source);
    }
}

TEST(CmpakRoundTrip, SameSourceGivesTheSameStreamEveryTime) {
    const std::vector<uint8_t> source = machineCode(4096, 12345);
    const std::vector<uint8_t> first = compress(source);
    compress(randomBytes(5000, 1));  // leaves other state behind
    EXPECT_EQ(compress(source), first);
}

TEST(CmpakRoundTrip, BoundedDecoderAcceptsTrailingBytesAndALargerDestination) {
    const std::vector<uint8_t> source = englishText(3000);
    std::vector<uint8_t> stream = compress(source);
    stream.resize(stream.size() + 100, 0x5A);
    std::vector<uint8_t> restored(8192, kGuard);
    EXPECT_EQ(DecompressBounded(stream.data(), static_cast<uint32_t>(stream.size()), restored.data(),
                                static_cast<uint32_t>(restored.size())),
              3000);
    EXPECT_TRUE(std::equal(source.begin(), source.end(), restored.begin()));
    EXPECT_EQ(restored[3000], kGuard);
}

}  // namespace
