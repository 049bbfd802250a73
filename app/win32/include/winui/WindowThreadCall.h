#pragma once

#include <functional>

#include "winui/Window.h"

namespace winui {

// Runs work on the window thread (the thread that made this object) for any
// thread: a call from another thread is posted to a message-only window and
// waits until the work is done, so the engine's worker hands the windows its
// requests and goes on only once they are served (a message box only once
// the user has pressed OK).
class WindowThreadCall : public Window {
  public:
    WindowThreadCall();

    // False when the work could not be handed over (the window is gone).
    bool run(const std::function<void()>& work);
    bool onWindowThread() const { return ::GetCurrentThreadId() == threadId_; }

  protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    static constexpr UINT kRunMessage = WM_APP + 1;

    DWORD threadId_;
};

}  // namespace winui
