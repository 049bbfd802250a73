#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace win32test {

// Lets the window thread handle what is waiting for it, then goes on doing
// so for about the given time.
void pump(int milliseconds = 0);

// Presses and releases the left mouse button in the middle of a window, as
// the system hands a click to the window under the pointer.
void click(HWND window);

// The visible top-level windows of the calling thread.
std::vector<HWND> threadWindows();
// The window class name, as UTF-8.
std::string className(HWND window);
// Whether a window is a dialog box (message boxes and the common dialogs
// are).
bool isDialog(HWND window);
// The texts of a dialog's static controls that hold any, joined by line
// breaks: a message box's message.
std::string staticTexts(HWND dialog);

// Acts on the modal windows that come up on the test's own thread while the
// test waits inside a modal loop (a dialog, a message box, a common dialog).
// Each step waits for a window that it matches, then acts on it; the steps
// run in order, from a timer of this thread, so inside any modal loop. A
// script that is not finished after its deadline ends every dialog of the
// thread, so that a test fails instead of hanging.
class ModalScript {
  public:
    using Match = std::function<bool(HWND)>;
    using Action = std::function<void(HWND)>;

    explicit ModalScript(int deadlineMs = 20000);
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& then(Match match, Action action);
    // Every step has acted.
    bool finished() const { return next_ == steps_.size(); }
    bool timedOut() const { return timedOut_; }

  private:
    struct Step {
        Match match;
        Action action;
    };
    static void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD);
    void advance();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    UINT_PTR timer_ = 0;
    DWORD deadline_;
    bool timedOut_ = false;
    bool acting_ = false;
};

// A match for any dialog box of the thread, and for one with a given title.
ModalScript::Match anyDialog();
ModalScript::Match dialogTitled(const std::string& title);
// Answers a dialog box as its OK or Cancel button would.
void pressOk(HWND dialog);
void pressCancel(HWND dialog);

}  // namespace win32test
