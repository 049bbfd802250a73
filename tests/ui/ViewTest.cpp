#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "DocumentFixture.h"
#include "core/FontSetting.h"
#include "ui/BlinkStatic.h"
#include "ui/CDIAGView.h"
#include "ui/UnitGrid.h"

namespace {

using ui::CDIAGView;
using ui::UnitGrid;

class ViewTest : public testing::Test {
  protected:
    uitest::DocumentFixture fixture;
    data::CDIAGDoc& document = *fixture.document;
    CDIAGView view{document};

    void SetUp() override {
        view.resize(584, 380);
        view.setAdvanced(1);
        view.setFontSetting(core::FontSetting{});
        document.setUpdateHandler([this] { view.refresh(); });
    }

    void open() { ASSERT_EQ(document.openFile(fixture.listPath()), data::CDIAGDoc::OpenResult::Loaded); }
    void chooseCardDirect() { document.setWritingPort(data::WritingPort::CardDirect); }
    UnitGrid& grid() { return *view.grid(); }
    data::ImageRow& row(int index) { return *document.currentUnit()->row(index); }
    QString cell(int row, int column) { return grid().item(row, column)->text(); }
};

TEST_F(ViewTest, OpeningAListFillsTheSelectorAndTheGridOfUnitZero) {
    open();
    ASSERT_EQ(view.unitSelector()->count(), 2);
    EXPECT_EQ(view.unitSelector()->itemText(0), "ALPHA");
    EXPECT_EQ(view.unitSelector()->currentIndex(), 0);
    ASSERT_EQ(grid().rowCount(), 3);
    EXPECT_EQ(cell(0, UnitGrid::Model::CpuColumn), "MAIN");
    EXPECT_EQ(cell(0, UnitGrid::Model::FileNameColumn), "MAIN0106.mot");
    EXPECT_EQ(cell(0, UnitGrid::Model::FileVersionColumn), QString::fromStdString(row(0).fileVersionText()));
    EXPECT_TRUE(grid().isChecked(0));  // rows start checked under Host I/F
    EXPECT_EQ(view.versionBar().fileValue()->text(),
              QString::fromStdString(document.currentUnit()->fileVersion().text()));
    EXPECT_FALSE(document.unitChanged());
    EXPECT_FALSE(document.listReloaded());
}

TEST_F(ViewTest, AddressesShowInUpperCaseHexWithoutLeadingZeros) {
    open();
    EXPECT_EQ(cell(0, UnitGrid::Model::TopAddressColumn), "200000H");
    EXPECT_EQ(cell(0, UnitGrid::Model::FlashAddressColumn), "200000H");
    EXPECT_EQ(UnitGrid::Model::addressText(0x3FFAB), "3FFABH");
    EXPECT_EQ(UnitGrid::Model::addressText(0), "0H");
}

TEST_F(ViewTest, AUnitWithoutRowsShowsSevenHeadersAsWideAsTheirTextPlusPadding) {
    open();
    view.unitSelector()->setCurrentIndex(1);
    view.onUnitConfirmed(1);
    ASSERT_EQ(document.currentUnitIndex(), 1);
    EXPECT_EQ(grid().rowCount(), 0);
    ASSERT_EQ(grid().columnCount(), 7);
    const QStringList headers{"", "To CPU", "ROM Ver", "File Ver", "File Name", "Top Adr", "Flash Adr"};
    const int padding = grid().padding();
    EXPECT_GT(padding, 0);
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(grid().horizontalHeaderItem(column)->text(), headers[column]);
        if (column > 0) {
            EXPECT_EQ(grid().columnWidth(column),
                      grid().fontMetrics().horizontalAdvance(headers[column]) + padding)
                << headers[column].toStdString();
        }
    }
    EXPECT_FALSE(grid().horizontalHeader()->sectionsClickable());
    EXPECT_FALSE(grid().isSortingEnabled());
}

TEST_F(ViewTest, ColumnsGrowToTheirWidestCell) {
    open();
    const int padding = grid().padding();
    EXPECT_EQ(grid().columnWidth(UnitGrid::Model::FileNameColumn),
              grid().fontMetrics().horizontalAdvance("MAIN0106.mot") + padding);
}

TEST_F(ViewTest, NoCellTextIsCutAtABoldFont) {
    core::FontSetting setting;
    setting.faceName = "DejaVu Sans";
    setting.pointSize = 12;
    setting.bold = 1;
    view.setFontSetting(setting);
    open();
    const int margins = 2 * (grid().style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid()) + 1);
    for (int row = 0; row < grid().rowCount(); ++row) {
        for (int column = UnitGrid::Model::CpuColumn; column < UnitGrid::Model::ColumnCount; ++column) {
            EXPECT_GE(grid().columnWidth(column),
                      grid().fontMetrics().horizontalAdvance(cell(row, column)) + margins)
                << cell(row, column).toStdString();
        }
    }
}

TEST_F(ViewTest, InSingleSelectCheckingASecondRowUnchecksTheFirstAndTheFlagsFollow) {
    open();
    chooseCardDirect();
    ASSERT_TRUE(grid().singleSelect());
    EXPECT_FALSE(grid().isChecked(0));
    EXPECT_FALSE(row(0).selectedFlag());
    grid().setCheck(0, true);
    EXPECT_TRUE(row(0).selectedFlag());
    grid().setCheck(1, true);
    EXPECT_FALSE(grid().isChecked(0));
    EXPECT_FALSE(row(0).selectedFlag());
    EXPECT_TRUE(row(1).selectedFlag());
    EXPECT_EQ(document.countSelectedRows(), 1);
}

TEST_F(ViewTest, FillingTheGridDoesNotWriteBackIntoTheRecords) {
    open();
    chooseCardDirect();
    row(0).forceSelected(true);
    row(2).forceSelected(true);
    document.selectUnit(0);  // refill while single-select is on
    EXPECT_TRUE(grid().isChecked(0));
    EXPECT_TRUE(grid().isChecked(2));
    EXPECT_TRUE(row(0).selectedFlag());
    EXPECT_TRUE(row(2).selectedFlag());
}

TEST_F(ViewTest, AllAndClearSetEveryBoxAndEveryFlag) {
    open();
    view.onClearAll();
    for (int index = 0; index < 3; ++index) {
        EXPECT_FALSE(row(index).selectedFlag());
    }
    view.onCheckAll();
    for (int index = 0; index < 3; ++index) {
        EXPECT_TRUE(row(index).selectedFlag());
        EXPECT_TRUE(grid().isChecked(index));
    }
}

TEST_F(ViewTest, ACpuThatCannotBeSelectedLosesItsCheckMark) {
    open();
    view.onClearAll();
    row(1).setIdByte(0xFF);
    grid().setCheck(1, true);
    EXPECT_FALSE(grid().isChecked(1));
    EXPECT_FALSE(row(1).selectedFlag());
}

TEST_F(ViewTest, CardDirectHidesTheVersionBarAndLeavesOnlyWrite) {
    open();
    EXPECT_TRUE(view.versionBar().romLabel()->isHidden());  // hidden from creation on
    EXPECT_FALSE(view.versionBar().fileLabel()->isHidden());
    chooseCardDirect();
    EXPECT_TRUE(view.versionBar().fileLabel()->isHidden());
    EXPECT_TRUE(view.versionBar().fileValue()->isHidden());
    EXPECT_FALSE(view.getVersionButton()->isEnabled());
    EXPECT_FALSE(view.allButton()->isEnabled());
    EXPECT_FALSE(view.clearButton()->isEnabled());
    EXPECT_TRUE(view.writeButton()->isEnabled());
    document.setWritingPort(data::WritingPort::HostInterface);
    EXPECT_FALSE(view.versionBar().romLabel()->isHidden());
    EXPECT_TRUE(view.getVersionButton()->isEnabled());
    EXPECT_FALSE(grid().singleSelect());
}

TEST_F(ViewTest, GetVersionDisablesItsButtonUntilTheEndUnderHostInterface) {
    open();
    view.onGetVersion();
    ASSERT_EQ(fixture.engine->starts.size(), 1u);
    EXPECT_EQ(fixture.engine->starts[0].code, data::OperationCode::GetVersion);
    EXPECT_EQ(fixture.engine->starts[0].unitIndex, 0);
    EXPECT_FALSE(fixture.engine->starts[0].withStatusWindow);
    EXPECT_FALSE(view.getVersionButton()->isEnabled());
    EXPECT_TRUE(view.polling());
    view.pollOperation();
    EXPECT_TRUE(view.polling());
    row(0).setRomVersionText("0105");
    fixture.engine->done = true;
    view.pollOperation();
    EXPECT_FALSE(view.polling());
    EXPECT_TRUE(view.getVersionButton()->isEnabled());
    EXPECT_EQ(cell(0, UnitGrid::Model::RomVersionColumn), QString::fromStdString(row(0).romVersionText()));
    EXPECT_FALSE(cell(0, UnitGrid::Model::RomVersionColumn).isEmpty());
}

TEST_F(ViewTest, UnderCardDirectGetVersionStaysDisabledAfterAnOperation) {
    open();
    chooseCardDirect();
    grid().setCheck(0, true);
    view.onWrite();
    ASSERT_EQ(fixture.engine->starts.size(), 1u);
    EXPECT_EQ(fixture.engine->starts[0].code, data::OperationCode::Write);
    EXPECT_TRUE(fixture.engine->starts[0].withStatusWindow);
    EXPECT_TRUE(view.writeButton()->isEnabled());
    fixture.engine->done = true;
    view.pollOperation();
    EXPECT_FALSE(view.polling());
    EXPECT_FALSE(view.getVersionButton()->isEnabled());
}

TEST_F(ViewTest, WriteWithNoRowSelectedDoesNothing) {
    open();
    view.onClearAll();
    view.onWrite();
    EXPECT_TRUE(fixture.engine->starts.empty());
    EXPECT_FALSE(view.polling());
}

TEST_F(ViewTest, AGetVersionThatCannotStartGivesTheButtonBack) {
    open();
    fixture.engine->acceptStarts = false;
    view.onGetVersion();
    EXPECT_TRUE(view.getVersionButton()->isEnabled());
    EXPECT_FALSE(view.polling());
}

TEST_F(ViewTest, ARefusedSelectorIndexLeavesTheCurrentUnit) {
    open();
    view.onUnitConfirmed(5);
    EXPECT_EQ(document.currentUnitIndex(), 0);
    EXPECT_EQ(grid().rowCount(), 3);
}

TEST_F(ViewTest, TheLayoutFollowsTheViewArithmetic) {
    open();
    const int W = view.width() - 16;
    const QRect selector = view.unitSelector()->geometry();
    EXPECT_EQ(selector.topLeft(), QPoint(8, 8));
    EXPECT_EQ(selector.width(), W - (3 * W) / 4);
    const int S = selector.height();
    const int T = 8 + S + 8;
    const int B = view.height() - 8;
    const int h = B - T;
    const int w = W;
    const QRect grid = view.grid()->geometry();
    EXPECT_EQ(grid.topLeft(), QPoint(8, T));
    EXPECT_EQ(grid.right() + 1, 8 + w - (w / 5 + 8));
    EXPECT_EQ(grid.bottom() + 1, B - (h / 10 + 8));
    const QRect getVersion = view.getVersionButton()->geometry();
    const QRect write = view.writeButton()->geometry();
    EXPECT_EQ(getVersion.left(), 8 + (4 * w) / 5);
    EXPECT_EQ(write.top(), T + getVersion.height());
    EXPECT_EQ(view.clearButton()->geometry().left(), view.allButton()->geometry().right() + 1);
    EXPECT_EQ(view.allButton()->geometry().bottom() + 1, B);
    EXPECT_EQ(view.topRule()->geometry().width(), view.width());
    const int barLeft = 8 + selector.width() + 8;
    const int barWidth = 8 + W - barLeft;
    const int cellWidth = barWidth - (barWidth / 4) * 3;
    EXPECT_EQ(view.versionBar().fileLabel()->geometry(), QRect(barLeft + 2 * cellWidth, 8, cellWidth, S));
    EXPECT_EQ(view.versionBar().fileValue()->geometry().right() + 1, barLeft + 4 * cellWidth);
}

TEST_F(ViewTest, TheViewFontReachesEveryChildAndCanBeBoldAndItalic) {
    core::FontSetting setting;
    setting.faceName = "DejaVu Serif";
    setting.pointSize = 11;
    setting.bold = 1;
    setting.italic = 1;
    view.setFontSetting(setting);
    EXPECT_EQ(view.viewFont().pointSize(), 11);
    EXPECT_EQ(view.viewFont().weight(), 700);
    EXPECT_TRUE(view.viewFont().italic());
    for (QWidget* child : view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_EQ(child->font(), view.viewFont()) << child->metaObject()->className();
    }
}

}  // namespace
