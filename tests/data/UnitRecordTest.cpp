#include "data/UnitRecord.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "TestFiles.h"
#include "platform/IniFile.h"

namespace data {
namespace {

using testing::TempDirectory;

UnitRecord withSettings(std::string_view settingsText) {
    UnitRecord unit("UNIT", "", "");
    unit.readSettings(platform::IniFile::fromText(settingsText));
    return unit;
}

TEST(UnitSettings, StatusSingleNumberIsTheVersionAddress) {
    UnitRecord unit = withSettings("[SETTINGS]\nSTATUS=65535\n");
    EXPECT_FALSE(unit.blockRead());
    EXPECT_EQ(unit.versionAddress(), 0xFFFF);
    EXPECT_EQ(unit.blockAddress(), 0xFFFF);

    UnitRecord word = withSettings("[SETTINGS]\nSTATUS=256\n");
    EXPECT_FALSE(word.blockRead());
    EXPECT_EQ(word.versionAddress(), 256);

    // 16-bit field: the low 16 bits are kept.
    EXPECT_EQ(withSettings("[SETTINGS]\nSTATUS=65537\n").versionAddress(), 1);
}

TEST(UnitSettings, StatusTwoNumbersSwitchToBlockRead) {
    UnitRecord unit = withSettings("[SETTINGS]\nSTATUS=4096, 3\n");
    EXPECT_TRUE(unit.blockRead());
    EXPECT_EQ(unit.blockAddress(), 4096);
    EXPECT_EQ(unit.blockCount(), 3);
    EXPECT_EQ(unit.versionAddress(), 0xFFFF);
}

TEST(UnitSettings, EmptyStatusValuesGiveDefaults) {
    UnitRecord empty = withSettings("[SETTINGS]\nSTATUS=\n");
    EXPECT_FALSE(empty.blockRead());
    EXPECT_EQ(empty.versionAddress(), 0xFFFF);

    UnitRecord emptyFirst = withSettings("[SETTINGS]\nSTATUS=, 3\n");
    EXPECT_TRUE(emptyFirst.blockRead());
    EXPECT_EQ(emptyFirst.blockAddress(), 0xFFFF);
    EXPECT_EQ(emptyFirst.blockCount(), 3);

    UnitRecord emptySecond = withSettings("[SETTINGS]\nSTATUS=4096,,\n");
    EXPECT_TRUE(emptySecond.blockRead());
    EXPECT_EQ(emptySecond.blockAddress(), 4096);
    EXPECT_EQ(emptySecond.blockCount(), 0);
}

TEST(UnitSettings, RequestValuesAndTheirDefaults) {
    UnitRecord missing = withSettings("[SETTINGS]\nTYPE=1\n");
    EXPECT_EQ(missing.readCommand(), 255);
    EXPECT_EQ(missing.requestSpare(), 0);
    EXPECT_EQ(missing.ownAddressSetting(), 255);

    UnitRecord one = withSettings("[SETTINGS]\nREQUEST=20\n");
    EXPECT_EQ(one.readCommand(), 20);
    EXPECT_EQ(one.requestSpare(), 0);
    EXPECT_EQ(one.ownAddressSetting(), 255);

    UnitRecord three = withSettings("[SETTINGS]\nREQUEST=20, 7, 16\n");
    EXPECT_EQ(three.readCommand(), 20);
    EXPECT_EQ(three.requestSpare(), 7);
    EXPECT_EQ(three.ownAddressSetting(), 16);

    UnitRecord empty = withSettings("[SETTINGS]\nREQUEST=\n");
    EXPECT_EQ(empty.readCommand(), 255);
    EXPECT_EQ(empty.ownAddressSetting(), 255);

    UnitRecord gap = withSettings("[SETTINGS]\nREQUEST=, , 16\n");
    EXPECT_EQ(gap.readCommand(), 255);
    EXPECT_EQ(gap.requestSpare(), 0);
    EXPECT_EQ(gap.ownAddressSetting(), 16);

    // 8-bit fields keep the low 8 bits.
    EXPECT_EQ(withSettings("[SETTINGS]\nREQUEST=276\n").readCommand(), 20);
}

TEST(UnitSettings, ModeVersionAndType) {
    UnitRecord unit = withSettings("[settings]\nmode=1\nVersion=0106\nTYPE=258\n");
    EXPECT_EQ(unit.listMode(), 1);
    EXPECT_EQ(unit.fileVersion().text(), "1.06");
    EXPECT_EQ(unit.unitType(), 258);
    // The low 8 bits of 258 are 2: a unit of the direct path, with the XDG7 set.
    EXPECT_EQ(unit.kind(), UnitKind::Direct);
    EXPECT_EQ(unit.timingModel(), UnitModel::XDG7);
    EXPECT_EQ(withSettings("[SETTINGS]\nMODE=abc\n").listMode(), 0);
}

TEST(UnitSettings, TypeSelectsTheTimingSet) {
    EXPECT_EQ(withSettings("").timingModel(), UnitModel::SRF7);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=1\n").timingModel(), UnitModel::ENG7);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=2\n").timingModel(), UnitModel::XDG7);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=3\n").timingModel(), UnitModel::LIO7);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=4\n").timingModel(), UnitModel::XDG7);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=5\n").timingModel(), UnitModel::SRF7);
}

TEST(UnitSettings, TypesWithoutASequenceOfTheirOwnAreGeneric) {
    EXPECT_EQ(withSettings("").kind(), UnitKind::Generic);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=3\n").kind(), UnitKind::Type3);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=4\n").kind(), UnitKind::Type4);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=5\n").kind(), UnitKind::Generic);
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=-1\n").kind(), UnitKind::Generic);
    // Only the low 8 bits count: 0x103 is a type-3 unit.
    EXPECT_EQ(withSettings("[SETTINGS]\nTYPE=259\n").kind(), UnitKind::Type3);
}

// A unit directory with its settings file and image files.
class UnitRows : public ::testing::Test {
  protected:
    UnitRecord loadedUnit(std::string_view settings, bool initialSelection = true) {
        dir.write("UNIT.SET", settings);
        UnitRecord unit("UNIT", dir.str(), "");
        unit.readSettings(platform::IniFile::load(unit.settingsPath()));
        unit.loadRows(initialSelection);
        return unit;
    }
    TempDirectory dir;
};

TEST_F(UnitRows, RowsFollowTheCpuSectionInFileOrder) {
    UnitRecord unit = loadedUnit(
        "[CPU]\nSUB=SUBA, 2, 9, 512, 514, 1\nMAIN=MAIN, 1, 0, 256, 258, 0\nIO=IOX\n[OTHER]\nX=1\n");
    ASSERT_EQ(unit.rowCount(), 3);
    const ImageRow& sub = *unit.row(0);
    EXPECT_EQ(sub.cpuName(), "SUB");
    EXPECT_EQ(sub.filePrefix(), "SUBA");
    EXPECT_EQ(sub.busAddress(), 2);
    EXPECT_EQ(sub.spareValue(), 9);
    EXPECT_EQ(sub.versionAddress(), 512);
    EXPECT_EQ(sub.idAddress(), 514);
    EXPECT_EQ(sub.group(), 1);
    EXPECT_TRUE(sub.selectedFlag());
    EXPECT_EQ(sub.topAddress(), 0x200000u);
    EXPECT_EQ(sub.flashAddress(), 0x200000u);
    EXPECT_EQ(unit.row(1)->cpuName(), "MAIN");

    // Values that are missing keep their defaults.
    const ImageRow& io = *unit.row(2);
    EXPECT_EQ(io.filePrefix(), "IOX");
    EXPECT_EQ(io.busAddress(), -1);
    EXPECT_EQ(io.spareValue(), -1);
    EXPECT_EQ(io.versionAddress(), 0xFFFF);
    EXPECT_EQ(io.idAddress(), 0xFFFF);
    EXPECT_EQ(io.group(), 0);

    EXPECT_EQ(unit.row(3), nullptr);
    EXPECT_EQ(unit.row(-1), nullptr);
}

TEST_F(UnitRows, CpuKeyNamesAreReadUpTo4096Bytes) {
    // 300 names of 20 characters; each takes 21 bytes with its terminator,
    // and the list ends with one more: 195 names fit.
    std::string settings = "[CPU]\n";
    for (int i = 0; i < 300; ++i) {
        char name[24];
        std::snprintf(name, sizeof name, "CPU%017d", i);
        settings += std::string(name) + "=P\n";
    }
    UnitRecord unit = loadedUnit(settings);
    ASSERT_EQ(unit.rowCount(), 195);
    EXPECT_EQ(unit.row(0)->cpuName(), "CPU00000000000000000");
    EXPECT_EQ(unit.row(194)->cpuName(), "CPU00000000000000194");
}

TEST_F(UnitRows, CardDirectRowsStartUnselectedAndRowsLoadOnce) {
    UnitRecord unit = loadedUnit("[CPU]\nMAIN=MAIN\n", false);
    ASSERT_EQ(unit.rowCount(), 1);
    EXPECT_FALSE(unit.row(0)->selectedFlag());
    unit.row(0)->setIdByte(7);
    unit.loadRows(true);
    EXPECT_EQ(unit.rowCount(), 1);
    EXPECT_EQ(unit.row(0)->idByte(), 7);
}

TEST_F(UnitRows, NoRowsBeforeLoading) {
    UnitRecord unit("UNIT", dir.str(), "");
    EXPECT_FALSE(unit.rowsLoaded());
    EXPECT_EQ(unit.rowCount(), 0);
    EXPECT_EQ(unit.row(0), nullptr);
    EXPECT_EQ(unit.countSelectedRows(), 0);
}

TEST_F(UnitRows, ImageSearchTakesTheGreatestVersionOfThePrefix) {
    dir.write("MAIN0105.mot", "");
    dir.write("MAIN0106.mot", "");
    dir.write("MAIN0104.mot", "");
    dir.write("SUB0199.mot", "");
    UnitRecord unit = loadedUnit("[CPU]\nMAIN=MAIN, 1\n");
    const ImageRow& row = *unit.row(0);
    EXPECT_EQ(row.fileName(), "MAIN0106.mot");
    EXPECT_EQ(row.fileVersionText(), "1.06");
    EXPECT_EQ(row.filePath(), (dir.path() / "MAIN0106.mot").string());
}

TEST_F(UnitRows, ImageSearchIgnoresCaseOfPrefixAndExtension) {
    dir.write("main0107.MOT", "");
    dir.write("MAIN0106.mot", "");
    dir.write("MAIN0199.bin", "");
    dir.makeDirectory("MAIN0200.mot");
    UnitRecord unit = loadedUnit("[CPU]\nMAIN=Main\n");
    EXPECT_EQ(unit.row(0)->fileName(), "main0107.MOT");
    EXPECT_EQ(unit.row(0)->fileVersionText(), "1.07");
}

TEST_F(UnitRows, EqualVersionsResolveToTheFirstInNameOrder) {
    dir.write("MAIN0106B.mot", "");
    dir.write("MAIN0106A.mot", "");
    dir.write("MAIN0106.mot", "");
    UnitRecord unit = loadedUnit("[CPU]\nMAIN=MAIN\n");
    EXPECT_EQ(unit.row(0)->fileName(), "MAIN0106.mot");
}

TEST_F(UnitRows, ReleaseMarkedFileIsOlderThanAnUnmarkedOne) {
    dir.write("MAIN0105.mot", "");
    dir.write("MAIN0107R.mot", "");
    UnitRecord unit = loadedUnit("[CPU]\nMAIN=MAIN\n");
    EXPECT_EQ(unit.row(0)->fileName(), "MAIN0105.mot");
}

TEST_F(UnitRows, NoImageLeavesVersionResetAndNameEmpty) {
    dir.write("OTHER0105.mot", "");
    UnitRecord unit = loadedUnit("[CPU]\nMAIN=MAIN\nNOPREFIX=\n");
    ASSERT_EQ(unit.rowCount(), 2);
    EXPECT_EQ(unit.row(0)->fileName(), "");
    EXPECT_EQ(unit.row(0)->fileVersionText(), "");
    EXPECT_EQ(unit.row(0)->fileVersion(), VersionValue{});
    // An empty prefix matches every image ("*.mot"), and the version is still
    // read after four characters: "R0105" is 1.05R.
    EXPECT_EQ(unit.row(1)->fileName(), "OTHER0105.mot");
    EXPECT_EQ(unit.row(1)->fileVersionText(), "1.05R");
}

TEST(ImageVersionText, DropsFirstFourCharactersAndExtension) {
    EXPECT_EQ(imageVersionText("MAIN0106.mot"), "0106");
    EXPECT_EQ(imageVersionText("IO0106.mot"), "06");
    EXPECT_EQ(imageVersionText("SUBCPU0106.x.mot"), "PU0106.x");
    EXPECT_EQ(imageVersionText("ABC.mot"), "");
    EXPECT_EQ(imageVersionText("MAIN"), "");
}

TEST(RowSelection, UnselectableIdRefusesSelectionAndClearsVersion) {
    ImageRow row("MAIN", false);
    row.setRomVersionWord(0x0105);
    EXPECT_TRUE(row.setSelected(true));
    row.setIdByte(ImageRow::kUnselectableId);
    EXPECT_FALSE(row.setSelected(true));
    EXPECT_EQ(row.romVersionText(), "");
    EXPECT_FALSE(row.selectedFlag());

    row.setRomVersionWord(0x0105);
    EXPECT_FALSE(row.setSelected(false));
    EXPECT_EQ(row.romVersionText(), "2.05");
}

TEST(RowSelection, EffectiveSelectionAppliesTheIdRule) {
    ImageRow row("MAIN", true);
    row.setRomVersionText("0105");
    EXPECT_TRUE(row.effectiveSelection());
    EXPECT_EQ(row.romVersionText(), "1.05");
    row.setIdByte(0xFF);
    EXPECT_TRUE(row.selectedFlag());
    EXPECT_FALSE(row.effectiveSelection());
    EXPECT_FALSE(row.selectedFlag());
    EXPECT_EQ(row.romVersionText(), "");
    row.setIdByte(0);
    EXPECT_FALSE(row.effectiveSelection());
}

class SelectionCount : public UnitRows {};

TEST_F(SelectionCount, BlockReadKeepsFirstSelectedRowOfEachGroup) {
    UnitRecord unit =
        loadedUnit("[SETTINGS]\nSTATUS=4096, 3\n[CPU]\nA=A,1,0,1,2,0\nB=B,2,0,1,2,0\nC=C,3,0,1,2,1\n");
    ASSERT_TRUE(unit.blockRead());
    EXPECT_EQ(unit.countSelectedRows(), 2);
    EXPECT_TRUE(unit.row(0)->selectedFlag());
    EXPECT_FALSE(unit.row(1)->selectedFlag());
    EXPECT_TRUE(unit.row(2)->selectedFlag());
}

TEST_F(SelectionCount, UnselectedFirstRowLeavesTheNextOfItsGroup) {
    UnitRecord unit =
        loadedUnit("[SETTINGS]\nSTATUS=4096, 3\n[CPU]\nA=A,1,0,1,2,0\nB=B,2,0,1,2,0\nC=C,3,0,1,2,0\n");
    unit.row(0)->setIdByte(0xFF);
    EXPECT_EQ(unit.countSelectedRows(), 1);
    EXPECT_FALSE(unit.row(0)->selectedFlag());
    EXPECT_TRUE(unit.row(1)->selectedFlag());
    EXPECT_FALSE(unit.row(2)->selectedFlag());
}

TEST_F(SelectionCount, WithoutBlockReadGroupsDoNotMatter) {
    UnitRecord unit =
        loadedUnit("[SETTINGS]\nSTATUS=256\n[CPU]\nA=A,1,0,1,2,0\nB=B,2,0,1,2,0\nC=C,3,0,1,2,1\n");
    EXPECT_EQ(unit.countSelectedRows(), 3);
    unit.row(2)->setIdByte(0xFF);
    EXPECT_EQ(unit.countSelectedRows(), 2);
}

TEST_F(UnitRows, DifferentRowVersionsShowDiff) {
    UnitRecord unit = loadedUnit("[SETTINGS]\nVERSION=0105\nSTATUS=4096, 2\n[CPU]\nA=A\nB=B\n");
    unit.row(0)->setRomVersionText("105");
    unit.row(1)->setRomVersionText("106");
    EXPECT_FALSE(unit.mergeRowVersion(0, true));
    EXPECT_EQ(unit.romVersion().text(), "1.05");
    EXPECT_TRUE(unit.mergeRowVersion(1, false));
    EXPECT_EQ(unit.romVersion().text(), "DIFF.");
    EXPECT_TRUE(unit.updateNeeded());
    EXPECT_EQ(unit.romVersion().suffix(), VersionValue::kReleaseSuffix);
    EXPECT_EQ(unit.romVersion().majorNumber(), 0);
}

TEST_F(UnitRows, EqualRowVersionsKeepTheSummary) {
    UnitRecord unit = loadedUnit("[SETTINGS]\nVERSION=0105\n[CPU]\nA=A\nB=B\n");
    unit.row(0)->setRomVersionWord(0x0005);
    unit.row(1)->setRomVersionWord(0x0085);  // the test bit does not count
    EXPECT_FALSE(unit.mergeRowVersion(0, true));
    EXPECT_FALSE(unit.mergeRowVersion(1, false));
    EXPECT_EQ(unit.romVersion().text(), "1.05");
    // A first row that differs from the expected version needs an update.
    unit.row(0)->setRomVersionWord(0x0004);
    EXPECT_TRUE(unit.mergeRowVersion(0, true));
}

TEST(UnitVersionWord, SetsRomVersionAndUpdateNeeded) {
    UnitRecord unit = withSettings("[SETTINGS]\nVERSION=0205\n");
    unit.setRomVersionWord(0x0105);
    EXPECT_EQ(unit.romVersion().text(), "2.05");
    EXPECT_FALSE(unit.updateNeeded());
    EXPECT_EQ(unit.compareVersions(), 0);
    unit.setRomVersionWord(0x0104);
    EXPECT_TRUE(unit.updateNeeded());
    EXPECT_EQ(unit.compareVersions(), -1);
    unit.setRomVersionWord(0xFFFF);
    EXPECT_EQ(unit.romVersion().text(), "");
    EXPECT_TRUE(unit.updateNeeded());
}

}  // namespace
}  // namespace data
