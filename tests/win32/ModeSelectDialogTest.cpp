#include <gtest/gtest.h>

#include <windows.h>

#include "GuiTestSupport.h"
#include "view/ModeSelectLayout.h"
#include "winui/CQButton.h"
#include "winui/CaptionStatic.h"
#include "winui/FontTable.h"
#include "winui/ModeSelectDialog.h"
#include "winui/WindowGeometry.h"

namespace {

using view::ModeSelectLayout;
using winui::CQButton;
using winui::ModeSelectDialog;

// A main window for the dialog to sit on.
class ModeSelectDialogTest : public testing::Test {
  protected:
    using ModalScript = win32test::ModalScript;

    HWND mainWindow = nullptr;
    ModeSelectDialog dialog;
    ModalScript script;

    void SetUp() override {
        mainWindow = ::CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 600,
                                       450, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(mainWindow, nullptr);
    }
    void TearDown() override { ::DestroyWindow(mainWindow); }

    ModalScript::Match theDialog() {
        return [this](HWND window) { return window == dialog.hwnd(); };
    }
    data::WritingPort run() {
        ::EnableWindow(mainWindow, FALSE);
        const data::WritingPort choice = dialog.run(mainWindow);
        ::EnableWindow(mainWindow, TRUE);
        EXPECT_TRUE(script.finished());
        EXPECT_FALSE(script.timedOut());
        return choice;
    }
};

TEST_F(ModeSelectDialogTest, APopupWithoutTitleAtTheMainWindowsClientCornerWithItsControls) {
    script.then(theDialog(), [this](HWND window) {
        const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
        EXPECT_NE(style & WS_POPUP, 0);
        EXPECT_NE(style & WS_CAPTION, WS_CAPTION);  // no title bar
        const view::Rect outer = winui::rectInParent(window);
        POINT corner{0, 0};
        ::ClientToScreen(mainWindow, &corner);
        EXPECT_EQ(outer, view::Rect::ofSize(corner.x, corner.y, 250, 180));

        const view::Rect client = winui::clientRect(window);
        const ModeSelectLayout layout = ModeSelectLayout::arrange(client.width(), client.height());
        EXPECT_EQ(winui::rectInParent(dialog.okButton()->hwnd()), layout.ok);
        EXPECT_EQ(winui::rectInParent(dialog.hostInterfaceButton()->hwnd()), layout.hostInterface);
        EXPECT_EQ(winui::rectInParent(dialog.cardDirectButton()->hwnd()), layout.cardDirect);
        EXPECT_EQ(winui::rectInParent(dialog.banner()->hwnd()), layout.banner);
        EXPECT_EQ(winui::rectInParent(dialog.prompt()->hwnd()), layout.prompt);
        EXPECT_EQ(winui::rectInParent(dialog.icon()), layout.icon);
        EXPECT_EQ(layout.ok, (view::Rect{client.width() - client.width() / 2 - 40, client.height() - 50,
                                         client.width() - client.width() / 2 + 40, client.height() - 25}));

        EXPECT_EQ(dialog.okButton()->text(), "OK");
        EXPECT_EQ(dialog.hostInterfaceButton()->text(), "Host I/F");
        EXPECT_EQ(dialog.cardDirectButton()->text(), "Card Direct");
        EXPECT_EQ(winui::windowText(dialog.banner()->hwnd()), "MODE SELECT");
        EXPECT_EQ(winui::windowText(dialog.prompt()->hwnd()), "Please select writing port.");
        EXPECT_EQ(dialog.banner()->textColour(), view::kBlack);
        EXPECT_EQ(dialog.banner()->backgroundColour(), view::kWhite);
        EXPECT_EQ(dialog.banner()->alignment(), winui::CaptionStatic::Alignment::Centre);
        EXPECT_EQ(dialog.prompt()->alignment(), winui::CaptionStatic::Alignment::Left);
        EXPECT_NE(::SendMessageW(dialog.icon(), STM_GETICON, 0, 0), 0);

        // The window order is the creation order: banner, OK, icon, prompt, Host I/F, Card Direct.
        HWND order[] = {dialog.banner()->hwnd(),
                        dialog.okButton()->hwnd(),
                        dialog.icon(),
                        dialog.prompt()->hwnd(),
                        dialog.hostInterfaceButton()->hwnd(),
                        dialog.cardDirectButton()->hwnd()};
        HWND child = ::GetWindow(window, GW_CHILD);
        for (HWND expected : order) {
            EXPECT_EQ(child, expected);
            child = ::GetWindow(child, GW_HWNDNEXT);
        }

        // Host I/F checked without a notification, the focus on OK with its frame.
        EXPECT_EQ(dialog.hostInterfaceButton()->checkState(), 1);
        EXPECT_EQ(dialog.cardDirectButton()->checkState(), 0);
        EXPECT_EQ(::GetFocus(), dialog.okButton()->hwnd());
        EXPECT_TRUE(dialog.okButton()->hasFocusFrame());
        // The three buttons share one font entry, the banner and the prompt another.
        EXPECT_NE(dialog.okButton()->fontIndex(), 0);
        EXPECT_EQ(dialog.okButton()->fontIndex(), dialog.hostInterfaceButton()->fontIndex());
        EXPECT_EQ(dialog.okButton()->fontIndex(), dialog.cardDirectButton()->fontIndex());
        EXPECT_NE(dialog.banner()->fontIndex(), 0);
        EXPECT_EQ(dialog.banner()->fontIndex(), dialog.prompt()->fontIndex());
        // The main window stays disabled while the dialog is up.
        EXPECT_FALSE(::IsWindowEnabled(mainWindow));
        win32test::click(dialog.okButton()->hwnd());
    });
    EXPECT_EQ(run(), data::WritingPort::HostInterface);
}

TEST_F(ModeSelectDialogTest, EnterEscapeAndTheCloseRequestLeaveTheDialogOpen) {
    script
        .then(theDialog(),
              [](HWND window) {
                  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                  ::SendMessageW(window, WM_CLOSE, 0, 0);
                  ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
                  // The keys themselves, as the dialog's own loop would get them.
                  ::PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
                  ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
              })
        // A dialog ended by any of those would be gone before the next tick.
        .then(theDialog(),
              [this](HWND) {
                  EXPECT_EQ(dialog.hostInterfaceButton()->checkState(), 1);
                  win32test::click(dialog.cardDirectButton()->hwnd());
              })
        .then(theDialog(), [this](HWND) { win32test::click(dialog.okButton()->hwnd()); });
    EXPECT_EQ(run(), data::WritingPort::CardDirect);
}

TEST_F(ModeSelectDialogTest, TheRadioMarksFollowEachClickAndTheLastOneIsTheAnswer) {
    script.then(theDialog(), [this](HWND) {
        CQButton& host = *dialog.hostInterfaceButton();
        CQButton& card = *dialog.cardDirectButton();
        win32test::click(card.hwnd());
        EXPECT_EQ(card.checkState(), 1);
        EXPECT_EQ(host.checkState(), 0);
        EXPECT_EQ(dialog.choice(), data::WritingPort::CardDirect);
        win32test::click(card.hwnd());  // already checked: nothing happens
        EXPECT_EQ(card.checkState(), 1);
        EXPECT_EQ(dialog.choice(), data::WritingPort::CardDirect);
        win32test::click(host.hwnd());
        EXPECT_EQ(host.checkState(), 1);
        EXPECT_EQ(card.checkState(), 0);
        EXPECT_EQ(dialog.choice(), data::WritingPort::HostInterface);
        // A double click on a button counts as a click.
        ::SendMessageW(card.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(card.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(card.checkState(), 1);
        EXPECT_EQ(dialog.choice(), data::WritingPort::CardDirect);
        win32test::click(dialog.okButton()->hwnd());
    });
    EXPECT_EQ(run(), data::WritingPort::CardDirect);
}

TEST_F(ModeSelectDialogTest, AButtonReleasedOutsideItsRectangleSendsNothing) {
    script.then(theDialog(), [this](HWND) {
        HWND card = dialog.cardDirectButton()->hwnd();
        ::SendMessageW(card, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(card, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 5));
        EXPECT_FALSE(dialog.cardDirectButton()->isPointerInside());
        ::SendMessageW(card, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
        EXPECT_EQ(dialog.cardDirectButton()->checkState(), 0);
        EXPECT_EQ(dialog.choice(), data::WritingPort::HostInterface);
        // Out and back in before the release: the click counts.
        ::SendMessageW(card, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(card, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 5));
        ::SendMessageW(card, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 6));
        EXPECT_TRUE(dialog.cardDirectButton()->isPointerInside());
        ::SendMessageW(card, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
        EXPECT_EQ(dialog.choice(), data::WritingPort::CardDirect);
        win32test::click(dialog.okButton()->hwnd());
    });
    EXPECT_EQ(run(), data::WritingPort::CardDirect);
}

}  // namespace
