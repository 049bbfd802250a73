#include <gtest/gtest.h>

#include "view/StatusWindowRefresh.h"

namespace view {
namespace {

using Refresh = StatusWindowRefresh;

StatusSnapshot writing() {
    StatusSnapshot status;
    status.title = "ENG7 : MAIN";
    status.fileName = "MAIN0200R.mot";
    status.lowAddress = 0x200000;
    status.highAddress = 0x2FFFFF;
    status.checksum = 0x1234;
    status.statusText = "Writing";
    return status;
}

TEST(StatusWindowRefresh, AddressesAndTheChecksumShowEightHexDigits) {
    Refresh refresh;
    refresh.refresh(writing(), false);
    EXPECT_EQ(refresh.shown().groupTitle, "ENG7 : MAIN");
    EXPECT_EQ(refresh.shown().fileName, "MAIN0200R.mot");
    EXPECT_EQ(refresh.shown().lowAddress, "00200000H");
    EXPECT_EQ(refresh.shown().highAddress, "002FFFFFH");
    EXPECT_EQ(refresh.shown().checksum, "00001234H");
    EXPECT_EQ(Refresh::hexCell(0xFFFFFFFFu), "FFFFFFFFH");
    EXPECT_EQ(Refresh::hexCell(0), "00000000H");
}

TEST(StatusWindowRefresh, AnUnchangedRecordWritesNothing) {
    Refresh refresh;
    const Refresh::Changes first = refresh.refresh(writing(), false);
    EXPECT_TRUE(first.has(Refresh::GroupTitle));
    EXPECT_TRUE(first.has(Refresh::CheckSum));
    EXPECT_TRUE(first.has(Refresh::StatusText));
    EXPECT_FALSE(first.has(Refresh::TotalRange));  // the bars start at 0..100, position 0
    EXPECT_FALSE(first.has(Refresh::ButtonEnabled));
    EXPECT_EQ(refresh.refresh(writing(), false).mask, 0u);
}

TEST(StatusWindowRefresh, AnEmptyTitleEmptiesAllThreePanesAndAMissingFileNameTheOtherCells) {
    Refresh refresh;
    refresh.refresh(writing(), false);
    StatusSnapshot noFile = writing();
    noFile.fileName.clear();
    const Refresh::Changes changes = refresh.refresh(noFile, false);
    EXPECT_TRUE(changes.has(Refresh::FileName));
    EXPECT_TRUE(changes.has(Refresh::LowAddress));
    EXPECT_TRUE(changes.has(Refresh::HighAddress));
    EXPECT_TRUE(changes.has(Refresh::CheckSum));
    EXPECT_EQ(refresh.shown().lowAddress, "");
    EXPECT_EQ(refresh.shown().checksum, "");

    Refresh other;
    StatusSnapshot noTitle = writing();
    noTitle.title.clear();
    other.refresh(noTitle, false);
    EXPECT_EQ(other.shown().fileName, "");
    EXPECT_EQ(other.shown().lowAddress, "");
    EXPECT_EQ(other.shown().highAddress, "");
    EXPECT_EQ(other.shown().checksum, "");
}

TEST(StatusWindowRefresh, CellsCompareWithoutRegardToCaseButTheStatusLineExactly) {
    Refresh refresh;
    refresh.refresh(writing(), false);
    StatusSnapshot other = writing();
    other.title = "eng7 : main";
    other.fileName = "main0200r.MOT";
    other.statusText = "writing";
    const Refresh::Changes changes = refresh.refresh(other, false);
    EXPECT_FALSE(changes.has(Refresh::GroupTitle));
    EXPECT_FALSE(changes.has(Refresh::FileName));
    EXPECT_EQ(refresh.shown().groupTitle, "ENG7 : MAIN");
    EXPECT_TRUE(changes.has(Refresh::StatusText));
    EXPECT_EQ(refresh.shown().statusText, "writing");
}

TEST(StatusWindowRefresh, TheStatusLineTurnsRedOnErrorAndBlinksWhileFinished) {
    Refresh refresh;
    StatusSnapshot status = writing();
    status.errorFlag = true;
    status.finishedFlag = true;
    const Refresh::Changes failed = refresh.refresh(status, false);
    EXPECT_TRUE(failed.has(Refresh::StatusColour));
    EXPECT_TRUE(failed.has(Refresh::Blinking));
    EXPECT_EQ(refresh.shown().statusColour, kRed);
    EXPECT_TRUE(refresh.shown().blinking);
    status.errorFlag = false;
    status.finishedFlag = false;
    refresh.refresh(status, false);
    EXPECT_EQ(refresh.shown().statusColour, kBlack);
    EXPECT_FALSE(refresh.shown().blinking);
}

TEST(StatusWindowRefresh, TheBarsTakeTheirRangesAndPositionsAlsoAnEmptyRange) {
    Refresh refresh;
    StatusSnapshot status = writing();
    status.currentTotal = 0;
    status.overallTotal = 17;
    status.overallPos = 5;
    const Refresh::Changes changes = refresh.refresh(status, false);
    EXPECT_TRUE(changes.has(Refresh::CurrentRange));
    EXPECT_FALSE(changes.has(Refresh::CurrentPos));
    EXPECT_TRUE(changes.has(Refresh::TotalRange));
    EXPECT_TRUE(changes.has(Refresh::TotalPos));
    EXPECT_EQ(refresh.shown().currentRange, 0);
    EXPECT_EQ(refresh.shown().totalRange, 17);
    EXPECT_EQ(refresh.shown().totalPos, 5);
}

TEST(StatusWindowRefresh, TheButtonFollowsCancelEnabledAndBecomesOkOnceTheOperationEnded) {
    Refresh refresh;
    EXPECT_EQ(refresh.shown().buttonCaption, "Cancel");
    StatusSnapshot status = writing();
    status.cancelEnabled = false;
    EXPECT_TRUE(refresh.refresh(status, false).has(Refresh::ButtonEnabled));
    EXPECT_FALSE(refresh.shown().buttonEnabled);
    const Refresh::Changes ended = refresh.refresh(status, true);
    EXPECT_TRUE(ended.has(Refresh::ButtonCaption));
    EXPECT_EQ(refresh.shown().buttonCaption, "OK");
    EXPECT_FALSE(refresh.refresh(status, true).has(Refresh::ButtonCaption));
    // The caption stays OK even if the event is no longer seen.
    refresh.refresh(status, false);
    EXPECT_EQ(refresh.shown().buttonCaption, "OK");
}

}  // namespace
}  // namespace view
