// flashkit.exe's windows against qx7a-sim through a COM port of the test
// prefix (scripts/wine-line publishes the port and checks that it leads to
// the simulator's pseudo-terminal before this program runs): MODE SELECT,
// Get Ver., Write with the progress window up to its OK, and Get Ver. again.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "GuiTestSupport.h"
#include "UnitListFixture.h"
#include "data/CDIAGDoc.h"
#include "platform/Paths.h"
#include "view/MainFrame.h"
#include "winui/BlinkStatic.h"
#include "winui/CDIAGApp.h"
#include "winui/CDIAGView.h"
#include "winui/CMainFrame.h"
#include "winui/GuiFrontEnd.h"
#include "winui/ModeSelectDialog.h"
#include "winui/StatusWindow.h"
#include "winui/WindowGeometry.h"

namespace {

constexpr int kOperationTimeoutMs = 120000;

// The demo data root of the Linux build, as wine names it (drive Z: is /).
std::string demoRoot() {
    std::string path = "Z:" FLASHKIT_DEMO_ROOT;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

// Serves the window thread until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int milliseconds) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
    while (!condition()) {
        if (static_cast<LONG>(end - ::GetTickCount()) <= 0) {
            return false;
        }
        win32test::pump(10);
    }
    return true;
}

using Model = winui::UnitGrid::Model;

class EndToEndOnConsole : public testing::Test {
  protected:
    const char* port = std::getenv("FLASHKIT_TEST_PORT");
    std::filesystem::path startedIn = std::filesystem::current_path();
    viewtest::ScratchFolder program;
    std::vector<std::string> messages;

    void SetUp() override { ASSERT_NE(port, nullptr) << "run through scripts/wine-line"; }
    void TearDown() override { std::filesystem::current_path(startedIn); }

    core::StartupOptions options() {
        std::string settings = "[HOST]\nDEVICE=" + std::string(port) +
                               "\nBAUDRATE=115200\n[DATA]\nROOT=" + demoRoot() + "\nDEFAULT=UNIT.LST\n";
        for (const char* model : {"SRF7", "ENG7", "LIO7", "XDG7"}) {
            settings +=
                std::string("[") + model + "_INTERVAL]\nBOOTIN=1\nBOOTOUT=1\nTIMEOUT=3\nRETRYTIME=1\n";
        }
        program.writeFile("FLASHKIT.INI", settings);
        core::StartupOptions startup;
        startup.useInstanceGuard = false;
        startup.programDirectory = program.path();
        startup.settingsPath = program / "FLASHKIT.INI";
        startup.libraryDirectory = platform::executableDirectory();
        platform::PortDiscoveryOptions ports;
        ports.extraPorts = port;
        startup.ports = ports;
        // Only the port of the line is ever looked at.
        const std::string line = port;
        startup.portProbe = [line](const std::string& name) {
            return name == line ? platform::probePort(name)
                                : platform::PortProbeResult{platform::PortUsability::Missing, {}};
        };
        startup.portLeftOut = [](const core::RejectedPort&) {};
        return startup;
    }

    void answerMessages(winui::CDIAGApp& app) {
        app.frontEnd().setMessageObserver([this](const std::string& text) { messages.push_back(text); });
    }
};

TEST_F(EndToEndOnConsole, GetVersionThenWriteThroughTheComPort) {
    winui::CDIAGApp app(options());
    answerMessages(app);
    {
        win32test::ModalScript script(60000);
        script.then([](HWND window) { return winui::ModeSelectDialog::fromWindow(window) != nullptr; },
                    [](HWND window) {
                        win32test::click(winui::ModeSelectDialog::fromWindow(window)->okButton()->hwnd());
                    });
        ASSERT_TRUE(app.start({"flashkit.exe"}));
        ASSERT_TRUE(script.finished());
    }
    // A message box would wait for its OK; it is recorded and answered.
    win32test::ModalScript boxes(3 * kOperationTimeoutMs);
    for (int i = 0; i < 4; ++i) {
        boxes.then(win32test::anyDialog(), win32test::pressOk);
    }

    winui::CMainFrame& frame = *app.mainFrame();
    winui::CDIAGView& view = frame.view();
    EXPECT_EQ(winui::windowText(frame.hwnd()), "UNIT.LST - FLASHKIT");
    EXPECT_EQ(app.document()->writingPort(), data::WritingPort::HostInterface);
    ASSERT_GE(::SendMessageW(view.unitSelector(), CB_GETCOUNT, 0, 0), 2);
    winui::UnitGrid& grid = view.grid();

    // Get Ver. fills the grid with what the console holds.
    ::SendMessageW(view.getVersionButton(), BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowEnabled(view.getVersionButton()));
    ASSERT_TRUE(waitFor([&] { return !view.polling(); }, kOperationTimeoutMs));
    EXPECT_TRUE(::IsWindowEnabled(view.getVersionButton()));
    EXPECT_TRUE(::IsWindowEnabled(frame.hwnd()));
    ASSERT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.cellText(0, Model::RomVersionColumn).rfind("1.05", 0), 0u)
        << grid.cellText(0, Model::RomVersionColumn);
    EXPECT_TRUE(messages.empty()) << messages.front();

    // Write: the progress window counts up and ends with OK.
    ::SendMessageW(view.writeButton(), BM_CLICK, 0, 0);
    winui::StatusWindow* status = nullptr;
    ASSERT_TRUE(waitFor([&] { return (status = app.frontEnd().statusWindow()) != nullptr; }, 10000));
    EXPECT_FALSE(::IsWindowEnabled(frame.hwnd()));
    EXPECT_TRUE(::IsWindowEnabled(status->hwnd()));
    EXPECT_EQ(winui::windowText(status->hwnd()), "Status");
    ASSERT_TRUE(waitFor(
        [&] {
            return !status->fileNamePane().valueCell().text().empty() &&
                   status->currentProgress().position() > 2;
        },
        kOperationTimeoutMs));
    EXPECT_EQ(status->addressPane().valueCell().text().back(), 'H');
    ASSERT_TRUE(waitFor([&] { return winui::windowText(status->button()) == "OK"; }, kOperationTimeoutMs));
    win32test::pump(50);
    EXPECT_EQ(status->statusLine().text(), "=== Write Completed (Retry=0) ===");
    EXPECT_EQ(status->totalProgress().position(), status->totalProgress().upperRange());
    EXPECT_FALSE(::IsWindowEnabled(frame.hwnd()));  // until OK

    ::SendMessageW(status->button(), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return ::IsWindowEnabled(frame.hwnd()) && !view.polling(); }, 10000));
    EXPECT_EQ(app.document()->units().unit(0)->resultText(), "Completed");
    EXPECT_EQ(app.frontEnd().statusWindow(), nullptr);

    // The written version is what the console reports now.
    ::SendMessageW(view.getVersionButton(), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !view.polling(); }, kOperationTimeoutMs));
    EXPECT_EQ(grid.cellText(0, Model::RomVersionColumn), grid.cellText(0, Model::FileVersionColumn));
    EXPECT_TRUE(messages.empty()) << messages.front();

    ::PostMessageW(frame.hwnd(), WM_COMMAND, view::MainFrame::kExitCommand, 0);
    EXPECT_EQ(app.run(), 0);
    app.shutdown();
}

}  // namespace
