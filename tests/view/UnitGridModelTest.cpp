#include <gtest/gtest.h>

#include "UnitListFixture.h"
#include "view/UnitGridModel.h"

namespace view {
namespace {

class UnitGridModelTest : public testing::Test {
  protected:
    viewtest::DocumentFixture fixture;
    data::CDIAGDoc& document = *fixture.document;
    UnitGridModel grid;

    void SetUp() override {
        ASSERT_EQ(document.openFile(fixture.listPath()), data::CDIAGDoc::OpenResult::Loaded);
    }
    data::ImageRow& row(int index) { return *document.currentUnit()->row(index); }
    void fill() {
        grid.beginFill(document.currentUnit());
        grid.endFill();
    }
};

TEST_F(UnitGridModelTest, AFillTakesEveryRowWithItsTextsAndCheckMark) {
    row(1).forceSelected(false);
    fill();
    ASSERT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.cellText(0, UnitGridModel::CpuColumn), "MAIN");
    EXPECT_EQ(grid.cellText(0, UnitGridModel::FileNameColumn), "MAIN0106.mot");
    EXPECT_EQ(grid.cellText(0, UnitGridModel::FileVersionColumn), row(0).fileVersionText());
    EXPECT_EQ(grid.cellText(0, UnitGridModel::TopAddressColumn), "200000H");
    EXPECT_EQ(grid.cellText(0, UnitGridModel::FlashAddressColumn), "200000H");
    EXPECT_EQ(grid.cellText(2, UnitGridModel::FileNameColumn), "");  // DSP has no image
    EXPECT_EQ(grid.cellText(0, UnitGridModel::CheckColumn), "");
    EXPECT_EQ(grid.cellText(3, UnitGridModel::CpuColumn), "");
    EXPECT_TRUE(grid.isChecked(0));
    EXPECT_FALSE(grid.isChecked(1));
    EXPECT_TRUE(grid.isChecked(2));
}

TEST_F(UnitGridModelTest, TheSevenHeadersAndAddressesInUpperCaseHexWithoutLeadingZeros) {
    const std::vector<std::string_view> headers{"",          "To CPU",  "ROM Ver",  "File Ver",
                                                "File Name", "Top Adr", "Flash Adr"};
    for (int column = 0; column < UnitGridModel::ColumnCount; ++column) {
        EXPECT_EQ(UnitGridModel::headerText(column), headers[static_cast<std::size_t>(column)]);
    }
    EXPECT_EQ(UnitGridModel::headerText(7), "");
    EXPECT_EQ(UnitGridModel::addressText(0x3FFAB), "3FFABH");
    EXPECT_EQ(UnitGridModel::addressText(0), "0H");
    EXPECT_EQ(UnitGridModel::addressText(0xFFFFFFFFu), "FFFFFFFFH");
}

TEST_F(UnitGridModelTest, ChangesReportedDuringAFillDoNotWriteBackIntoTheRecords) {
    grid.beginFill(document.currentUnit());
    EXPECT_FALSE(grid.populated());
    const UnitGridModel::CheckAnswer answer = grid.checkChanged(0, false);
    EXPECT_TRUE(answer.uncheck.empty());
    EXPECT_TRUE(row(0).selectedFlag());
    grid.endFill();
    EXPECT_TRUE(grid.populated());
    grid.checkChanged(0, false);
    EXPECT_FALSE(row(0).selectedFlag());
    EXPECT_FALSE(grid.isChecked(0));
}

TEST_F(UnitGridModelTest, InSingleSelectCheckingASecondRowUnchecksTheFirst) {
    fill();
    EXPECT_FALSE(grid.setSingleSelect(true));  // every box is unchecked
    for (int index = 0; index < grid.rowCount(); ++index) {
        grid.checkChanged(index, false);
    }
    EXPECT_TRUE(grid.checkChanged(0, true).uncheck.empty());
    EXPECT_TRUE(row(0).selectedFlag());
    const UnitGridModel::CheckAnswer second = grid.checkChanged(1, true);
    EXPECT_EQ(second.uncheck, std::vector<int>{0});
    EXPECT_TRUE(row(1).selectedFlag());
    grid.checkChanged(0, false);  // the front end unchecks row 0, which comes back
    EXPECT_FALSE(row(0).selectedFlag());
    EXPECT_EQ(document.countSelectedRows(), 1);
}

TEST_F(UnitGridModelTest, SeveralRowsStayCheckedOutsideSingleSelect) {
    fill();
    EXPECT_TRUE(grid.setSingleSelect(false));  // every box is checked
    EXPECT_TRUE(grid.checkChanged(1, true).uncheck.empty());
    EXPECT_TRUE(grid.isChecked(0));
}

TEST_F(UnitGridModelTest, ACpuThatCannotBeSelectedIsUncheckedAgainWithItsRomVersionReset) {
    row(1).forceSelected(false);
    row(1).setRomVersionText("0105");
    row(1).setIdByte(data::ImageRow::kUnselectableId);
    fill();
    const UnitGridModel::CheckAnswer answer = grid.checkChanged(1, true);
    EXPECT_TRUE(answer.refused);
    EXPECT_EQ(answer.romText, row(1).romVersionText());
    EXPECT_EQ(grid.cellText(1, UnitGridModel::RomVersionColumn), answer.romText);
    EXPECT_FALSE(grid.isChecked(1));
    EXPECT_FALSE(row(1).selectedFlag());
}

TEST_F(UnitGridModelTest, AUnitWithoutRowsAndANullUnitGiveAnEmptyGrid) {
    ASSERT_TRUE(document.selectUnit(1));
    grid.beginFill(document.currentUnit());
    grid.endFill();
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(grid.columnTexts(UnitGridModel::CpuColumn), std::vector<std::string_view>{"To CPU"});
    grid.beginFill(nullptr);
    grid.endFill();
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_TRUE(grid.checkChanged(0, true).uncheck.empty());
}

TEST_F(UnitGridModelTest, AColumnIsAsWideAsItsWidestTextPlusThePadding) {
    fill();
    EXPECT_EQ(grid.columnTexts(UnitGridModel::FileNameColumn),
              (std::vector<std::string_view>{"File Name", "MAIN0106.mot", "SUB_0105.mot", ""}));
    // Header "To CPU" measured 40 wide, fitted to 52: P = 12.
    const int padding = UnitGridModel::padding(52, 40);
    EXPECT_EQ(padding, 12);
    EXPECT_EQ(UnitGridModel::padding(52, 40, 20), 20);  // never less than a cell needs
    const std::vector<int> widths{60, 75, 71, 0};
    EXPECT_EQ(UnitGridModel::fitWidth(widths, padding), 87);
    const std::vector<int> headerOnly{40};
    EXPECT_EQ(UnitGridModel::fitWidth(headerOnly, padding), 52);
}

}  // namespace
}  // namespace view
