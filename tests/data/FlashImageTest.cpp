#include "data/FlashImage.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

#include "TestFiles.h"

namespace data {
namespace {

using testing::TempDirectory;

constexpr std::uint32_t kBase = 0x200000;
constexpr std::uint32_t kWindow = FlashImage::kStandardWindowSize;

// One S-record line, written here independently of the loader.
std::string record(char type, std::uint32_t address, const std::vector<std::uint8_t>& bytes,
                   int countAdjust = 0, int checksumAdjust = 0) {
    int addressBytes = type == '1' ? 2 : type == '2' ? 3 : type == '3' ? 4 : 2;
    unsigned count = static_cast<unsigned>(addressBytes + static_cast<int>(bytes.size()) + 1 + countAdjust);
    std::string line = "S";
    line += type;
    char hex[3];
    unsigned sum = count & 0xFF;
    std::snprintf(hex, sizeof hex, "%02X", count & 0xFF);
    line += hex;
    for (int i = addressBytes - 1; i >= 0; --i) {
        unsigned byte = (address >> (8 * i)) & 0xFF;
        sum += byte;
        std::snprintf(hex, sizeof hex, "%02X", byte);
        line += hex;
    }
    for (std::uint8_t byte : bytes) {
        sum += byte;
        std::snprintf(hex, sizeof hex, "%02X", byte);
        line += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", (~sum + static_cast<unsigned>(checksumAdjust)) & 0xFF);
    line += hex;
    return line;
}

const std::string kHeader = "S00600004844521B";
const std::string kEnd = "S9030000FC";

// The image checksum of a window, computed the plain way.
std::uint16_t windowChecksum(const std::vector<std::uint8_t>& window) {
    unsigned sum = 0;
    for (std::size_t i = 0; i + 2 < window.size(); i += 2)
        sum += window[i] * 256u + window[i + 1];
    return static_cast<std::uint16_t>(sum);
}

FlashImage standardImage() {
    FlashImage image;
    EXPECT_TRUE(image.allocate(kWindow));
    return image;
}

ImageLoadResult loadLines(FlashImage& image, const std::vector<std::string>& lines, FlashImage::LoadMode mode,
                          std::uint32_t base = kBase, std::string_view lineEnd = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + std::string(lineEnd);
    return image.loadText(text, base, mode);
}

TEST(FlashImageAllocate, SizeZeroFreesAndClears) {
    FlashImage image = standardImage();
    EXPECT_EQ(image.size(), kWindow);
    ASSERT_TRUE(loadLines(image, {record('1', 0x0000, {1, 2}), kEnd}, FlashImage::LoadMode::Strict, 0).ok());
    EXPECT_NE(image.checksum(), 0);
    EXPECT_TRUE(image.allocate(0));
    EXPECT_FALSE(image.hasBuffer());
    EXPECT_EQ(image.size(), 0u);
    EXPECT_EQ(image.checksum(), 0);
    EXPECT_EQ(image.highestAddress(), 0u);
    EXPECT_EQ(image.lowestAddress(), 0xFFFFFFFFu);
}

TEST(FlashImageAllocate, RefillsWithErasedBytesAndChangesSize) {
    FlashImage image = standardImage();
    image.bytes()[100] = 0;
    EXPECT_TRUE(image.allocate(kWindow));
    EXPECT_EQ(image.bytes()[100], 0xFF);
    EXPECT_TRUE(image.allocate(FlashImage::kSegmentedWindowSize));
    EXPECT_EQ(image.size(), FlashImage::kSegmentedWindowSize);
    for (std::uint8_t byte : image.bytes())
        ASSERT_EQ(byte, 0xFF);
    image.bytes()[5] = 1;
    image.fill();
    EXPECT_EQ(image.bytes()[5], 0xFF);
}

TEST(FlashImageLoad, HeaderAndEndOnlyGiveAnErasedWindow) {
    FlashImage image = standardImage();
    ImageLoadResult result = loadLines(image, {kHeader, kEnd}, FlashImage::LoadMode::Strict);
    ASSERT_TRUE(result.ok()) << result.errorText;
    for (std::uint8_t byte : image.bytes())
        ASSERT_EQ(byte, 0xFF);
    EXPECT_EQ(image.checksum(), windowChecksum(std::vector<std::uint8_t>(kWindow, 0xFF)));
    EXPECT_EQ(image.lowestAddress(), 0xFFFFFFFFu);
    EXPECT_EQ(image.highestAddress(), 0u);
}

TEST(FlashImageLoad, StrictWindowEndIsInsideOneByteFurtherIsNot) {
    FlashImage image = standardImage();
    std::uint32_t lastTwo = kBase + kWindow - 2;
    ImageLoadResult fits =
        loadLines(image, {kHeader, record('3', lastTwo, {0x12, 0x34}), kEnd}, FlashImage::LoadMode::Strict);
    ASSERT_TRUE(fits.ok()) << fits.errorText;
    EXPECT_EQ(image.bytes()[kWindow - 1], 0x34);
    EXPECT_EQ(image.highestAddress(), kBase + kWindow - 1);

    ImageLoadResult beyond = loadLines(image, {kHeader, record('3', lastTwo + 1, {0x12, 0x34}), kEnd},
                                       FlashImage::LoadMode::Strict);
    EXPECT_EQ(beyond.errorText, "Address Error! Address=0027FFFFH, Line=2");

    ImageLoadResult below =
        loadLines(image, {record('2', kBase - 1, {0x12, 0x34})}, FlashImage::LoadMode::Strict);
    EXPECT_EQ(below.errorText, "Address Error! Address=001FFFFFH, Line=1");
}

TEST(FlashImageLoad, StoresRecordsOfAllThreeAddressLengths) {
    FlashImage image = standardImage();
    ImageLoadResult result = loadLines(
        image,
        {record('1', 0x0010, {0xA1}), record('2', 0x000020, {0xB2, 0xB3}), record('3', 0x30, {0xC4}), kEnd},
        FlashImage::LoadMode::Strict, 0);
    ASSERT_TRUE(result.ok()) << result.errorText;
    EXPECT_EQ(image.bytes()[0x10], 0xA1);
    EXPECT_EQ(image.bytes()[0x21], 0xB3);
    EXPECT_EQ(image.bytes()[0x30], 0xC4);
    EXPECT_EQ(image.lowestAddress(), 0x10u);
    EXPECT_EQ(image.highestAddress(), 0x30u);
}

TEST(FlashImageLoad, LowerCaseHexIsAccepted) {
    FlashImage image = standardImage();
    std::string line = record('3', kBase, {0xAB, 0xCD, 0xEF});
    for (char& c : line)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    line[0] = 'S';
    ImageLoadResult result = loadLines(image, {line, kEnd}, FlashImage::LoadMode::Strict);
    ASSERT_TRUE(result.ok()) << result.errorText;
    EXPECT_EQ(image.bytes()[2], 0xEF);
}

TEST(FlashImageLoad, LongLinesAreReadInPiecesOf254Characters) {
    FlashImage image = standardImage();
    std::string valid = record('3', kBase, {1, 2, 3, 4});
    // 300 characters: the valid record, then blanks the next piece starts with.
    std::string padded = valid + std::string(300 - valid.size(), ' ');
    EXPECT_EQ(loadLines(image, {padded}, FlashImage::LoadMode::Strict).errorText, "File Format Error!");
    EXPECT_EQ(image.bytes()[3], 4);  // the first piece was stored

    // 253 characters and the line end fit one piece, with LF or CR LF.
    std::string fits = valid + std::string(253 - valid.size(), ' ');
    EXPECT_TRUE(loadLines(image, {fits, valid, kEnd}, FlashImage::LoadMode::Strict).ok());
    EXPECT_TRUE(loadLines(image, {fits, valid, kEnd}, FlashImage::LoadMode::Strict, kBase, "\r\n").ok());
    // 254 characters leave the line end for a piece of its own.
    EXPECT_EQ(loadLines(image, {fits + " ", valid}, FlashImage::LoadMode::Strict).errorText,
              "File Format Error!");
}

TEST(FlashImageLoad, LastLineNeedsNoLineEnd) {
    FlashImage image = standardImage();
    ImageLoadResult result = image.loadText(kHeader + "\r\n" + record('3', kBase, {9}) + "\r\n" + kEnd, kBase,
                                            FlashImage::LoadMode::Strict);
    ASSERT_TRUE(result.ok()) << result.errorText;
    EXPECT_EQ(image.bytes()[0], 9);
}

TEST(FlashImageLoad, ChecksumExcludesTheLastWord) {
    FlashImage image = standardImage();
    ASSERT_TRUE(loadLines(image, {kHeader, kEnd}, FlashImage::LoadMode::Strict).ok());
    std::uint16_t erased = image.checksum();
    ASSERT_TRUE(
        loadLines(image, {record('3', kBase + kWindow - 2, {0, 0}), kEnd}, FlashImage::LoadMode::Strict)
            .ok());
    EXPECT_EQ(image.checksum(), erased);
    ASSERT_TRUE(
        loadLines(image, {record('3', kBase + kWindow - 4, {0xFF, 0xFE}), kEnd}, FlashImage::LoadMode::Strict)
            .ok());
    EXPECT_EQ(image.checksum(), static_cast<std::uint16_t>(erased - 1));
}

TEST(FlashImageLoad, ComputeChecksumFollowsBufferChanges) {
    FlashImage image = standardImage();
    std::uint16_t erased = image.computeChecksum();
    image.bytes()[0] = 0xFE;
    EXPECT_EQ(image.computeChecksum(), static_cast<std::uint16_t>(erased - 0x100));
    EXPECT_EQ(image.checksum(), static_cast<std::uint16_t>(erased - 0x100));
}

TEST(FlashImageLoad, ErrorTextsOfTheLoader) {
    FlashImage image = standardImage();
    EXPECT_EQ(image.loadText("", kBase, FlashImage::LoadMode::Strict).errorText, "Data is Empty!");
    EXPECT_EQ(loadLines(image, {kHeader, "X1030000FC"}, FlashImage::LoadMode::Strict).errorText,
              "File Format Error!");
    EXPECT_EQ(loadLines(image, {kHeader, ""}, FlashImage::LoadMode::Strict).errorText, "File Format Error!");
    EXPECT_EQ(loadLines(image, {kHeader, record('3', 0x10, {1, 2}), record('1', 0, {1}, 0, 1)},
                        FlashImage::LoadMode::Strict, 0)
                  .errorText,
              "Checksum Error! line=3");
    // A line cut short lacks characters its count byte announces.
    EXPECT_EQ(loadLines(image, {"S1"}, FlashImage::LoadMode::Strict).errorText, "File Format Error!");
    EXPECT_EQ(loadLines(image, {"S1070000", kEnd}, FlashImage::LoadMode::Strict, 0).errorText,
              "File Format Error!");

    EXPECT_EQ(image.loadStrict("/nonexistent/flashkit/MAIN0105.mot", kBase).errorText, "File open Error!");
    FlashImage unallocated;
    EXPECT_EQ(unallocated.loadText(kEnd, kBase, FlashImage::LoadMode::Strict).errorText,
              "Memory Allocation Error!");
}

TEST(FlashImageLoad, CountTooSmallForTheAddressIsAFormatError) {
    FlashImage image = standardImage();
    EXPECT_EQ(loadLines(image, {record('3', kBase, {}, -1)}, FlashImage::LoadMode::Strict).errorText,
              "File Format Error!");
    EXPECT_EQ(loadLines(image, {record('1', 0, {}, -3)}, FlashImage::LoadMode::Clipping, 0).errorText,
              "File Format Error!");
    // A record with no data bytes is valid and stores nothing.
    ImageLoadResult empty = loadLines(image, {record('3', kBase, {}), kEnd}, FlashImage::LoadMode::Strict);
    EXPECT_TRUE(empty.ok()) << empty.errorText;
    EXPECT_EQ(image.lowestAddress(), 0xFFFFFFFFu);
}

TEST(FlashImageLoad, FailureKeepsWhatWasStoredBefore) {
    FlashImage image = standardImage();
    ImageLoadResult result = loadLines(
        image,
        {record('3', kBase, {0x11}), record('3', kBase + 1, {0x22}, 0, 1), record('3', kBase + 2, {0x33})},
        FlashImage::LoadMode::Strict);
    EXPECT_EQ(result.errorText, "Checksum Error! line=2");
    EXPECT_EQ(image.bytes()[0], 0x11);
    EXPECT_EQ(image.bytes()[1], 0x22);
    EXPECT_EQ(image.bytes()[2], 0xFF);
}

TEST(FlashImageClipping, RecordStraddlingTheBaseStoresItsUpperPart) {
    FlashImage image;
    ASSERT_TRUE(image.allocate(FlashImage::kSegmentedWindowSize));
    const std::uint32_t base = FlashImage::kSegmentedBaseAddress;
    ImageLoadResult result =
        loadLines(image, {record('3', base - 2, {1, 2, 3, 4}), record('3', base + 0x100, {5}), kEnd},
                  FlashImage::LoadMode::Clipping, base);
    ASSERT_TRUE(result.ok()) << result.errorText;
    EXPECT_EQ(image.bytes()[0], 3);
    EXPECT_EQ(image.bytes()[1], 4);
    EXPECT_EQ(image.bytes()[2], 0xFF);
    EXPECT_EQ(image.lowestAddress(), base);
    EXPECT_EQ(image.highestAddress(), base + 0x100);
}

TEST(FlashImageClipping, DataOutsideTheWindowIsDroppedButStillChecked) {
    FlashImage image;
    ASSERT_TRUE(image.allocate(0x1000));
    const std::uint32_t base = 0x10000;
    ImageLoadResult result = loadLines(image,
                                       {record('3', 0x100, {7, 7}), record('3', base + 0xFFE, {1, 2, 3, 4}),
                                        record('3', base + 0x2000, {9}), kEnd},
                                       FlashImage::LoadMode::Clipping, base);
    ASSERT_TRUE(result.ok()) << result.errorText;
    EXPECT_EQ(image.bytes()[0xFFE], 1);
    EXPECT_EQ(image.bytes()[0xFFF], 2);
    EXPECT_EQ(image.lowestAddress(), base + 0xFFE);
    EXPECT_EQ(image.highestAddress(), base + 0xFFF);
    EXPECT_EQ(
        loadLines(image, {record('3', 0x100, {7, 7}, 0, 1)}, FlashImage::LoadMode::Clipping, base).errorText,
        "Checksum Error! line=1");
}

TEST(FlashImageClipping, NothingInsideKeepsTheInitialRange) {
    FlashImage image;
    ASSERT_TRUE(image.allocate(0x1000));
    ASSERT_TRUE(loadLines(image, {kHeader, kEnd}, FlashImage::LoadMode::Clipping, 0x10000).ok());
    EXPECT_EQ(image.lowestAddress(), 0x11000u);
    EXPECT_EQ(image.highestAddress(), 0xFFFFu);
}

TEST(FlashImageClipping, AddressesNearTheTopOfTheAddressSpaceDoNotWrap) {
    FlashImage image;
    ASSERT_TRUE(image.allocate(0x100));
    std::vector<std::uint8_t> bytes(16, 0x5A);
    ImageLoadResult result =
        loadLines(image, {record('3', 0xFFFFFFF8, bytes), kEnd}, FlashImage::LoadMode::Clipping, 0xFFFFFF00);
    ASSERT_TRUE(result.ok()) << result.errorText;
    EXPECT_EQ(image.bytes()[0xF8], 0x5A);
    EXPECT_EQ(image.bytes()[0xFF], 0x5A);
    EXPECT_EQ(image.highestAddress(), 0xFFFFFFFFu);
    EXPECT_FALSE(
        loadLines(image, {record('3', 0xFFFFFFF8, bytes)}, FlashImage::LoadMode::Strict, 0xFFFFFF00).ok());
}

TEST(FlashImageTruncation, AFileCutAtAnyLineEndIsRefused) {
    const std::vector<std::string> lines = {kHeader,
                                            record('3', kBase, {1, 2, 3}),
                                            record('2', kBase + 3, {4, 5}),
                                            record('1', 0x0000, {}),
                                            "S5030003F9",
                                            kEnd};
    for (std::size_t kept = 1; kept < lines.size(); ++kept) {
        SCOPED_TRACE(kept);
        FlashImage image = standardImage();
        std::vector<std::string> cut(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(kept));
        // Cut after the count record the file still proves itself whole.
        const bool whole = kept == lines.size() - 1;
        EXPECT_EQ(loadLines(image, cut, FlashImage::LoadMode::Strict).errorText,
                  whole ? "" : "File Format Error!");
        EXPECT_EQ(loadLines(image, cut, FlashImage::LoadMode::Clipping).errorText,
                  whole ? "" : "File Format Error!");
    }
    FlashImage image = standardImage();
    EXPECT_TRUE(loadLines(image, lines, FlashImage::LoadMode::Strict).ok());
    EXPECT_EQ(image.bytes()[4], 5);
}

TEST(FlashImageTruncation, ALineCutShortOfItsCountIsRefusedWhereverItIsCut) {
    const std::string full = record('3', kBase, {0x10, 0x20, 0x30, 0x40});
    for (std::size_t length = 2; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        FlashImage image = standardImage();
        // Missing characters were once read as zero digits; a record that
        // happens to sum right must not slip through either.
        EXPECT_EQ(loadLines(image, {full.substr(0, length), kEnd}, FlashImage::LoadMode::Strict).errorText,
                  "File Format Error!");
    }
    for (const std::string& end : {std::string("S9"), std::string("S9030000"), std::string("S804000000")}) {
        FlashImage image = standardImage();
        EXPECT_EQ(loadLines(image, {full, end}, FlashImage::LoadMode::Strict).errorText, "File Format Error!")
            << end;
    }
    // Characters after the checksum (blanks, say) do not matter.
    FlashImage image = standardImage();
    EXPECT_TRUE(loadLines(image, {full + "  ", kEnd + " "}, FlashImage::LoadMode::Strict).ok());
}

TEST(FlashImageTruncation, CountRecordsMustMatchTheDataRecordsBeforeThem) {
    FlashImage image = standardImage();
    const std::string data = record('3', kBase, {1});
    EXPECT_TRUE(loadLines(image, {data, data, "S5030002FA", kEnd}, FlashImage::LoadMode::Strict).ok());
    EXPECT_EQ(loadLines(image, {data, data, "S5030001FB", kEnd}, FlashImage::LoadMode::Strict).errorText,
              "File Format Error!");
    EXPECT_EQ(loadLines(image, {data, "S5030002FA", kEnd}, FlashImage::LoadMode::Strict).errorText,
              "File Format Error!");
    // S6 holds the count in 24 bits.
    EXPECT_TRUE(loadLines(image, {data, "S604000001FA", kEnd}, FlashImage::LoadMode::Strict).ok());
    EXPECT_EQ(loadLines(image, {data, "S604000002F9", kEnd}, FlashImage::LoadMode::Strict).errorText,
              "File Format Error!");
    // A count record that data records follow does not end the file.
    EXPECT_EQ(loadLines(image, {data, "S5030001FB", data}, FlashImage::LoadMode::Strict).errorText,
              "File Format Error!");
    // S0 headers and unknown types are still skipped without checks.
    EXPECT_TRUE(loadLines(image, {"S0", "S4XYZ", data, kEnd}, FlashImage::LoadMode::Strict).ok());
}

TEST(FlashImageStoredRange, IsWhatWentIntoTheWindow) {
    FlashImage image;
    ASSERT_TRUE(image.allocate(0x80000));
    // Base 0: a record at the top of the address space lies wholly above the window.
    ASSERT_TRUE(loadLines(image, {record('3', 0xFFFFFFF8, {1, 2, 3, 4, 5, 6, 7, 8}), kEnd},
                          FlashImage::LoadMode::Clipping, 0)
                    .ok());
    EXPECT_FALSE(image.storedRange().has_value());
    // The loader's own range keeps its start values, as the engine expects.
    EXPECT_EQ(image.highestAddress(), 0xFFFFFFFFu);

    ASSERT_TRUE(loadLines(image, {record('3', 0x7FFFE, {1, 2, 3, 4}), record('1', 0x10, {9}), kEnd},
                          FlashImage::LoadMode::Clipping, 0)
                    .ok());
    ASSERT_TRUE(image.storedRange().has_value());
    EXPECT_EQ(image.storedRange()->lowest, 0x10u);
    EXPECT_EQ(image.storedRange()->highest, 0x7FFFFu);

    // A refused record is not counted as stored.
    EXPECT_FALSE(loadLines(image, {record('3', 0x10, {1}), record('3', 0x90000, {1}), kEnd},
                           FlashImage::LoadMode::Strict, 0)
                     .ok());
    ASSERT_TRUE(image.storedRange().has_value());
    EXPECT_EQ(image.storedRange()->highest, 0x10u);
    EXPECT_EQ(image.highestAddress(), 0x90000u);
}

TEST(FlashImageFiles, OnlyRegularFilesAreReadAndNothingBlocks) {
    TempDirectory dir;
    FlashImage image = standardImage();
    struct Case {
        std::string path;
        std::string detail;
    };
    ASSERT_EQ(::mkfifo((dir.path() / "FIFO0101.mot").c_str(), 0600), 0);
    const std::vector<Case> cases = {
        {dir.makeDirectory("DIR_0101.mot").string(), "not a regular file"},
        {(dir.path() / "FIFO0101.mot").string(), "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {"/dev/urandom", "not a regular file"},
        {(dir.path() / "NONE0101.mot").string(), "no such file"},
    };
    for (const Case& c : cases) {
        ImageLoadResult result = image.loadStrict(c.path, kBase);
        EXPECT_EQ(result.errorText, "File open Error!") << c.path;
        EXPECT_EQ(result.detail, c.detail) << c.path;
    }
    const std::string good = (dir.path() / "GOOD0101.mot").string();
    std::ofstream(good) << record('3', kBase, {7}) << "\n" << kEnd << "\n";
    EXPECT_TRUE(image.loadStrict(good, kBase).ok());
    EXPECT_EQ(image.bytes()[0], 7);
}

TEST(FlashImageBlocks, MaskCountsBitsOneToSeven) {
    FlashImage image;
    ASSERT_TRUE(image.allocate(FlashImage::kSegmentedWindowSize));
    image.bytes()[7] = 0x01;
    EXPECT_EQ(image.blocksToWrite(), 0);
    image.bytes()[7] = 0x8B;  // bits 0, 1, 3, 7
    EXPECT_EQ(image.blockMask(), 0x8B);
    EXPECT_EQ(image.blocksToWrite(), 3);
    image.bytes()[7] = 0xFF;
    EXPECT_EQ(image.blocksToWrite(), 7);
}

TEST(FlashImageBlocks, ChecksumTableHoldsComplementedBlockSums) {
    FlashImage image;
    ASSERT_TRUE(image.allocate(FlashImage::kSegmentedWindowSize));
    std::mt19937 random(7);
    for (std::size_t i = FlashImage::kBlockSize; i < 3 * FlashImage::kBlockSize; ++i) {
        image.bytes()[i] = static_cast<std::uint8_t>(random());
    }
    ASSERT_TRUE(image.buildBlockChecksumTable());
    for (int block = 1; block < 16; ++block) {
        unsigned sum = 0;
        for (std::size_t i = 0; i < FlashImage::kBlockSize; ++i)
            sum += image.bytes()[block * FlashImage::kBlockSize + i];
        std::uint16_t expected = static_cast<std::uint16_t>(~sum);
        std::size_t at = 10 + 2 * (block - 1);
        EXPECT_EQ(image.bytes()[at], expected >> 8) << block;
        EXPECT_EQ(image.bytes()[at + 1], expected & 0xFF) << block;
    }
    // An erased block sums to 0xFF0000, whose complement's low word is 0xFFFF.
    EXPECT_EQ(image.bytes()[10 + 2 * 14], 0xFF);
    EXPECT_EQ(image.bytes()[9], 0xFF);
    EXPECT_EQ(image.bytes()[40], 0xFF);

    FlashImage small = standardImage();
    EXPECT_FALSE(small.buildBlockChecksumTable());
}

// Images written by the usual tools from a binary made here.
class ToolWrittenImage : public ::testing::Test {
  protected:
    void SetUp() override {
        std::mt19937 random(1234);
        binary.resize(70000 + 3);  // more than one 64 KB address segment, odd length
        for (std::uint8_t& byte : binary)
            byte = static_cast<std::uint8_t>(random());
        std::ofstream out(dir.path() / "image.bin", std::ios::binary);
        out.write(reinterpret_cast<const char*>(binary.data()), static_cast<std::streamsize>(binary.size()));
    }

    std::string convert(const std::string& command) {
        std::string output = (dir.path() / "image.mot").string();
        std::string full = command + " >/dev/null 2>&1";
        std::size_t in = full.find("IN");
        full.replace(in, 2, (dir.path() / "image.bin").string());
        std::size_t out = full.find("OUT");
        full.replace(out, 3, output);
        if (std::system(full.c_str()) != 0)
            return {};
        return output;
    }

    void expectMatchesBinary(const std::string& motFile, std::uint32_t base, FlashImage::LoadMode mode,
                             std::uint32_t windowSize = kWindow) {
        ASSERT_FALSE(motFile.empty()) << "the converter failed";
        FlashImage image;
        ASSERT_TRUE(image.allocate(windowSize));
        ImageLoadResult result = image.load(motFile, base, mode);
        ASSERT_TRUE(result.ok()) << result.errorText;
        std::vector<std::uint8_t> window(windowSize, 0xFF);
        std::copy(binary.begin(), binary.end(), window.begin());
        ASSERT_TRUE(std::equal(window.begin(), window.end(), image.bytes().begin()));
        EXPECT_EQ(image.lowestAddress(), base);
        EXPECT_EQ(image.highestAddress(), base + binary.size() - 1);
        EXPECT_EQ(image.checksum(), windowChecksum(window));
        EXPECT_EQ(image.fileName(), motFile);
    }

    TempDirectory dir;
    std::vector<std::uint8_t> binary;
};

TEST_F(ToolWrittenImage, ObjcopyDefaultRecords) {
    expectMatchesBinary(convert("objcopy -I binary -O srec --change-addresses 0x200000 IN OUT"), kBase,
                        FlashImage::LoadMode::Strict);
}

TEST_F(ToolWrittenImage, ObjcopyForcedS3) {
    expectMatchesBinary(
        convert("objcopy -I binary -O srec --srec-forceS3 --change-addresses 0x300000 IN OUT"),
        FlashImage::kSegmentedBaseAddress, FlashImage::LoadMode::Clipping, FlashImage::kSegmentedWindowSize);
}

TEST_F(ToolWrittenImage, ObjcopyRecordLengths) {
    // 119 data bytes is the longest S3 record that fits a 254-character piece.
    for (int length : {1, 64, 119}) {
        SCOPED_TRACE(length);
        expectMatchesBinary(convert("objcopy -I binary -O srec --srec-forceS3 --srec-len=" +
                                    std::to_string(length) + " --change-addresses 0x200000 IN OUT"),
                            kBase, FlashImage::LoadMode::Strict);
    }
}

TEST_F(ToolWrittenImage, RecordsLongerThanAPieceAreRejected) {
    std::string file =
        convert("objcopy -I binary -O srec --srec-forceS3 --srec-len=200 --change-addresses 0x200000 IN OUT");
    ASSERT_FALSE(file.empty());
    FlashImage image = standardImage();
    // The first piece of the long record holds fewer characters than its count announces.
    EXPECT_EQ(image.loadStrict(file, kBase).errorText, "File Format Error!");
}

TEST_F(ToolWrittenImage, SrecCat) {
    expectMatchesBinary(convert("srec_cat IN -binary -offset 0x200000 -o OUT -motorola"), kBase,
                        FlashImage::LoadMode::Strict);
}

TEST_F(ToolWrittenImage, SrecCatAddressBeyondTheWindow) {
    std::string file = convert("srec_cat IN -binary -offset 0x27FF00 -o OUT -motorola");
    ASSERT_FALSE(file.empty());
    FlashImage image = standardImage();
    ImageLoadResult result = image.loadStrict(file, kBase);
    EXPECT_EQ(result.errorText.rfind("Address Error! Address=", 0), 0u) << result.errorText;
}

}  // namespace
}  // namespace data
