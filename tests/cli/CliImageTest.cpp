#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "CliTestSupport.h"

namespace clitest {
namespace {

// Window checksum of an all-0xFF window of n bytes: (n / 2 - 1) words of 0xFFFF.
std::uint16_t erasedChecksum(std::uint32_t windowBytes) {
    return static_cast<std::uint16_t>((windowBytes / 2 - 1) * 0xFFFFu);
}

class CliImage : public ::testing::Test {
  protected:
    ScratchFolder folder;
};

TEST_F(CliImage, GoodFileReportsRangeAndChecksumInTextAndJson) {
    folder.write("MAIN0105.mot",
                 sRecord('0', 0, {'H', 'D', 'R'}) + "\n" + sRecord('2', 0x200000, {0x12, 0x34, 0x56, 0x78}) +
                     "\n" + sRecord('2', 0x200010, {0xAB, 0xCD}) + "\n" + sRecord('8', 0, {}) + "\n");
    // Words 0x1234 and 0x5678 and 0xABCD replace three 0xFFFF words of the window.
    const std::uint16_t expected =
        static_cast<std::uint16_t>(erasedChecksum(0x80000) - 3 * 0xFFFF + 0x1234 + 0x5678 + 0xABCD);

    auto outcome = runCli({"image", folder.file("MAIN0105.mot")});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("lowest    0x00200000"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("highest   0x00200011"), std::string::npos) << outcome.out;
    char checksumLine[32];
    std::snprintf(checksumLine, sizeof checksumLine, "checksum  0x%04X", expected);
    EXPECT_NE(outcome.out.find(checksumLine), std::string::npos) << outcome.out;
    EXPECT_TRUE(outcome.err.empty()) << outcome.err;

    outcome = runCli({"--json", "image", folder.file("MAIN0105.mot")});
    EXPECT_EQ(outcome.exitStatus, 0);
    const auto json = nlohmann::json::parse(outcome.out);
    EXPECT_EQ(json["lowest"], 0x200000);
    EXPECT_EQ(json["highest"], 0x200011);
    EXPECT_EQ(json["checksum"], expected);
    EXPECT_TRUE(json["error"].is_null());
    EXPECT_FALSE(json.contains("blockMask"));
}

TEST_F(CliImage, ClipKeepsTheWindowAndReportsTheBlockMask) {
    // Block 0 carries the mask byte at offset 7 (blocks 1 and 2), and one record straddles the base.
    folder.write("SEG.mot", sRecord('2', 0x300000, {0, 0, 0, 0, 0, 0, 0, 0x06}) + "\n" +
                                sRecord('2', 0x2FFFFE, {1, 2, 3, 4}) + "\n" + sRecord('2', 0x3FFFFF, {9, 9}) +
                                "\n" + sRecord('9', 0, {}) + "\n");
    const auto outcome = runCli(
        {"--json", "image", folder.file("SEG.mot"), "--base", "0x300000", "--window", "0x100000", "--clip"});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    const auto json = nlohmann::json::parse(outcome.out);
    EXPECT_EQ(json["blockMask"], 0x06);
    EXPECT_EQ(json["lowest"], 0x300000);
    EXPECT_EQ(json["highest"], 0x3FFFFF);
    EXPECT_TRUE(json["error"].is_null());

    const auto strict =
        runCli({"image", folder.file("SEG.mot"), "--base", "0x300000", "--window", "0x100000"});
    EXPECT_EQ(strict.exitStatus, 2);
    EXPECT_NE(strict.err.find("Address Error! Address=002FFFFEH, Line=2"), std::string::npos) << strict.err;
}

TEST_F(CliImage, EveryLoaderErrorIsReportedWithExitTwo) {
    folder.write("EMPTY.mot", "");
    folder.write("FORMAT.mot", sRecord('2', 0x200000, {1}) + "\nXYZ\n");
    folder.write("SUM.mot", sRecord('2', 0x200000, {1, 2}) + "\n" + "S2062000101234FF\n" + "\n");
    folder.write("RANGE.mot", sRecord('3', 0x00280000, {1}) + "\n");
    struct Case {
        std::string file;
        std::string error;
        std::string detail;
    };
    const std::vector<Case> cases = {
        {"MISSING.mot", "File open Error!", " (no such file)"},
        {"EMPTY.mot", "Data is Empty!", ""},
        {"FORMAT.mot", "File Format Error!", ""},
        {"SUM.mot", "Checksum Error! line=2", ""},
        {"RANGE.mot", "Address Error! Address=00280000H, Line=1", ""},
    };
    for (const auto& entry : cases) {
        const auto text = runCli({"image", folder.file(entry.file)});
        EXPECT_EQ(text.exitStatus, 2) << entry.file;
        EXPECT_TRUE(text.out.empty()) << entry.file << ": " << text.out;
        EXPECT_EQ(text.err,
                  "flashkit-cli: " + folder.file(entry.file) + ": " + entry.error + entry.detail + "\n");

        const auto json = runCli({"--json", "image", folder.file(entry.file)});
        EXPECT_EQ(json.exitStatus, 2) << entry.file;
        EXPECT_EQ(nlohmann::json::parse(json.out)["error"], entry.error) << entry.file;
    }
}

TEST_F(CliImage, ATruncatedImageIsAFormatErrorNeverARange) {
    const std::string whole = sRecord('0', 0, {'H'}) + "\n" + sRecord('2', 0x200000, {1, 2, 3, 4}) + "\n" +
                              sRecord('2', 0x200004, {5, 6, 7, 8}) + "\n" + sRecord('8', 0x200000, {}) + "\n";
    folder.write("WHOLE.mot", whole);
    EXPECT_EQ(runCli({"image", folder.file("WHOLE.mot")}).exitStatus, 0);
    // Cut at the last line end (no termination record) and inside a line.
    const std::size_t lastLine = whole.rfind('S');
    folder.write("ATLINE.mot", whole.substr(0, lastLine));
    folder.write("INLINE.mot", whole.substr(0, lastLine - 5));
    for (const char* name : {"ATLINE.mot", "INLINE.mot"}) {
        const auto outcome = runCli({"--json", "image", folder.file(name)});
        EXPECT_EQ(outcome.exitStatus, 2) << name;
        EXPECT_EQ(nlohmann::json::parse(outcome.out)["error"], "File Format Error!") << name;
    }
}

TEST_F(CliImage, ClippingNearFourGigabytesReportsOnlyWhatWasStored) {
    folder.write("TOP.mot",
                 sRecord('3', 0xFFFFFFF8, {1, 2, 3, 4, 5, 6, 7, 8}) + "\n" + sRecord('7', 0, {}) + "\n");
    auto outcome = runCli({"--json", "image", folder.file("TOP.mot"), "--base", "0", "--clip"});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    auto json = nlohmann::json::parse(outcome.out);
    EXPECT_TRUE(json["lowest"].is_null()) << outcome.out;
    EXPECT_TRUE(json["highest"].is_null()) << outcome.out;
    outcome = runCli({"image", folder.file("TOP.mot"), "--base", "0", "--clip"});
    EXPECT_NE(outcome.out.find("highest    -"), std::string::npos) << outcome.out;

    // A window at the very top stores the record and says so.
    outcome = runCli(
        {"--json", "image", folder.file("TOP.mot"), "--base", "0xFFFFFF00", "--window", "0x100", "--clip"});
    json = nlohmann::json::parse(outcome.out);
    EXPECT_EQ(json["lowest"], 0xFFFFFFF8u);
    EXPECT_EQ(json["highest"], 0xFFFFFFFFu);
}

TEST_F(CliImage, AnImageThatIsNoRegularFileIsRefusedAtOnce) {
    std::filesystem::create_directory(folder.file("DIR.mot"));
    ASSERT_EQ(::mkfifo(folder.file("FIFO.mot").c_str(), 0600), 0);
    for (const std::string& path : {folder.file("DIR.mot"), folder.file("FIFO.mot"), std::string("/dev/zero"),
                                    std::string("/dev/urandom")}) {
        const auto outcome = runCli({"image", path});
        EXPECT_EQ(outcome.exitStatus, 2) << path;
        EXPECT_EQ(outcome.err, "flashkit-cli: " + path + ": File open Error! (not a regular file)\n");
        const auto json = runCli({"--json", "image", path});
        EXPECT_EQ(nlohmann::json::parse(json.out)["detail"], "not a regular file") << path;
    }
}

TEST_F(CliImage, BadArgumentsGiveOneLineAndExitTwo) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"image"}, {"image", "A.mot", "--window", "-5"}, {"nonsense"}, {}}) {
        const auto outcome = runCli(arguments);
        EXPECT_EQ(outcome.exitStatus, 2);
        EXPECT_TRUE(outcome.out.empty());
        ASSERT_FALSE(outcome.err.empty());
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
    }
    const auto help = runCli({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("getver"), std::string::npos);
}

}  // namespace
}  // namespace clitest
