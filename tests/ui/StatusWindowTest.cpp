#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "FakeStatusFeed.h"
#include "ui/BlinkStatic.h"
#include "ui/StatusWindow.h"

namespace {

using ui::StatusWindow;

using FakeFeed = viewtest::FakeStatusFeed;

class StatusWindowTest : public testing::Test {
  protected:
    QMainWindow mainWindow;
    FakeFeed feed;
    QPointer<StatusWindow> window = new StatusWindow(feed, &mainWindow);

    void TearDown() override { delete window.data(); }

    QString fileNameCell() const { return window->fileNamePane().valueCell()->text(); }
    QString lowCell() const { return window->addressPane().valueCell()->text(); }
    QString highCell() const { return window->addressPane().highValueCell()->text(); }
    QString checksumCell() const { return window->checkSumPane().valueCell()->text(); }
};

TEST_F(StatusWindowTest, AddressesAndTheChecksumShowEightHexDigits) {
    feed.status.title = "ENG7 : MAIN";
    feed.status.fileName = "MAIN0200R.mot";
    feed.status.lowAddress = 0x200000;
    feed.status.highAddress = 0x2FFFFF;
    feed.status.checksum = 0x1234;
    window->refresh();
    EXPECT_EQ(window->group()->title(), "ENG7 : MAIN");
    EXPECT_EQ(fileNameCell(), "MAIN0200R.mot");
    EXPECT_EQ(lowCell(), "00200000H");
    EXPECT_EQ(highCell(), "002FFFFFH");
    EXPECT_EQ(checksumCell(), "00001234H");
    EXPECT_EQ(view::StatusWindowRefresh::hexCell(0xFFFFFFFFu), "FFFFFFFFH");
}

TEST_F(StatusWindowTest, AnEmptyTitleBlanksAllThreePanes) {
    feed.status.title = "T";
    feed.status.fileName = "F.mot";
    window->refresh();
    ASSERT_FALSE(lowCell().isEmpty());
    feed.status.title.clear();
    window->refresh();
    EXPECT_EQ(window->group()->title(), "");
    EXPECT_EQ(fileNameCell(), "");
    EXPECT_EQ(lowCell(), "");
    EXPECT_EQ(highCell(), "");
    EXPECT_EQ(checksumCell(), "");
}

TEST_F(StatusWindowTest, ATitleWithoutAFileNameLeavesTheCellsEmpty) {
    feed.status.title = "T";
    feed.status.lowAddress = 0x10;
    window->refresh();
    EXPECT_EQ(fileNameCell(), "");
    EXPECT_EQ(lowCell(), "");
    EXPECT_EQ(checksumCell(), "");
}

TEST_F(StatusWindowTest, TheBarsTakeTheirRangesAndPositionsAlsoAnEmptyRange) {
    feed.status.currentTotal = 0;
    feed.status.currentPos = 0;
    feed.status.overallTotal = 17;
    feed.status.overallPos = 5;
    window->refresh();
    EXPECT_EQ(window->currentProgress().upperRange(), 0);
    EXPECT_EQ(window->currentProgress().bar()->value(), 0);
    EXPECT_NE(window->currentProgress().bar()->maximum(), 0);  // no busy indicator
    EXPECT_EQ(window->totalProgress().upperRange(), 17);
    EXPECT_EQ(window->totalProgress().position(), 5);
    EXPECT_EQ(window->totalProgress().bar()->maximum(), 17);
    EXPECT_EQ(window->totalProgress().bar()->value(), 5);
}

TEST_F(StatusWindowTest, TheStatusLineTurnsRedOnErrorAndBlinksWhileFinished) {
    feed.status.statusText = "Write Error";
    feed.status.errorFlag = true;
    feed.status.finishedFlag = true;
    window->refresh();
    EXPECT_EQ(window->statusLine()->text(), "Write Error");
    EXPECT_EQ(window->statusLine()->colourA(), QColor(255, 0, 0));
    EXPECT_TRUE(window->statusLine()->isBlinking());
    feed.status.errorFlag = false;
    feed.status.finishedFlag = false;
    feed.status.statusText = "write error";
    window->refresh();
    EXPECT_EQ(window->statusLine()->colourA(), QColor(0, 0, 0));
    EXPECT_FALSE(window->statusLine()->isBlinking());
    EXPECT_EQ(window->statusLine()->text(), "write error");  // compared with case
}

TEST_F(StatusWindowTest, CancelClosesAtOnceAndSignalsCancel) {
    feed.status.cancelEnabled = false;
    window->refresh();
    EXPECT_FALSE(window->button()->isEnabled());
    feed.status.cancelEnabled = true;
    window->refresh();
    ASSERT_TRUE(window->button()->isEnabled());
    EXPECT_EQ(window->button()->text(), "Cancel");
    window->show();
    window->button()->click();
    EXPECT_EQ(feed.cancels, 1);
    EXPECT_FALSE(window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(StatusWindowTest, TheButtonBecomesOkAtTheEndAndOkAlsoSignalsCancel) {
    window->refresh();
    EXPECT_EQ(window->button()->text(), "Cancel");
    feed.done = true;
    window->refresh();
    EXPECT_EQ(window->button()->text(), "OK");
    window->button()->click();
    EXPECT_EQ(feed.cancels, 1);
}

TEST_F(StatusWindowTest, TheCloseRequestAndEscapeDoNothing) {
    window->show();
    EXPECT_FALSE(window->close());
    QTest::keyClick(window, Qt::Key_Escape);
    QTest::keyClick(window, Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(feed.cancels, 0);
}

TEST_F(StatusWindowTest, TheWindowIs480By360CentredOverTheMainWindow) {
    EXPECT_EQ(window->size(), QSize(StatusWindow::kWidth, StatusWindow::kHeight));
    mainWindow.setGeometry(100, 100, 600, 450);
    StatusWindow second(feed, &mainWindow);
    const QRect owner = mainWindow.frameGeometry();
    EXPECT_EQ(second.pos(),
              QPoint(owner.left() + (owner.width() - 480) / 2, owner.top() + (owner.height() - 360) / 2));
    // The button is half as wide as its row and centred under the bars.
    const QRect bar =
        second.totalProgress().captionCell()->geometry().united(second.totalProgress().bar()->geometry());
    EXPECT_EQ(second.button()->width(), bar.width() - 2 * (bar.width() / 4));
    EXPECT_EQ(second.button()->geometry().center().x() / 2, bar.center().x() / 2);
}

TEST_F(StatusWindowTest, AFontReachesEveryChild) {
    QFont font("DejaVu Sans", 13);
    window->applyFont(font);
    EXPECT_EQ(window->button()->font(), font);
    EXPECT_EQ(window->statusLine()->font(), font);
    EXPECT_EQ(window->addressPane().highValueCell()->font(), font);
    EXPECT_EQ(window->totalProgress().captionCell()->font(), font);
}

}  // namespace
