#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "GuiTestSupport.h"
#include "UnitListFixture.h"
#include "core/UserNotifier.h"
#include "data/CommSettings.h"
#include "platform/Utf16.h"
#include "view/MainFrame.h"
#include "winui/CDIAGView.h"
#include "winui/CMainFrame.h"
#include "winui/ResourceIds.h"
#include "winui/WindowGeometry.h"

namespace {

using view::MainFrame;
using winui::CMainFrame;

struct RecordingNotifier : core::UserNotifier {
    std::vector<std::string> texts;
    void showMessage(const std::string& text, core::MessageIcon) override { texts.push_back(text); }
};

std::vector<std::string> itemTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        const int length = ::GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        texts.push_back(platform::narrow(std::wstring_view(text, static_cast<std::size_t>(length))));
    }
    return texts;
}

bool isChecked(HMENU menu, int command) {
    return (::GetMenuState(menu, static_cast<UINT>(command), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

std::string fileContent(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class FrameTest : public testing::Test {
  protected:
    viewtest::DocumentFixture fixture;
    data::CommSettings comm;
    std::uint8_t connectionPoint = 0x10;
    std::vector<std::string> ports{"COM3", "COM7"};
    std::unique_ptr<CMainFrame> frame;
    RecordingNotifier notifier;

    void SetUp() override {
        comm.deviceName = "com7";
        frame = std::make_unique<CMainFrame>(*fixture.document, ports, comm, connectionPoint);
        winui::CDIAGView* view = &frame->view();
        fixture.document->setUpdateHandler([view] { view->refresh(); });
        frame->setNotifier(&notifier);
    }

    LONG_PTR style() const { return ::GetWindowLongPtrW(frame->hwnd(), GWL_STYLE); }
};

TEST_F(FrameTest, TheWindowIsAFixed600By450WithMenusAndAReadyStatusBar) {
    const view::Rect outer = winui::rectInParent(frame->hwnd());
    EXPECT_EQ(outer.width(), 600);
    EXPECT_EQ(outer.height(), 450);
    EXPECT_EQ(style() & WS_THICKFRAME, 0);
    EXPECT_EQ(style() & WS_MAXIMIZEBOX, 0);
    EXPECT_NE(style() & WS_MINIMIZEBOX, 0);
    EXPECT_NE(style() & WS_CAPTION, 0);
    EXPECT_EQ(winui::windowText(frame->hwnd()), "Untitled - FLASHKIT");

    HMENU bar = ::GetMenu(frame->hwnd());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(itemTexts(bar), (std::vector<std::string>{"&File", "&Setup", "&Help"}));
    EXPECT_EQ(itemTexts(::GetSubMenu(bar, 0)), (std::vector<std::string>{"E&xit"}));
    EXPECT_EQ(itemTexts(frame->setupMenu()),
              (std::vector<std::string>{"Serial Port", "Network Port...", "Connection Point", "Fonts..."}));
    EXPECT_EQ(::GetMenuItemID(frame->setupMenu(), 1), static_cast<UINT>(MainFrame::kNetworkPortCommand));
    EXPECT_EQ(::GetMenuItemID(frame->setupMenu(), 3), static_cast<UINT>(MainFrame::kFontsCommand));
    EXPECT_EQ(itemTexts(::GetSubMenu(bar, 2)), (std::vector<std::string>{"&About FLASHKIT..."}));
    EXPECT_EQ(::GetMenuItemID(::GetSubMenu(bar, 2), 0), static_cast<UINT>(MainFrame::kAboutCommand));
    EXPECT_EQ(::GetMenuItemID(::GetSubMenu(bar, 0), 0), static_cast<UINT>(MainFrame::kExitCommand));

    EXPECT_EQ(frame->statusText(), "Ready");
    // The status bar sits at the bottom of the client area; the view fills the rest.
    const view::Rect client = winui::clientRect(frame->hwnd());
    const view::Rect status = winui::rectInParent(frame->statusBar());
    const view::Rect viewRect = winui::rectInParent(frame->view().hwnd());
    EXPECT_EQ(status.bottom, client.bottom);
    EXPECT_EQ(status.width(), client.width());
    EXPECT_EQ(viewRect, (view::Rect{0, 0, client.right, status.top}));
}

TEST_F(FrameTest, TheStatusBarShowsThePromptOfTheItemUnderThePointer) {
    const auto select = [this](int command, UINT flags) {
        ::SendMessageW(frame->hwnd(), WM_MENUSELECT, MAKEWPARAM(command, flags),
                       reinterpret_cast<LPARAM>(frame->setupMenu()));
    };
    select(MainFrame::kEng7Command, MF_STRING);
    EXPECT_EQ(frame->statusText(), "Connect PC to ENG7 port (Get Ver. Only ENG7) ");
    select(MainFrame::kFontsCommand, MF_STRING);
    EXPECT_EQ(frame->statusText(), "Select Font");
    select(MainFrame::kFirstPortCommand + 1, MF_STRING);
    EXPECT_EQ(frame->statusText(), "Select this port");
    select(MainFrame::kSrf7Command, MF_STRING);
    EXPECT_EQ(frame->statusText(), "Connect PC to SRF7 port");
    select(MainFrame::kAboutCommand, MF_STRING);
    EXPECT_EQ(frame->statusText(), "Ready");  // no prompt of its own
    select(MainFrame::kFontsCommand, MF_STRING);
    ::SendMessageW(frame->hwnd(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);  // the menu closed
    EXPECT_EQ(frame->statusText(), "Ready");
}

TEST_F(FrameTest, TheFirstOpeningOfSetupReplacesThePlaceholderPorts) {
    EXPECT_EQ(itemTexts(frame->serialPortMenu()), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
    ::SendMessageW(frame->hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(frame->setupMenu()), 1);
    EXPECT_EQ(itemTexts(frame->serialPortMenu()), (std::vector<std::string>{"COM3", "COM7"}));
    EXPECT_EQ(::GetMenuItemID(frame->serialPortMenu(), 0), 32784u);
    EXPECT_EQ(::GetMenuItemID(frame->serialPortMenu(), 1), 32785u);
    EXPECT_TRUE(isChecked(frame->serialPortMenu(), 32785));  // compared without regard to case
    EXPECT_FALSE(isChecked(frame->serialPortMenu(), 32784));
    EXPECT_EQ(connectionPoint, 0x00);
    EXPECT_TRUE(isChecked(frame->connectionMenu(), MainFrame::kSrf7Command));

    ::SendMessageW(frame->hwnd(), WM_COMMAND, 32784, 0);
    EXPECT_EQ(comm.deviceName, "COM3");
    EXPECT_TRUE(isChecked(frame->serialPortMenu(), 32784));
    EXPECT_FALSE(isChecked(frame->serialPortMenu(), 32785));
    ::SendMessageW(frame->hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(frame->setupMenu()), 1);
    EXPECT_TRUE(isChecked(frame->serialPortMenu(), 32784));  // built once per run only
}

TEST_F(FrameTest, NetworkPortAsksUntilTheUrlIsWellFormedAndMarksTheNewPort) {
    ::SendMessageW(frame->hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(frame->setupMenu()), 1);
    const auto enter = [](const std::string& text) {
        return [text](HWND dialog) {
            winui::setWindowText(::GetDlgItem(dialog, FLASHKIT_IDC_NETWORK_URL), text);
            win32test::pressOk(dialog);
        };
    };
    std::string shownFirst;
    win32test::ModalScript script;
    script
        .then(win32test::dialogTitled("Network Port"),
              [&](HWND dialog) {
                  wchar_t text[64] = {};
                  ::GetDlgItemTextW(dialog, FLASHKIT_IDC_NETWORK_URL, text, 64);
                  shownFirst = platform::narrow(text);
                  enter("rfc2217://127.0.0.5")(dialog);
              })
        .then(win32test::dialogTitled("Network Port"), enter(" socket://127.0.0.6:4001 "));
    ::SendMessageW(frame->hwnd(), WM_COMMAND, MainFrame::kNetworkPortCommand, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(shownFirst, "rfc2217://");
    // The malformed one was refused with its reason; the dialog stayed for the next try.
    EXPECT_EQ(notifier.texts,
              (std::vector<std::string>{"rfc2217://127.0.0.5: no port number (rfc2217://HOST:PORT)"}));
    EXPECT_EQ(comm.deviceName, "socket://127.0.0.6:4001");
    EXPECT_EQ(itemTexts(frame->serialPortMenu()),
              (std::vector<std::string>{"COM3", "COM7", "socket://127.0.0.6:4001"}));
    EXPECT_TRUE(isChecked(frame->serialPortMenu(), 32786));
    EXPECT_FALSE(isChecked(frame->serialPortMenu(), 32785));

    // Cancel leaves the port in use as it is.
    win32test::ModalScript cancel;
    cancel.then(win32test::dialogTitled("Network Port"), win32test::pressCancel);
    ::SendMessageW(frame->hwnd(), WM_COMMAND, MainFrame::kNetworkPortCommand, 0);
    EXPECT_TRUE(cancel.finished());
    EXPECT_EQ(comm.deviceName, "socket://127.0.0.6:4001");
}

TEST_F(FrameTest, ConnectionPointFollowsEachChoice) {
    ::SendMessageW(frame->hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(frame->setupMenu()), 1);
    ::SendMessageW(frame->hwnd(), WM_COMMAND, MainFrame::kEng7Command, 0);
    EXPECT_EQ(connectionPoint, 0x10);
    EXPECT_TRUE(isChecked(frame->connectionMenu(), MainFrame::kEng7Command));
    ::SendMessageW(frame->hwnd(), WM_COMMAND, MainFrame::kSrf7Command, 0);
    EXPECT_EQ(connectionPoint, 0x00);
    EXPECT_TRUE(isChecked(frame->connectionMenu(), MainFrame::kSrf7Command));
    EXPECT_FALSE(isChecked(frame->connectionMenu(), MainFrame::kEng7Command));
}

TEST_F(FrameTest, OpenNewAndSaveFollowTheDocumentAndNeverWriteTheFile) {
    const std::string before = fileContent(fixture.listPath());
    EXPECT_TRUE(frame->openDocumentFile(fixture.listPath()));
    EXPECT_EQ(winui::windowText(frame->hwnd()), "UNIT.LST - FLASHKIT");
    EXPECT_EQ(::SendMessageW(frame->view().unitSelector(), CB_GETCOUNT, 0, 0), 2);
    ::SendMessageW(frame->hwnd(), WM_COMMAND, CMainFrame::kSaveCommand, 0);
    ::SendMessageW(frame->hwnd(), WM_COMMAND, CMainFrame::kNewCommand, 0);
    EXPECT_EQ(winui::windowText(frame->hwnd()), "Untitled - FLASHKIT");
    EXPECT_EQ(fixture.document->units().count(), 2);  // New keeps the units
    EXPECT_EQ(fileContent(fixture.listPath()), before);
}

TEST_F(FrameTest, AFileThatCannotBeOpenedKeepsTheUnitsAndTheTitle) {
    ASSERT_TRUE(frame->openDocumentFile(fixture.listPath()));
    EXPECT_FALSE(frame->openDocumentFile(fixture.path("MISSING.LST")));
    ASSERT_EQ(notifier.texts.size(), 1u);
    EXPECT_NE(notifier.texts[0].find("MISSING.LST"), std::string::npos);
    EXPECT_NE(notifier.texts[0].find("Failed to open document."), std::string::npos);
    EXPECT_EQ(winui::windowText(frame->hwnd()), "UNIT.LST - FLASHKIT");
    EXPECT_EQ(fixture.document->units().count(), 2);
}

TEST_F(FrameTest, FileOpenShowsTheSystemDialogWithTheUnitListFilterAndCancelChangesNothing) {
    ASSERT_TRUE(frame->openDocumentFile(fixture.listPath()));
    ::ShowWindow(frame->hwnd(), SW_SHOWNORMAL);
    std::string dialogTitle;
    bool ownerDisabled = false;
    win32test::ModalScript script;
    script.then(win32test::anyDialog(), [&](HWND dialog) {
        dialogTitle = winui::windowText(dialog);
        ownerDisabled = ::IsWindowEnabled(frame->hwnd()) == FALSE;
        win32test::pressCancel(dialog);
    });
    ::SendMessageW(frame->hwnd(), WM_COMMAND, CMainFrame::kOpenCommand, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    EXPECT_FALSE(dialogTitle.empty());
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(winui::windowText(frame->hwnd()), "UNIT.LST - FLASHKIT");
    EXPECT_EQ(fixture.document->units().count(), 2);
}

TEST_F(FrameTest, AboutShowsTheVersionLineFromTheProgramsVersionResource) {
    ::ShowWindow(frame->hwnd(), SW_SHOWNORMAL);
    std::string version;
    std::string legal;
    win32test::ModalScript script;
    script.then(win32test::dialogTitled("About FLASHKIT"), [&](HWND about) {
        version = winui::windowText(::GetDlgItem(about, 1010));
        legal = winui::windowText(::GetDlgItem(about, 1011));
        win32test::pressOk(about);
    });
    ::SendMessageW(frame->hwnd(), WM_COMMAND, MainFrame::kAboutCommand, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    EXPECT_EQ(version, "FLASHKIT Version 2.00");
    EXPECT_EQ(legal, " ");
}

TEST_F(FrameTest, TheWindowDoesNotCloseWhileAnOperationRuns) {
    ASSERT_TRUE(frame->openDocumentFile(fixture.listPath()));
    frame->view().onGetVersion();
    ::SendMessageW(frame->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindow(frame->hwnd()));
    fixture.engine->done = true;
    ::SendMessageW(frame->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(frame->exists());
    // The window that closed asks the message loop to end.
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
