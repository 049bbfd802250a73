#include "platform/TextFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>

#include "TestDirectory.h"
#include "platform/PlainText.h"

using platform::TextFile;
using platform::TextFileError;
using testing_support::TempDirectory;

namespace {

TEST(TextFile, ARegularFileIsReadWholeWithAnyBytes) {
    TempDirectory folder;
    const std::string bytes = std::string("A\0B\xFF\r\n", 6) + std::string(200000, 'x');
    const auto content = TextFile::read(folder.writeFile("UNIT.LST", bytes));
    ASSERT_TRUE(content.ok()) << content.reason();
    EXPECT_EQ(content.text, bytes);
    EXPECT_EQ(content.reason(), "");

    const auto empty = TextFile::read(folder.writeFile("EMPTY.LST", ""));
    EXPECT_TRUE(empty.ok());
    EXPECT_TRUE(empty.text.empty());
}

TEST(TextFile, NothingButARegularFileIsReadAndNothingBlocks) {
    TempDirectory folder;
    ASSERT_EQ(::mkfifo((folder / "FIFO.INI").c_str(), 0600), 0);
    const auto started = std::chrono::steady_clock::now();
    // A FIFO without a writer, devices that never end, a folder.
    for (const std::string& path :
         {folder / "FIFO.INI", std::string("/dev/zero"), std::string("/dev/urandom"),
          std::string("/dev/null"), folder.makeDirectory("DIR.INI")}) {
        const auto content = TextFile::read(path);
        EXPECT_EQ(content.error, TextFileError::NotRegular) << path;
        EXPECT_EQ(content.reason(), "not a regular file") << path;
        EXPECT_TRUE(content.text.empty());
        EXPECT_EQ(TextFile::check(path).error, TextFileError::NotRegular) << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

    const auto missing = TextFile::read(folder / "NONE.INI");
    EXPECT_EQ(missing.error, TextFileError::Missing);
    EXPECT_EQ(missing.reason(), "no such file");
    EXPECT_EQ(TextFile::read(folder.writeFile("FILE", "x") + "/below").error, TextFileError::Missing);
    EXPECT_EQ(TextFile::check(folder / "NONE.INI").error, TextFileError::Missing);
}

TEST(TextFile, AFileAboveTheLimitIsRefusedWithItsReason) {
    TempDirectory folder;
    const std::string path = folder.writeFile("BIG.mot", std::string(4097, 'S'));
    const auto refused = TextFile::read(path, 4096);
    EXPECT_EQ(refused.error, TextFileError::TooLarge);
    EXPECT_EQ(refused.reason(), "larger than 4096 bytes");
    EXPECT_TRUE(refused.text.empty());
    EXPECT_TRUE(TextFile::read(path, 4097).ok());

    platform::TextFileContent large;
    large.error = TextFileError::TooLarge;
    large.limit = TextFile::kDefaultLimit;
    EXPECT_EQ(large.reason(), "larger than 64 MB");
    // A sparse file of 65 MB takes no disk space and is still refused by its size.
    const std::string sparse = folder.writeFile("SPARSE.mot", "");
    ASSERT_EQ(::truncate(sparse.c_str(), (std::int64_t{65} << 20)), 0);
    EXPECT_EQ(TextFile::read(sparse).error, TextFileError::TooLarge);
}

TEST(PlainText, LongValuesInMessagesAreCutToAReadableLength) {
    EXPECT_EQ(platform::shortenedForMessage("/dev/ttyS1"), "/dev/ttyS1");
    const std::string exact(platform::kMessageValueLimit, 'a');
    EXPECT_EQ(platform::shortenedForMessage(exact), exact);

    const std::string shortened = platform::shortenedForMessage(std::string(10000, 'b'));
    EXPECT_EQ(shortened, std::string(platform::kMessageValueLimit, 'b') + "... (10000 characters)");

    // "é" is two bytes: the cut goes before it rather than through it.
    const std::string accented = std::string(79, 'c') + "\xC3\xA9" + std::string(50, 'd');
    EXPECT_EQ(platform::shortenedForMessage(accented), std::string(79, 'c') + "... (131 characters)");
}

}  // namespace
