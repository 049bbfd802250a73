#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "core/UserNotifier.h"
#include "engine/FrontEnd.h"
#include "winui/WindowThreadCall.h"

namespace view {
class EngineStatusFeed;
}

namespace winui {

class StatusWindow;

// How start-up, the document and the engine reach the user in the Win32
// program. Requests of the engine's worker thread are posted to the window
// thread and the worker waits until they are done, a message box until the
// user has pressed OK.
class GuiFrontEnd : public core::UserNotifier, public engine::FrontEnd {
  public:
    static constexpr const char* kMessageCaption = "FLASHKIT";

    // Made on the window thread.
    GuiFrontEnd();
    ~GuiFrontEnd() override;
    GuiFrontEnd(const GuiFrontEnd&) = delete;
    GuiFrontEnd& operator=(const GuiFrontEnd&) = delete;

    // The window that is disabled while an operation runs and that owns the
    // message boxes and the progress window.
    void setMainWindow(HWND mainWindow) { mainWindow_ = mainWindow; }
    // Where the progress window takes its font from when it opens.
    void setFontSource(std::function<HFONT()> source) { fontSource_ = std::move(source); }
    // Told the text of each message box before it comes up (for the tests).
    void setMessageObserver(std::function<void(const std::string&)> observer) {
        messageObserver_ = std::move(observer);
    }

    void showMessage(const std::string& text, core::MessageIcon icon) override;
    void setMainWindowEnabled(bool enabled) override;
    void showStatusWindow(engine::StatusModel& status, engine::OperationControl& control) override;
    // The OK is asked for only while the progress window is open.
    bool askForOk(const engine::StatusModel& status) override;
    // On standard error, as the command-line program says it.
    void showNotice(const std::string& text) override;

    // The open progress window, or null.
    StatusWindow* statusWindow() const;

    // The program is ending: no more boxes or windows, and no OK to wait for.
    void detach() { detached_ = true; }
    bool detached() const { return detached_.load(); }

  private:
    WindowThreadCall windowThread_;
    HWND mainWindow_ = nullptr;
    std::function<HFONT()> fontSource_;
    std::function<void(const std::string&)> messageObserver_;
    std::unique_ptr<view::EngineStatusFeed> feed_;
    std::unique_ptr<StatusWindow> statusWindow_;
    std::atomic<bool> detached_{false};
};

}  // namespace winui
