#include "data/UnitList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "TestFiles.h"

namespace data {
namespace {

using testing::CurrentDirectoryScope;
using testing::TempDirectory;

UnitRecord parsed(std::string_view line) {
    std::optional<UnitRecord> unit = UnitList::parseLine(line);
    EXPECT_TRUE(unit.has_value()) << line;
    return unit.value_or(UnitRecord{});
}

TEST(UnitListLine, EmptyValuesTakeTheNameAndTheSettingsExtension) {
    UnitRecord unit = parsed("UNITB, ,,");
    EXPECT_EQ(unit.name(), "UNITB");
    EXPECT_EQ(unit.directory(), "UNITB");
    EXPECT_EQ(unit.settingsFile(), "UNITB.SET");

    UnitRecord nameOnly = parsed("  SRF7  ");
    EXPECT_EQ(nameOnly.directory(), "SRF7");
    EXPECT_EQ(nameOnly.settingsFile(), "SRF7.SET");
}

TEST(UnitListLine, SettingsFileGetsExtensionOnlyWithoutPoint) {
    EXPECT_EQ(parsed("UNITA, DIR, UNITA").settingsFile(), "UNITA.SET");
    EXPECT_EQ(parsed("UNITA, DIR, UNITA.INI").settingsFile(), "UNITA.INI");
    UnitRecord extra = parsed("UNITA ,  DIR , FILE.SET , ignored, also ignored");
    EXPECT_EQ(extra.name(), "UNITA");
    EXPECT_EQ(extra.directory(), "DIR");
    EXPECT_EQ(extra.settingsFile(), "FILE.SET");
}

TEST(UnitListLine, LinesWithoutNameAreSkipped) {
    EXPECT_FALSE(UnitList::parseLine("").has_value());
    EXPECT_FALSE(UnitList::parseLine(" \t ").has_value());
    EXPECT_FALSE(UnitList::parseLine(", DIR, FILE.SET").has_value());
}

// A data root with units in it; list lines name directories relative to it.
class UnitListLoad : public ::testing::Test {
  protected:
    void addUnit(std::string_view name, std::string_view settings) {
        root.makeDirectory(name);
        root.write(std::string(name) + "/" + std::string(name) + ".SET", settings);
    }

    bool load(std::string_view listText, WritingPort port = WritingPort::HostInterface) {
        CurrentDirectoryScope inRoot(root.path());
        std::istringstream source{std::string(listText)};
        return units.load(source, port, [this](const std::string& text) { messages.push_back(text); });
    }

    TempDirectory root;
    UnitList units;
    std::vector<std::string> messages;
};

TEST_F(UnitListLoad, CrLfAndLfListsGiveTheSameUnits) {
    addUnit("SRF7", "[SETTINGS]\r\nTYPE=0\r\n");
    addUnit("ENG7", "[SETTINGS]\nTYPE=1\n");
    for (std::string_view text :
         {"SRF7\r\nENG7\r\n", "SRF7\nENG7\n", "SRF7\nENG7", "\r\n  \nSRF7\r\n\r\nENG7"}) {
        ASSERT_TRUE(load(text)) << text;
        ASSERT_EQ(units.count(), 2) << text;
        EXPECT_EQ(units.unit(0)->name(), "SRF7");
        EXPECT_EQ(units.unit(1)->name(), "ENG7");
        EXPECT_EQ(units.unit(1)->unitType(), 1);
        EXPECT_EQ(units.unit(0)->directory(), std::filesystem::canonical(root.path() / "SRF7").string());
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(UnitListLoad, LinesOfAnyLengthAreRead) {
    addUnit("UNITA", "[SETTINGS]\nTYPE=4\n");
    std::string longLine = "UNITA, UNITA, UNITA.SET, " + std::string(100000, 'x');
    ASSERT_TRUE(load("SRF7X\n" + longLine + "\n"));
    ASSERT_EQ(units.count(), 2);
    EXPECT_EQ(units.unit(1)->unitType(), 4);

    // A 100 000-character name is still one unit (its directory does not exist).
    std::string longName(100000, 'N');
    ASSERT_TRUE(load(longName + "\r\n"));
    ASSERT_EQ(units.count(), 1);
    EXPECT_EQ(units.unit(0)->name(), longName);
    EXPECT_EQ(units.unit(0)->directory(), "");
}

TEST_F(UnitListLoad, SourceWithoutValidLineKeepsThePreviousList) {
    addUnit("SRF7", "");
    ASSERT_TRUE(load("SRF7\n"));
    EXPECT_FALSE(load("\n \r\n, NONAME\n"));
    ASSERT_EQ(units.count(), 1);
    EXPECT_EQ(units.unit(0)->name(), "SRF7");
    EXPECT_FALSE(load(""));
    EXPECT_EQ(units.count(), 1);
}

TEST_F(UnitListLoad, ModeOneIsListedOnlyForCardDirect) {
    addUnit("SRF7", "[SETTINGS]\nMODE=0\n");
    addUnit("XDG7", "[SETTINGS]\nMODE=1\n");
    ASSERT_TRUE(load("SRF7\nXDG7\n", WritingPort::HostInterface));
    ASSERT_EQ(units.count(), 1);
    EXPECT_EQ(units.unit(0)->name(), "SRF7");
    ASSERT_TRUE(load("SRF7\nXDG7\n", WritingPort::CardDirect));
    ASSERT_EQ(units.count(), 2);
    EXPECT_EQ(units.unit(1)->name(), "XDG7");
    EXPECT_EQ(units.unit(1)->listMode(), 1);
}

TEST_F(UnitListLoad, EveryUnitLeftOutStillEmptiesTheList) {
    addUnit("SRF7", "");
    addUnit("XDG7", "[SETTINGS]\nMODE=1\n");
    ASSERT_TRUE(load("SRF7\n"));
    EXPECT_TRUE(load("XDG7\n", WritingPort::HostInterface));
    EXPECT_TRUE(units.empty());
}

TEST_F(UnitListLoad, DirectoryThatCannotBeEnteredKeepsItsPlaceWithDefaults) {
    addUnit("SRF7", "[SETTINGS]\nTYPE=1\n");
    // A settings file of the missing unit's name in the data root is not used.
    root.write("MISSING.SET", "[SETTINGS]\nTYPE=3\nMODE=0\nVERSION=0200\n[CPU]\nMAIN=MAIN\n");
    root.write("PLAINFILE", "not a directory");
    ASSERT_TRUE(load("MISSING\nSRF7\nBROKEN, PLAINFILE, X.SET\n"));
    ASSERT_EQ(units.count(), 3);

    const UnitRecord& missing = *units.unit(0);
    EXPECT_EQ(missing.name(), "MISSING");
    EXPECT_EQ(missing.directory(), "");
    EXPECT_EQ(missing.unitType(), 0);
    EXPECT_EQ(missing.fileVersion().text(), "");
    EXPECT_EQ(missing.settingsPath(), "");
    EXPECT_EQ(units.unit(1)->unitType(), 1);
    EXPECT_EQ(units.unit(2)->directory(), "");

    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "No such file or directory\nDirectory(MISSING)");
    EXPECT_EQ(messages[1], "Not a directory\nDirectory(PLAINFILE)");

    units.unit(0)->loadRows(true);
    EXPECT_TRUE(units.unit(0)->rowsLoaded());
    EXPECT_EQ(units.unit(0)->rowCount(), 0);
}

TEST_F(UnitListLoad, DirectoriesAreTakenRelativeToTheCurrentDirectoryAndMadeAbsolute) {
    root.makeDirectory("units/srf");
    root.write("units/srf/S.SET", "[SETTINGS]\nTYPE=1\n");
    root.makeDirectory("elsewhere");
    ASSERT_TRUE(load("SRF7, units/srf, S\nBACK, units\\srf, S\nUP, elsewhere/../units/srf, S.SET\n"));
    ASSERT_EQ(units.count(), 3);
    std::string expected = std::filesystem::canonical(root.path() / "units/srf").string();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(units.unit(i)->directory(), expected) << i;
        EXPECT_EQ(units.unit(i)->unitType(), 1) << i;
    }
}

TEST_F(UnitListLoad, LoadingLeavesTheCurrentDirectoryAlone) {
    addUnit("SRF7", "");
    CurrentDirectoryScope inRoot(root.path());
    std::filesystem::path before = std::filesystem::current_path();
    std::istringstream source("SRF7\nMISSING\n");
    ASSERT_TRUE(units.load(source, WritingPort::HostInterface));
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(UnitListLoad, MissingSettingsFileGivesEveryDefault) {
    root.makeDirectory("EMPTY");
    ASSERT_TRUE(load("EMPTY\n"));
    const UnitRecord& unit = *units.unit(0);
    EXPECT_EQ(unit.listMode(), 0);
    EXPECT_EQ(unit.fileVersion(), VersionValue::fromText("0000R"));
    EXPECT_EQ(unit.fileVersion().suffix(), VersionValue::kReleaseSuffix);
    EXPECT_EQ(unit.readCommand(), 255);
    EXPECT_EQ(unit.requestSpare(), 0);
    EXPECT_EQ(unit.ownAddressSetting(), 255);
    EXPECT_EQ(unit.versionAddress(), 0xFFFF);
    EXPECT_FALSE(unit.blockRead());
    EXPECT_EQ(unit.unitType(), 0);
    units.unit(0)->loadRows(true);
    EXPECT_EQ(units.unit(0)->rowCount(), 0);
}

TEST_F(UnitListLoad, ReportsNoMessagesWithoutSink) {
    CurrentDirectoryScope inRoot(root.path());
    std::istringstream source("MISSING\n");
    EXPECT_TRUE(units.load(source, WritingPort::CardDirect));
    EXPECT_EQ(units.count(), 1);
}

}  // namespace
}  // namespace data
