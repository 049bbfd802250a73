#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "GuiTestSupport.h"
#include "UnitListFixture.h"
#include "core/StartupCore.h"
#include "data/CDIAGDoc.h"
#include "data/CommSettings.h"
#include "engine/OperationControl.h"
#include "engine/StatusModel.h"
#include "platform/Paths.h"
#include "view/MainFrame.h"
#include "winui/CDIAGApp.h"
#include "winui/CDIAGView.h"
#include "winui/CMainFrame.h"
#include "winui/GuiFrontEnd.h"
#include "winui/ModeSelectDialog.h"
#include "winui/StatusWindow.h"
#include "winui/WindowGeometry.h"

namespace {

// What a message box showed, and it closed with its OK button.
struct SeenBox {
    std::string caption;
    std::string text;
};

win32test::ModalScript::Action closeAndRecord(SeenBox& seen) {
    return [&seen](HWND box) {
        seen.caption = winui::windowText(box);
        seen.text = win32test::staticTexts(box);
        win32test::pressOk(box);
    };
}

TEST(StartupTest, ASecondInstanceIsRefusedWithItsMessageAndEnds) {
    core::StartupCore first;  // holds the guard, as a running copy does
    SeenBox seen;
    win32test::ModalScript script;
    script.then(win32test::anyDialog(), closeAndRecord(seen));
    {
        winui::CDIAGApp second;
        EXPECT_FALSE(second.start({"flashkit.exe"}));
        EXPECT_EQ(second.startupCore().status(), core::StartupStatus::AlreadyRunning);
        EXPECT_EQ(second.mainFrame(), nullptr);  // no window was made
        second.shutdown();
    }
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(seen.text, "QX7A LOADER is already running.");
    EXPECT_EQ(seen.caption, "FLASHKIT");
}

// The whole start-up of the program with the demo-free unit list of the view
// tests: settings, a port list that holds only a port name the test prefix
// never publishes (so nothing is ever opened), the real TRX.DLL beside the
// test, the MODE SELECT dialog answered Card Direct, the default list.
TEST(StartupTest, TheProgramStartsThroughTheModeDialogWithTheDefaultUnitList) {
    const std::filesystem::path startedIn = std::filesystem::current_path();
    viewtest::DocumentFixture fixture;
    fixture.root.writeFile("FLASHKIT.INI", "[HOST]\nDEVICE=COM1\n[DATA]\nROOT=" + fixture.root.path() + "\n");

    core::StartupOptions options;
    options.useInstanceGuard = false;
    options.programDirectory = fixture.root.path();
    options.settingsPath = fixture.path("FLASHKIT.INI");
    options.libraryDirectory = platform::executableDirectory();
    platform::PortDiscoveryOptions ports;
    ports.extraPorts = "COM250";
    options.ports = ports;
    options.portProbe = [](const std::string& port) {
        platform::PortProbeResult result;
        result.usability =
            port == "COM250" ? platform::PortUsability::Usable : platform::PortUsability::Missing;
        return result;
    };
    options.portLeftOut = [](const core::RejectedPort&) {};

    bool mainWindowDisabledMeanwhile = false;
    bool hostInterfaceCheckedFirst = false;
    win32test::ModalScript script;
    {
        winui::CDIAGApp flashkit(options);
        script.then([](HWND window) { return winui::ModeSelectDialog::fromWindow(window) != nullptr; },
                    [&](HWND window) {
                        winui::ModeSelectDialog& dialog = *winui::ModeSelectDialog::fromWindow(window);
                        mainWindowDisabledMeanwhile =
                            ::IsWindowEnabled(flashkit.mainFrame()->hwnd()) == FALSE;
                        hostInterfaceCheckedFirst = dialog.hostInterfaceButton()->checkState() == 1;
                        win32test::click(dialog.cardDirectButton()->hwnd());
                        win32test::click(dialog.okButton()->hwnd());
                    });
        ASSERT_TRUE(flashkit.start({"flashkit.exe"}));
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(mainWindowDisabledMeanwhile);
        EXPECT_TRUE(hostInterfaceCheckedFirst);

        winui::CMainFrame& frame = *flashkit.mainFrame();
        EXPECT_TRUE(::IsWindowVisible(frame.hwnd()));
        EXPECT_TRUE(::IsWindowEnabled(frame.hwnd()));
        EXPECT_EQ(winui::windowText(frame.hwnd()), "UNIT.LST - FLASHKIT");
        EXPECT_EQ(frame.statusText(), "Ready");
        EXPECT_EQ(flashkit.startupCore().comm().deviceName, "COM250");
        EXPECT_EQ(flashkit.document()->writingPort(), data::WritingPort::CardDirect);
        winui::CDIAGView& view = frame.view();
        EXPECT_EQ(::SendMessageW(view.unitSelector(), CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(view.grid().rowCount(), 3);
        EXPECT_TRUE(view.grid().singleSelect());
        EXPECT_FALSE(::IsWindowEnabled(view.getVersionButton()));
        EXPECT_TRUE(::IsWindowEnabled(view.writeButton()));
        EXPECT_FALSE(::IsWindowVisible(view.versionBar().fileLabel()));

        // File > Exit ends the message loop; the program then shuts down.
        ::PostMessageW(frame.hwnd(), WM_COMMAND, view::MainFrame::kExitCommand, 0);
        EXPECT_EQ(flashkit.run(), 0);
        flashkit.shutdown();
        EXPECT_EQ(flashkit.mainFrame(), nullptr);
    }
    std::filesystem::current_path(startedIn);  // the data root became the current directory
}

class GuiFrontEndTest : public testing::Test {
  protected:
    HWND mainWindow = nullptr;
    winui::GuiFrontEnd frontEnd;
    engine::StatusModel status;
    engine::OperationControl control;

    void SetUp() override {
        mainWindow = ::CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                                       450, nullptr, nullptr, nullptr, nullptr);
        frontEnd.setMainWindow(mainWindow);
    }
    void TearDown() override { ::DestroyWindow(mainWindow); }

    // Serves the window thread until done is set (or a few seconds passed).
    static bool serveUntil(const std::atomic<bool>& done) {
        for (int i = 0; i < 500 && !done; ++i) {
            win32test::pump(10);
        }
        return done;
    }
};

TEST_F(GuiFrontEndTest, AMessageFromTheWorkerWaitsOnTheWindowThreadUntilOk) {
    SeenBox seen;
    win32test::ModalScript script;
    script.then(win32test::anyDialog(), closeAndRecord(seen));
    std::atomic<bool> returned{false};
    DWORD boxThread = 0;
    frontEnd.setMessageObserver([&boxThread](const std::string&) { boxThread = ::GetCurrentThreadId(); });
    std::thread worker([&] {
        frontEnd.showMessage("Get Version - Timeout Error !", core::MessageIcon::None);
        returned = true;
    });
    EXPECT_TRUE(serveUntil(returned));
    worker.join();
    EXPECT_EQ(seen.text, "Get Version - Timeout Error !");
    EXPECT_EQ(boxThread, ::GetCurrentThreadId());
}

TEST_F(GuiFrontEndTest, TheWorkerDisablesTheMainWindowAndTheProgressWindowStaysUsable) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        frontEnd.showStatusWindow(status, control);
        frontEnd.setMainWindowEnabled(false);
        done = true;
    });
    ASSERT_TRUE(serveUntil(done));
    worker.join();
    ASSERT_NE(frontEnd.statusWindow(), nullptr);
    EXPECT_FALSE(::IsWindowEnabled(mainWindow));
    EXPECT_TRUE(::IsWindowEnabled(frontEnd.statusWindow()->hwnd()));
    EXPECT_EQ(::GetWindow(frontEnd.statusWindow()->hwnd(), GW_OWNER), mainWindow);

    // The final OK: the worker goes on only once the user has pressed the button.
    control.signalDone();
    std::atomic<bool> asked{false};
    std::atomic<bool> answered{false};
    std::thread finish([&] {
        asked = frontEnd.askForOk(status);
        control.waitForOk();
        frontEnd.setMainWindowEnabled(true);
        answered = true;
    });
    win32test::pump(100);
    EXPECT_FALSE(answered);
    EXPECT_TRUE(asked);
    EXPECT_EQ(winui::windowText(frontEnd.statusWindow()->button()), "OK");
    ::SendMessageW(frontEnd.statusWindow()->hwnd(), WM_COMMAND,
                   MAKEWPARAM(winui::StatusWindow::kButtonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(frontEnd.statusWindow()->button()));
    EXPECT_TRUE(serveUntil(answered));
    control.giveOk();  // lets the worker go should the button not have
    finish.join();
    EXPECT_EQ(frontEnd.statusWindow(), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(mainWindow));
}

}  // namespace
