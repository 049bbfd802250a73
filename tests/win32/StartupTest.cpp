#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "GuiTestSupport.h"
#include "core/StartupCore.h"
#include "engine/StatusModel.h"
#include "winui/CDIAGApp.h"
#include "winui/GuiHost.h"
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

class GuiHostTest : public testing::Test {
  protected:
    HWND mainWindow = nullptr;
    winui::GuiHost host;
    engine::StatusModel status;

    void SetUp() override {
        mainWindow = ::CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                                       450, nullptr, nullptr, nullptr, nullptr);
        host.setMainWindow(mainWindow);
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

TEST_F(GuiHostTest, AMessageFromTheWorkerWaitsOnTheWindowThreadUntilOk) {
    SeenBox seen;
    win32test::ModalScript script;
    script.then(win32test::anyDialog(), closeAndRecord(seen));
    std::atomic<bool> returned{false};
    DWORD boxThread = 0;
    host.setMessageObserver([&boxThread](const std::string&) { boxThread = ::GetCurrentThreadId(); });
    std::thread worker([&] {
        host.showMessage("Get Version - Timeout Error !", core::MessageIcon::None);
        returned = true;
    });
    EXPECT_TRUE(serveUntil(returned));
    worker.join();
    EXPECT_EQ(seen.text, "Get Version - Timeout Error !");
    EXPECT_EQ(boxThread, ::GetCurrentThreadId());
}

TEST_F(GuiHostTest, TheWorkerDisablesTheMainWindowAndTheProgressWindowStaysUsable) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        host.showStatusWindow(status);
        host.setMainWindowEnabled(false);
        done = true;
    });
    ASSERT_TRUE(serveUntil(done));
    worker.join();
    ASSERT_NE(host.statusWindow(), nullptr);
    EXPECT_FALSE(::IsWindowEnabled(mainWindow));
    EXPECT_TRUE(::IsWindowEnabled(host.statusWindow()->hwnd()));
    EXPECT_EQ(::GetWindow(host.statusWindow()->hwnd(), GW_OWNER), mainWindow);

    // The final OK: the worker goes on only once the user has pressed the button.
    status.doneEvent().signal();
    std::atomic<bool> answered{false};
    std::thread finish([&] {
        host.requestFinalOk(status);
        if (status.cancelEvent().waitFor(std::chrono::seconds(10))) {
            host.setMainWindowEnabled(true);
            answered = true;
        }
    });
    win32test::pump(100);
    EXPECT_FALSE(answered);
    EXPECT_EQ(winui::windowText(host.statusWindow()->button()), "OK");
    ::SendMessageW(host.statusWindow()->hwnd(), WM_COMMAND,
                   MAKEWPARAM(winui::StatusWindow::kButtonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(host.statusWindow()->button()));
    EXPECT_TRUE(serveUntil(answered));
    finish.join();
    EXPECT_EQ(host.statusWindow(), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(mainWindow));
}

}  // namespace
