#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "data/FlashImage.h"
#include "data/VersionValue.h"
#include "sim/ConsoleDescription.h"
#include "sim/ConsoleState.h"
#include "sim/FaultSwitches.h"

namespace {

namespace fs = std::filesystem;

TEST(VersionNotation, TextsGiveTheWordsThatShowAsThoseTexts) {
    for (const char* text : {"1.00", "1.05", "2.05S3X", "2.10R", "16.99", "1.00X", "3.01SE", "1.--R"}) {
        SCOPED_TRACE(text);
        const auto word = sim::versionWordFromText(text);
        ASSERT_TRUE(word.has_value());
        EXPECT_EQ(data::VersionValue::fromWord(*word).text(), text);
    }
    EXPECT_EQ(sim::versionWordFromText("2.05S3X"), 0x3185);
    EXPECT_EQ(sim::versionWordFromText("1.05"), 0x0005);
    for (const char* bad : {"", "1", "1.5", "0.10", "17.00", "1.05Q", "1.05S0", "1.05SF", "abc"}) {
        EXPECT_FALSE(sim::versionWordFromText(bad).has_value()) << bad;
    }
}

TEST(FaultSwitchText, EverySwitchAndItsErrors) {
    sim::FaultSwitches faults;
    std::string error;
    for (const char* text :
         {"silent", "reject-erase", "reject-block=3", "reject-checksum", "wrong-target", "echo-first",
          "drop-every=2", "drop-nth=4", "delay=40", "corrupt-every=5", "keep-version"}) {
        EXPECT_TRUE(sim::applyFaultSwitch(faults, text, error)) << text << ": " << error;
    }
    EXPECT_TRUE(faults.silent && faults.rejectErase && faults.rejectChecksum && faults.wrongTarget &&
                faults.echoFirst && faults.keepVersion);
    EXPECT_EQ(faults.rejectBlock, 3);
    EXPECT_EQ(faults.dropEvery, 2);
    EXPECT_EQ(faults.dropNth, 4);
    EXPECT_EQ(faults.delayMs, 40);
    EXPECT_EQ(faults.corruptEvery, 5);
    for (const char* bad : {"loud", "reject-block", "reject-block=0", "drop-every=x", "drop-nth=0",
                            "silent=1", "delay=-4", "keep-version=1"}) {
        sim::FaultSwitches untouched;
        error.clear();
        EXPECT_FALSE(sim::applyFaultSwitch(untouched, bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(FaultSwitchText, CpuSwitchesAddToTheUnits) {
    sim::FaultSwitches unit;
    unit.silent = true;
    unit.delayMs = 10;
    sim::FaultSwitches cpu;
    cpu.delayMs = 30;
    cpu.rejectBlock = 2;
    const sim::FaultSwitches merged = sim::FaultSwitches::merged(unit, cpu);
    EXPECT_TRUE(merged.silent);
    EXPECT_EQ(merged.delayMs, 30);
    EXPECT_EQ(merged.rejectBlock, 2);
}

TEST(ConsoleDescription, DemoDataRootGivesTheUnitsOfItsSettingsFiles) {
    sim::ConsoleDescription console;
    std::string error;
    ASSERT_TRUE(sim::loadConsoleDescription({QX7A_DEMO_ROOT "/console.json", ""}, console, error)) << error;
    ASSERT_EQ(console.units.size(), 5u);
    const sim::SimUnit* eng7 = console.findUnit("ENG7");
    ASSERT_NE(eng7, nullptr);
    EXPECT_EQ(eng7->type, 1);
    EXPECT_TRUE(eng7->blockRead);
    EXPECT_EQ(eng7->blockAddress, 4096);
    EXPECT_EQ(eng7->blockCount, 3);
    ASSERT_EQ(eng7->cpus.size(), 3u);
    EXPECT_EQ(eng7->cpus[1].name, "DSP1");
    EXPECT_EQ(eng7->cpus[1].busAddress, 20);
    EXPECT_EQ(eng7->cpus[1].versionAddress, 4114);
    EXPECT_EQ(eng7->cpus[1].group, 1);
    EXPECT_EQ(eng7->cpus[1].versionWord, 0x0102);
    const sim::SimUnit* srf7 = console.findUnit("SRF7");
    ASSERT_NE(srf7, nullptr);
    EXPECT_FALSE(srf7->blockRead);
    EXPECT_EQ(srf7->versionAddress, 256);
    EXPECT_EQ(srf7->versionWord, 0x0005);
    EXPECT_EQ(srf7->cpus[1].idAddress, 264);
    ASSERT_TRUE(srf7->cpus[1].preset.has_value());  // bus 2: the calibration area
    EXPECT_EQ(console.findUnit("LIO7")->cpus[1].idByte, 2);
    EXPECT_EQ(console.findUnit("XDG7")->cpus[0].idByte, 5);
    EXPECT_EQ(console.findUnit("XDG7D")->kind(), sim::SimUnit::kTypeDirect);

    sim::ConsoleState state(std::move(console));
    const auto dsp = state.genericAt(20);
    ASSERT_TRUE(dsp.has_value());
    EXPECT_EQ(state.cpusOf(dsp->flash).size(), 2u);  // DSP1 and DSP2 share one flash
}

// Every demo image loads with FLASHKIT's own loader, and the version word at
// window offset 0x40 is the version its file name gives.
TEST(ConsoleDescription, DemoImagesCarryTheVersionOfTheirFileNames) {
    int images = 0;
    for (const auto& entry : fs::recursive_directory_iterator(QX7A_DEMO_ROOT)) {
        if (entry.path().extension() != ".mot") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        ++images;
        const std::string unit = entry.path().parent_path().filename().string();
        const bool segmented = unit == "XDG7" || unit == "XDG7D";
        data::FlashImage image;
        ASSERT_TRUE(image.allocate(segmented ? data::FlashImage::kSegmentedWindowSize
                                             : data::FlashImage::kStandardWindowSize));
        const auto result =
            segmented ? image.loadClipping(entry.path().string(), data::FlashImage::kSegmentedBaseAddress)
                      : image.loadStrict(entry.path().string(), 0x200000);
        ASSERT_TRUE(result.ok()) << result.errorText;
        const std::uint16_t word =
            static_cast<std::uint16_t>((image.bytes()[0x40] << 8) | image.bytes()[0x41]);
        const std::string stem = entry.path().stem().string();
        EXPECT_EQ(data::VersionValue::fromWord(word).compare(data::VersionValue::fromText(stem.substr(4))),
                  0);
        if (segmented) {
            EXPECT_GT(image.blocksToWrite(), 0);
        }
        std::ifstream text(entry.path());
        std::string content((std::istreambuf_iterator<char>(text)), std::istreambuf_iterator<char>());
        EXPECT_NE(content.find("\nS2"), std::string::npos);
        EXPECT_NE(content.find("\nS3"), std::string::npos);
    }
    EXPECT_GE(images, 8);
}

TEST(ConsoleDescription, JsonAloneDescribesAConsole) {
    sim::ConsoleDescription console;
    std::string error;
    ASSERT_TRUE(sim::loadConsoleDescriptionText(
        R"({"connectionPoint": "0x10", "units": {"ENG7": {"type": 1, "versionAddress": "0x0100",
            "faults": ["delay=5"], "cpus": {"A": {"bus": 3, "version": 17}, "B": {"bus": 4}}}}})",
        ".", "", console, error))
        << error;
    EXPECT_EQ(console.connectionPoint, 0x10);
    ASSERT_EQ(console.units.size(), 1u);
    EXPECT_EQ(console.units[0].versionAddress, 0x100);
    EXPECT_EQ(console.units[0].faults.delayMs, 5);
    ASSERT_EQ(console.units[0].cpus.size(), 2u);
    EXPECT_EQ(console.units[0].cpus[0].name, "A");
    EXPECT_EQ(console.units[0].cpus[0].versionWord, 17);
    EXPECT_EQ(console.units[0].versionWord, 17);  // the unit's word follows its first CPU
}

TEST(ConsoleDescription, BadDescriptionsAreRefusedWithAReason) {
    const char* bad[] = {
        "not json",
        "[1, 2]",
        R"({"units": {}})",
        R"({"units": {"A": {"cpus": {"M": {"version": "one"}}}}})",
        R"({"units": {"A": {"cpus": {"M": {"bus": 300}}}}})",
        R"({"units": {"A": {"cpus": {"M": {"bus": -1}}}}})",
        R"({"units": {"A": {"faults": ["loud"]}}})",
        R"({"units": {"A": {"faults": "silent"}}})",
        R"({"units": {"A": {"cpus": ["M"]}}})",
        R"({"units": {"A": {"type": "two"}}})",
        R"({"dataRoot": "/nonexistent/folder"})",
        R"({"connectionPoint": 999, "units": {"A": {}}})",
    };
    for (const char* text : bad) {
        sim::ConsoleDescription console;
        std::string error;
        EXPECT_FALSE(sim::loadConsoleDescriptionText(text, ".", "", console, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(ConsoleDescription, UnitListLinesAndSettingsFollowTheProgramsRules) {
    const fs::path root =
        fs::temp_directory_path() /
        ("qx7a-sim-root-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    fs::create_directories(root / "UnitB");
    std::ofstream(root / "UNIT.LST") << "\r\n  UNITB, , \r\n, nameless\r\nUNITC, UnitB, C\r\n";
    std::ofstream(root / "UnitB" / "c.set")
        << "[SETTINGS]\nTYPE=4\nSTATUS=12288, 2\n[CPU]\nX=PRE_, 48, 0, 100, 200, 1\nY=PRE_\n";
    sim::ConsoleDescription console;
    std::string error;
    ASSERT_TRUE(sim::loadConsoleDescription({"", root.string()}, console, error)) << error;
    ASSERT_EQ(console.units.size(), 2u);
    EXPECT_EQ(console.units[0].name, "UNITB");
    EXPECT_TRUE(console.units[0].cpus.empty());  // its directory and settings file do not exist
    const sim::SimUnit& unitC = console.units[1];
    EXPECT_EQ(unitC.type, 4);  // "C" became C.SET, found whatever its case
    EXPECT_TRUE(unitC.blockRead);
    ASSERT_EQ(unitC.cpus.size(), 2u);
    EXPECT_EQ(unitC.cpus[0].busAddress, 48);
    EXPECT_EQ(unitC.cpus[0].versionAddress, 100);
    EXPECT_EQ(unitC.cpus[0].idAddress, 200);
    EXPECT_EQ(unitC.cpus[0].group, 1);
    EXPECT_EQ(unitC.cpus[1].busAddress, 0xFF);  // missing values keep their defaults
    EXPECT_EQ(unitC.cpus[1].versionAddress, 0xFFFF);
    fs::remove_all(root);
}

}  // namespace
