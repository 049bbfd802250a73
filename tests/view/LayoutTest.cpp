#include <gtest/gtest.h>

#include "view/InfoPaneCells.h"
#include "view/MainViewLayout.h"
#include "view/ModeSelectLayout.h"
#include "view/StatusWindowLayout.h"
#include "view/VersionBarCells.h"

namespace view {
namespace {

// The main view of the 600 x 450 frame has a client area of 584 x 380 in the
// Qt program; the closed selector there is 142 x 24.
constexpr Rect kViewClient{0, 0, 584, 380};

TEST(MainViewLayout, TheSelectorTakesAQuarterOfTheInnerWidthAndItsListHalfTheHeight) {
    EXPECT_EQ(MainViewLayout::selectorDropRect(kViewClient), (Rect{8, 8, 150, 190}));
    // 3W/4 is taken first: a width of 10 leaves 10 - 7 = 3, not 10/4 = 2.
    EXPECT_EQ(MainViewLayout::selectorDropRect({0, 0, 26, 27}), (Rect{8, 8, 11, 14}));
}

TEST(MainViewLayout, ThePanelFollowsTheMeasuredSelector) {
    const MainViewLayout layout = MainViewLayout::arrange(kViewClient, 2, 142, 24);
    EXPECT_EQ(layout.topRule, (Rect{0, 0, 584, 2}));
    EXPECT_EQ(layout.versionBar, (Rect{158, 8, 576, 32}));
    EXPECT_EQ(layout.grid, (Rect{8, 40, 455, 331}));
    EXPECT_EQ(layout.getVersion, (Rect{462, 40, 576, 113}));
    EXPECT_EQ(layout.write, (Rect{462, 113, 576, 186}));
    EXPECT_EQ(layout.all, (Rect{8, 338, 122, 372}));
    EXPECT_EQ(layout.clear, (Rect{122, 338, 236, 372}));
}

TEST(MainViewLayout, TheButtonColumnIsCutTruncatingTowardZero) {
    // (T - (B - e)) * 3 is negative: -873 / 4 gives -218, where rounding down
    // would give -219 and a Get Ver. button one pixel shorter.
    const MainViewLayout layout = MainViewLayout::arrange(kViewClient, 2, 142, 24);
    EXPECT_EQ(layout.getVersion.height(), 73);
    EXPECT_EQ(layout.write.top, layout.getVersion.bottom);
}

TEST(MainViewLayout, ALargerFontMovesThePanelDown) {
    const MainViewLayout small = MainViewLayout::arrange(kViewClient, 2, 142, 24);
    const MainViewLayout large = MainViewLayout::arrange(kViewClient, 2, 142, 40);
    EXPECT_EQ(large.grid.top - small.grid.top, 16);
    EXPECT_EQ(large.versionBar.height(), 40);
    EXPECT_EQ(large.all.bottom, small.all.bottom);
}

TEST(VersionBarCells, FourEqualCellsThatMayReachPastTheBar) {
    EXPECT_EQ(VersionBarCells::cellWidth(418), 106);  // 418 - 104 * 3
    const auto cells = VersionBarCells::place({158, 8, 576, 32});
    EXPECT_EQ(cells[VersionBarCells::RomLabel], (Rect{158, 8, 264, 32}));
    EXPECT_EQ(cells[VersionBarCells::RomValue], (Rect{264, 8, 370, 32}));
    EXPECT_EQ(cells[VersionBarCells::FileLabel], (Rect{370, 8, 476, 32}));
    EXPECT_EQ(cells[VersionBarCells::FileValue], (Rect{476, 8, 582, 32}));
    EXPECT_FALSE(VersionBarCells::shownAtCreation(VersionBarCells::RomLabel));
    EXPECT_FALSE(VersionBarCells::shownAtCreation(VersionBarCells::RomValue));
    EXPECT_TRUE(VersionBarCells::shownAtCreation(VersionBarCells::FileLabel));
    EXPECT_TRUE(VersionBarCells::shownAtCreation(VersionBarCells::FileValue));
}

TEST(StatusWindowLayout, TheWindowIsCentredOverTheMainWindowButNeverLeftOfOrAboveTheScreen) {
    EXPECT_EQ(StatusWindowLayout::placement({100, 100, 700, 550}), (Rect{160, 145, 640, 505}));
    EXPECT_EQ(StatusWindowLayout::placement({-200, -50, 400, 400}), (Rect{0, 0, 480, 360}));
}

TEST(StatusWindowLayout, FourRowsInTheGroupAndTwoBarsAndTheButtonBelow) {
    const StatusWindowLayout layout = StatusWindowLayout::arrange({0, 0, 474, 354});
    EXPECT_EQ(layout.group, (Rect{8, 8, 466, 211}));
    EXPECT_EQ(layout.fileName.caption, (Rect{24, 48, 124, 80}));
    EXPECT_EQ(layout.fileName.value, (Rect{124, 48, 450, 80}));
    EXPECT_EQ(layout.address.value, (Rect{124, 88, 263, 120}));
    EXPECT_EQ(layout.address.dash, (Rect{263, 88, 311, 120}));
    EXPECT_EQ(layout.address.high, (Rect{311, 88, 450, 120}));
    EXPECT_EQ(layout.checkSum.value, (Rect{124, 128, 263, 160}));
    EXPECT_EQ(layout.statusLine, (Rect{24, 168, 450, 200}));
    EXPECT_EQ(layout.current.caption, (Rect{8, 218, 108, 255}));
    EXPECT_EQ(layout.current.bar, (Rect{108, 218, 466, 255}));
    EXPECT_EQ(layout.total.bar, (Rect{108, 263, 466, 300}));
    EXPECT_EQ(layout.button, (Rect{122, 308, 352, 345}));
}

TEST(InfoPaneCells, OnlyTheAddressPaneHasADashAndAHighCell) {
    EXPECT_EQ(InfoPaneCells::valueWidth(426), 139);
    const InfoPaneCells fileName = InfoPaneCells::place(InfoPaneCells::Kind::FileName, {0, 0, 426, 20});
    EXPECT_EQ(fileName.dash, Rect{});
    EXPECT_EQ(fileName.high, Rect{});
    const InfoPaneCells checkSum = InfoPaneCells::place(InfoPaneCells::Kind::CheckSum, {0, 0, 426, 20});
    EXPECT_EQ(checkSum.value.width(), 139);
    EXPECT_EQ(checkSum.high, Rect{});
    // An even width is filled exactly; an odd one makes the high cell reach
    // one pixel past the pane's edge.
    EXPECT_EQ(InfoPaneCells::place(InfoPaneCells::Kind::Address, {0, 0, 426, 20}).high.right, 426);
    EXPECT_EQ(InfoPaneCells::place(InfoPaneCells::Kind::Address, {0, 0, 427, 20}).high.right, 428);
}

TEST(ModeSelectLayout, TheControlsSitWhereTheDialogTablePutsThem) {
    const ModeSelectLayout layout = ModeSelectLayout::arrange(244, 174);
    EXPECT_EQ(layout.banner, (Rect{0, 154, 244, 174}));
    EXPECT_EQ(layout.ok, (Rect{82, 124, 162, 149}));
    EXPECT_EQ(layout.icon, (Rect{10, 26, 42, 58}));
    EXPECT_EQ(layout.prompt, (Rect{50, 26, 234, 46}));
    EXPECT_EQ(layout.hostInterface, (Rect{50, 66, 234, 86}));
    EXPECT_EQ(layout.cardDirect, (Rect{50, 91, 234, 111}));
    EXPECT_EQ(ModeSelectLayout::headingFont(), (FontRequest{"Times New Roman", 14, 0, true, false}));
    EXPECT_EQ(ModeSelectLayout::buttonFont(), (FontRequest{"Times New Roman", 12, 0, false, false}));
}

}  // namespace
}  // namespace view
