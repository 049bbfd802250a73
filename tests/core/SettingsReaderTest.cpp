#include "core/SettingsReader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "RecordingNotifier.h"
#include "TestDirectory.h"

using core::Settings;
using core::SettingsReader;
using platform::IniFile;
using testing_support::CurrentDirectoryGuard;
using testing_support::RecordingNotifier;
using testing_support::TempDirectory;

namespace {

class SettingsReaderTest : public ::testing::Test {
  protected:
    Settings read(const std::string& text) {
        return SettingsReader::read(IniFile::fromText(text), program, notifier);
    }
    Settings readFile(const IniFile& file) { return SettingsReader::read(file, program, notifier); }

    CurrentDirectoryGuard restore;
    TempDirectory folder;
    std::string program = std::filesystem::canonical(folder.makeDirectory("program")).string();
    RecordingNotifier notifier;
};

void expectTiming(const data::UnitTiming& timing, int bootIn, int bootOut, int timeout, int retryTime) {
    EXPECT_EQ(timing.bootIn, bootIn);
    EXPECT_EQ(timing.bootOut, bootOut);
    EXPECT_EQ(timing.timeout, timeout);
    EXPECT_EQ(timing.retryTime, retryTime);
}

}  // namespace

TEST_F(SettingsReaderTest, NoSettingsFileGivesAllDefaults) {
    Settings settings = readFile(IniFile::load(program + "/FLASHKIT.INI"));
    EXPECT_EQ(settings.comm.deviceName, "COM1");
    EXPECT_EQ(settings.comm.baudRate, 115200);
    EXPECT_EQ(settings.comm.replyWaitMs, 200);
    EXPECT_EQ(settings.comm.debugLevel, 0);
    EXPECT_EQ(settings.comm.waitTime, 0);
    EXPECT_EQ(settings.dataRoot, program);
    EXPECT_EQ(settings.defaultListName, "UNIT.LST");
    EXPECT_EQ(settings.defaultListPath, program + "/UNIT.LST");
    EXPECT_EQ(settings.font, core::FontSetting{});
    EXPECT_EQ(settings.checkStatus, 1);
    EXPECT_EQ(settings.advanced, 1);
    expectTiming(settings.timing[0], 10, 5, 10, 10);
    expectTiming(settings.timing[1], 10, 5, 10, 10);
    expectTiming(settings.timing[2], 10, 5, 20, 10);
    expectTiming(settings.timing[3], 10, 5, 20, 10);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ(std::filesystem::current_path().string(), program);
}

TEST_F(SettingsReaderTest, DeviceIsTakenOnlyWhenShorterThan64) {
    EXPECT_EQ(read("[HOST]\nBAUDRATE=1\n").comm.deviceName, "COM1");
    EXPECT_EQ(read("[HOST]\nDEVICE=" + std::string(63, 'd') + "\n").comm.deviceName, std::string(63, 'd'));
    EXPECT_EQ(read("[HOST]\nDEVICE=" + std::string(64, 'd') + "\n").comm.deviceName, "");
    EXPECT_EQ(read("[HOST]\nDEVICE=" + std::string(5000, 'd') + "\n").comm.deviceName, "");
    // Case is kept; the port list decides later whether it names a port.
    EXPECT_EQ(read("[HOST]\nDEVICE=com1\n").comm.deviceName, "com1");
}

TEST_F(SettingsReaderTest, HostIntegersAndTheirRules) {
    Settings settings = read("[HOST]\nBAUDRATE=38400\nDEBUG=2\nWAIT_TIME=9\n");
    EXPECT_EQ(settings.comm.baudRate, 38400);
    EXPECT_EQ(settings.comm.debugLevel, 2);
    EXPECT_EQ(settings.comm.waitTime, 9);
    EXPECT_EQ(read("[HOST]\nWAIT_TIME=10\n").comm.waitTime, 0);
    EXPECT_EQ(read("[HOST]\nWAIT_TIME=-1\n").comm.waitTime, 0);
    EXPECT_EQ(read("[HOST]\nWAIT_TIME=0\n").comm.waitTime, 0);
}

TEST_F(SettingsReaderTest, NonNumericIntegersGiveZero) {
    Settings settings =
        read("[HOST]\nBAUDRATE=fast\nDEBUG=on\n[DATA]\nCHECKSTATUS=yes\n[SRF7_INTERVAL]\nBOOTIN=soon\n");
    EXPECT_EQ(settings.comm.baudRate, 0);
    // What was written stays at hand for a message about it.
    EXPECT_EQ(settings.baudRateText, "fast");
    EXPECT_EQ(read("[HOST]\nBAUDRATE=4294967296\n").comm.baudRate, 0);
    EXPECT_EQ(read("[HOST]\nDEBUG=1\n").baudRateText, "");
    EXPECT_EQ(settings.comm.debugLevel, 0);
    EXPECT_EQ(settings.checkStatus, 0);
    // 0 is out of range for a timing, so it becomes the upper bound.
    EXPECT_EQ(settings.timing[0].bootIn, 30);
}

TEST_F(SettingsReaderTest, TimingsOutsideOneToThirtyBecomeThirty) {
    auto bootIn = [this](const char* value) {
        return read(std::string("[LIO7_INTERVAL]\nBOOTIN=") + value + "\n").timing[2].bootIn;
    };
    EXPECT_EQ(bootIn("30"), 30);
    EXPECT_EQ(bootIn("31"), 30);
    EXPECT_EQ(bootIn("0"), 30);
    EXPECT_EQ(bootIn("-5"), 30);
    EXPECT_EQ(bootIn("1"), 1);

    Settings settings = read(
        "[SRF7_INTERVAL]\nBOOTOUT=7\n[ENG7_INTERVAL]\nTIMEOUT=99\n[XDG7_INTERVAL]\nRETRYTIME=2\nBOOTIN=3\n");
    expectTiming(settings.timing[0], 10, 7, 10, 10);
    expectTiming(settings.timing[1], 10, 5, 30, 10);
    expectTiming(settings.timing[2], 10, 5, 20, 10);
    expectTiming(settings.timing[3], 3, 5, 20, 2);
}

TEST_F(SettingsReaderTest, CheckStatusKeepsItsLowEightBits) {
    EXPECT_EQ(read("[DATA]\nCHECKSTATUS=256\n").checkStatus, 0);
    EXPECT_EQ(read("[DATA]\nCHECKSTATUS=257\n").checkStatus, 1);
    EXPECT_EQ(read("[DATA]\nCHECKSTATUS=0\n").checkStatus, 0);
    EXPECT_EQ(read("[DATA]\nCHECKSTATUS=-1\n").checkStatus, 255);
}

TEST_F(SettingsReaderTest, FontAndDefaultList) {
    Settings settings = read("[DATA]\nFONT=Arial\nDEFAULT=OTHER.LST\n");
    EXPECT_EQ(settings.font, (core::FontSetting{"Arial", 14, 0, 0}));
    EXPECT_EQ(settings.defaultListPath, program + "/OTHER.LST");
    EXPECT_EQ(read("[DATA]\nFONT=,12,1\n").font, (core::FontSetting{"Terminal", 12, 1, 0}));
    EXPECT_EQ(read("[DATA]\nFONT=\n").font, (core::FontSetting{"Terminal", 14, 0, 0}));
    EXPECT_EQ(read("[DATA]\nFONT=Arial,5\n").font.pointSize, 8);
    EXPECT_EQ(read("[DATA]\nFONT=Arial,40\n").font.pointSize, 36);
    EXPECT_EQ(read("[DATA]\nDEFAULT=" + std::string(5000, 'L') + "\n").defaultListName.size(), 4095u);
}

TEST_F(SettingsReaderTest, RelativeRootIsTakenFromTheProgramDirectory) {
    std::filesystem::create_directories(program + "/units/SRF7");
    Settings settings = read("[DATA]\nROOT=units\n");
    EXPECT_EQ(settings.dataRoot, program + "/units");
    EXPECT_EQ(std::filesystem::current_path().string(), program + "/units");
    EXPECT_EQ(settings.defaultListPath, program + "/units/UNIT.LST");
    EXPECT_EQ(read("[DATA]\nROOT=.\n").dataRoot, program);
    EXPECT_EQ(read("[DATA]\nROOT=units/SRF7/..\n").dataRoot, program + "/units");
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(SettingsReaderTest, RootWithATrailingSeparatorIsAccepted) {
    std::string data = std::filesystem::canonical(folder.makeDirectory("data")).string();
    EXPECT_EQ(read("[DATA]\nROOT=" + data + "/\n").dataRoot, data);
    // Settings written for the original system end folders with a backslash.
    EXPECT_EQ(read("[DATA]\nROOT=" + data + "\\\n").dataRoot, data);
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(SettingsReaderTest, RootThatIsNoFolderFallsBackWithTheMessage) {
    std::string file = folder.writeFile("program/UNIT.LST", "");
    Settings settings = read("[DATA]\nROOT=" + file + "\n");
    EXPECT_EQ(settings.dataRoot, program);
    EXPECT_EQ(std::filesystem::current_path().string(), program);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text,
              "Data Root(" + file + ") was not found. Data Root is set \"" + program + "\".");
    EXPECT_EQ(notifier.messages[0].icon, core::MessageIcon::None);

    notifier.messages.clear();
    read("[DATA]\nROOT=/no/such/folder\\\n");
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text,
              "Data Root(/no/such/folder\\) was not found. Data Root is set \"" + program + "\".");

    // A value of thousands of characters is cut in the message (not in the setting).
    notifier.messages.clear();
    read("[DATA]\nROOT=" + std::string(4000, 'r') + "\n");
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, "Data Root(" + std::string(80, 'r') +
                                             "... (4000 characters)) was not found. Data Root is set \"" +
                                             program + "\".");
}

TEST_F(SettingsReaderTest, ReadsARealFileWithGarbageAround) {
    std::string content = std::string("\x01\x02\xff\xfe garbage\n") +
                          "[host]\r\n device = /dev/ttyUSB0 \r\nno equals here\r\n" +
                          std::string(100000, 'z') + "\r\n[Data]\r\nCHECKSTATUS=0\r\n";
    Settings settings = readFile(IniFile::load(folder.writeFile("program/FLASHKIT.INI", content)));
    EXPECT_EQ(settings.comm.deviceName, "/dev/ttyUSB0");
    EXPECT_EQ(settings.checkStatus, 0);
    EXPECT_EQ(settings.comm.baudRate, 115200);
}
