#include "GuiTestSupport.h"

#include <algorithm>

#include "platform/Utf16.h"
#include "winui/WindowGeometry.h"

namespace win32test {

namespace {

constexpr UINT kScriptPeriodMs = 20;

// The running script of this thread; one at a time.
thread_local ModalScript* activeScript = nullptr;

void handleWaitingMessages() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace

void pump(int milliseconds) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(std::max(milliseconds, 0));
    handleWaitingMessages();
    while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        handleWaitingMessages();
    }
}

void click(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    const LPARAM middle = MAKELPARAM((client.right - client.left) / 2, (client.bottom - client.top) / 2);
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    ::SendMessageW(window, WM_LBUTTONUP, 0, middle);
}

std::vector<HWND> threadWindows() {
    std::vector<HWND> windows;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            if (::IsWindowVisible(window)) {
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string className(HWND window) {
    wchar_t name[256] = {};
    const int length = ::GetClassNameW(window, name, 256);
    return platform::narrow(std::wstring_view(name, static_cast<std::size_t>(std::max(length, 0))));
}

bool isDialog(HWND window) {
    return className(window) == "#32770";
}

std::string staticTexts(HWND dialog) {
    std::string texts;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (className(child) != "Static") {
            continue;
        }
        const std::string text = winui::windowText(child);
        if (!text.empty()) {
            texts += texts.empty() ? text : "\n" + text;
        }
    }
    return texts;
}

ModalScript::ModalScript(int deadlineMs) : deadline_(::GetTickCount() + static_cast<DWORD>(deadlineMs)) {
    activeScript = this;
    timer_ = ::SetTimer(nullptr, 0, kScriptPeriodMs, &ModalScript::tick);
}

ModalScript::~ModalScript() {
    ::KillTimer(nullptr, timer_);
    if (activeScript == this) {
        activeScript = nullptr;
    }
}

ModalScript& ModalScript::then(Match match, Action action) {
    steps_.push_back({std::move(match), std::move(action)});
    return *this;
}

void CALLBACK ModalScript::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeScript != nullptr) {
        activeScript->advance();
    }
}

void ModalScript::advance() {
    // An action that runs a modal loop of its own gets ticks inside it.
    if (acting_) {
        return;
    }
    if (finished()) {
        return;
    }
    if (static_cast<LONG>(deadline_ - ::GetTickCount()) <= 0) {
        timedOut_ = true;
        next_ = steps_.size();
        for (HWND window : threadWindows()) {
            if (isDialog(window)) {
                ::EndDialog(window, 0);
            }
        }
        return;
    }
    for (HWND window : threadWindows()) {
        if (steps_[next_].match(window)) {
            Step& step = steps_[next_++];
            acting_ = true;
            step.action(window);
            acting_ = false;
            return;
        }
    }
}

ModalScript::Match anyDialog() {
    return [](HWND window) { return isDialog(window); };
}

ModalScript::Match dialogTitled(const std::string& title) {
    return [title](HWND window) { return isDialog(window) && winui::windowText(window) == title; };
}

void pressOk(HWND dialog) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void pressCancel(HWND dialog) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace win32test
