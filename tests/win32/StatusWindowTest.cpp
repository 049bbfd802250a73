#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "FakeStatusFeed.h"
#include "GuiTestSupport.h"
#include "view/StatusWindowRefresh.h"
#include "winui/ControlColours.h"
#include "winui/StatusWindow.h"
#include "winui/WindowGeometry.h"

namespace {

using winui::StatusWindow;

using FakeFeed = viewtest::FakeStatusFeed;

class StatusWindowTest : public testing::Test {
  protected:
    HWND mainWindow = nullptr;
    FakeFeed feed;
    std::unique_ptr<StatusWindow> window;

    void SetUp() override {
        mainWindow = ::CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 600,
                                       450, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(mainWindow, nullptr);
        window = std::make_unique<StatusWindow>(feed, mainWindow);
    }
    void TearDown() override {
        window.reset();
        ::DestroyWindow(mainWindow);
    }

    std::string fileNameCell() { return window->fileNamePane().valueCell().text(); }
    std::string lowCell() { return window->addressPane().valueCell().text(); }
    std::string highCell() { return window->addressPane().highValueCell()->text(); }
    std::string checksumCell() { return window->checkSumPane().valueCell().text(); }
    void pressButton() {
        ::SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(StatusWindow::kButtonId, BN_CLICKED),
                       reinterpret_cast<LPARAM>(window->button()));
    }
};

TEST_F(StatusWindowTest, APopupWithoutTitleOf480By360CentredOverTheMainWindow) {
    const LONG_PTR style = ::GetWindowLongPtrW(window->hwnd(), GWL_STYLE);
    EXPECT_NE(style & WS_POPUP, 0);
    EXPECT_NE(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(::IsWindowVisible(window->hwnd()));
    EXPECT_EQ(::GetWindow(window->hwnd(), GW_OWNER), mainWindow);
    EXPECT_EQ(winui::windowText(window->hwnd()), "Status");
    EXPECT_EQ(winui::rectInParent(window->hwnd()),
              view::Rect::ofSize(100 + (600 - 480) / 2, 100 + (450 - 360) / 2, 480, 360));
    EXPECT_EQ(winui::windowText(window->fileNamePane().caption()), "File Name");
    EXPECT_EQ(winui::windowText(window->addressPane().caption()), "Address");
    EXPECT_EQ(winui::windowText(window->checkSumPane().caption()), "CheckSum");
    EXPECT_EQ(winui::windowText(window->currentProgress().caption()), "Current");
    EXPECT_EQ(winui::windowText(window->totalProgress().caption()), "Total");
    EXPECT_EQ(winui::windowText(window->button()), "Cancel");
    EXPECT_EQ(::GetDlgCtrlID(window->button()), 100);
    EXPECT_NE(::GetWindowLongPtrW(window->currentProgress().bar(), GWL_STYLE) & PBS_SMOOTH, 0);
    // The button is half as wide as its row, centred.
    const view::Rect button = winui::rectInParent(window->button());
    const view::Rect row = winui::rectInParent(window->totalProgress().caption());
    const view::Rect bar = winui::rectInParent(window->totalProgress().bar());
    const int rowWidth = bar.right - row.left;
    EXPECT_EQ(button.width(), rowWidth - 2 * (rowWidth / 4));
    EXPECT_EQ(button.left - row.left, bar.right - button.right);
}

TEST_F(StatusWindowTest, AddressesAndTheChecksumShowEightHexDigits) {
    feed.status.title = "ENG7 : MAIN";
    feed.status.fileName = "MAIN0200R.mot";
    feed.status.lowAddress = 0x200000;
    feed.status.highAddress = 0x2FFFFF;
    feed.status.checksum = 0x1234;
    window->refresh();
    EXPECT_EQ(winui::windowText(window->group()), "ENG7 : MAIN");
    EXPECT_EQ(fileNameCell(), "MAIN0200R.mot");
    EXPECT_EQ(lowCell(), "00200000H");
    EXPECT_EQ(highCell(), "002FFFFFH");
    EXPECT_EQ(checksumCell(), "00001234H");

    feed.status.fileName.clear();
    window->refresh();
    EXPECT_EQ(fileNameCell(), "");
    EXPECT_EQ(lowCell(), "");
    EXPECT_EQ(checksumCell(), "");
    feed.status.fileName = "F.mot";
    feed.status.title.clear();
    window->refresh();
    EXPECT_EQ(winui::windowText(window->group()), "");
    EXPECT_EQ(fileNameCell(), "");
    EXPECT_EQ(highCell(), "");
}

TEST_F(StatusWindowTest, TheBarsTakeTheirRangesAndPositionsAlsoAnEmptyRange) {
    feed.status.currentTotal = 0;
    feed.status.currentPos = 0;
    feed.status.overallTotal = 17;
    feed.status.overallPos = 5;
    window->refresh();
    EXPECT_EQ(::SendMessageW(window->currentProgress().bar(), PBM_GETRANGE, FALSE, 0), 0);
    EXPECT_EQ(::SendMessageW(window->totalProgress().bar(), PBM_GETRANGE, FALSE, 0), 17);
    EXPECT_EQ(::SendMessageW(window->totalProgress().bar(), PBM_GETPOS, 0, 0), 5);
}

TEST_F(StatusWindowTest, TheStatusLineTurnsRedOnErrorAndBlinksWhileFinished) {
    feed.status.statusText = "Write Error";
    feed.status.errorFlag = true;
    feed.status.finishedFlag = true;
    window->refresh();
    EXPECT_EQ(window->statusLine().text(), "Write Error");
    EXPECT_EQ(window->statusLine().colourA(), (view::Rgb{255, 0, 0}));
    EXPECT_EQ(window->statusLine().colourB(), view::kWhite);
    EXPECT_TRUE(window->statusLine().isBlinking());
    // The half-second timer swaps the colours.
    const bool litBefore = window->statusLine().lit();
    win32test::pump(600);
    EXPECT_NE(window->statusLine().lit(), litBefore);

    feed.status.errorFlag = false;
    feed.status.finishedFlag = false;
    feed.status.statusText = "write error";
    window->refresh();
    EXPECT_EQ(window->statusLine().colourA(), view::kBlack);
    EXPECT_FALSE(window->statusLine().isBlinking());
    EXPECT_EQ(window->statusLine().lit(), litBefore);
    EXPECT_EQ(window->statusLine().text(), "write error");  // compared with case
}

TEST_F(StatusWindowTest, TheStatusLineAnswersItsColourRequestWithItsPhase) {
    feed.status.statusText = "Erasing";
    window->refresh();
    HWND line = window->statusLine().hwnd();
    HDC dc = ::GetDC(line);
    ::SendMessageW(window->hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(line));
    EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(::GetBkColor(dc), RGB(255, 255, 255));
    window->statusLine().setBlinking(true);
    window->statusLine().blinkTick();  // the inverted phase
    ::SendMessageW(window->hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(line));
    EXPECT_EQ(::GetTextColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(::GetBkColor(dc), RGB(0, 0, 0));
    ::ReleaseDC(line, dc);
}

TEST_F(StatusWindowTest, CancelIsEnabledAsTheRecordSaysAndClosesAtOnce) {
    feed.status.cancelEnabled = false;
    window->refresh();
    EXPECT_FALSE(::IsWindowEnabled(window->button()));
    feed.status.cancelEnabled = true;
    window->refresh();
    ASSERT_TRUE(::IsWindowEnabled(window->button()));
    pressButton();
    EXPECT_EQ(feed.cancels, 1);
    EXPECT_FALSE(window->isOpen());
}

TEST_F(StatusWindowTest, TheButtonBecomesOkAtTheEndAndOkAlsoSignalsCancel) {
    win32test::pump(50);  // the 10 ms timer refreshes by itself
    EXPECT_EQ(winui::windowText(window->button()), "Cancel");
    feed.done = true;
    feed.status.statusText = "=== Write Completed (Retry=0) ===";
    win32test::pump(100);
    EXPECT_EQ(winui::windowText(window->button()), "OK");
    EXPECT_EQ(window->statusLine().text(), "=== Write Completed (Retry=0) ===");
    pressButton();
    EXPECT_EQ(feed.cancels, 1);
    EXPECT_FALSE(window->isOpen());
}

TEST_F(StatusWindowTest, TheCloseRequestDoesNothing) {
    ::SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    ::SendMessageW(window->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(window->isOpen());
    EXPECT_EQ(feed.cancels, 0);
}

TEST_F(StatusWindowTest, AFontReachesEveryChild) {
    HFONT font = static_cast<HFONT>(::GetStockObject(ANSI_FIXED_FONT));
    window->applyFont(font);
    for (HWND child :
         {window->button(), window->statusLine().hwnd(), window->addressPane().highValueCell()->hwnd(),
          window->totalProgress().caption(), window->group()}) {
        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)), font)
            << win32test::className(child);
    }
}

}  // namespace
