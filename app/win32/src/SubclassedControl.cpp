#include "winui/SubclassedControl.h"

#include <commctrl.h>

#include "winui/Window.h"

namespace winui {

namespace {

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

SubclassedControl::~SubclassedControl() {
    if (hwnd_ != nullptr) {
        HWND control = hwnd_;
        unhook();
        ::DestroyWindow(control);
    }
}

bool SubclassedControl::create(const wchar_t* className, DWORD exStyle, DWORD style, const std::wstring& text,
                               const view::Rect& rect, HWND parent, int id) {
    HWND control = ::CreateWindowExW(exStyle, className, text.c_str(), style, rect.left, rect.top, rect.width(),
                                     rect.height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     Window::instance(), nullptr);
    if (control == nullptr) {
        return false;
    }
    hwnd_ = control;
    ::SetWindowSubclass(control, &SubclassedControl::procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return true;
}

void SubclassedControl::unhook() {
    ::RemoveWindowSubclass(hwnd_, &SubclassedControl::procedure, kSubclassId);
    hwnd_ = nullptr;
}

LRESULT SubclassedControl::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    return defaultHandling(message, wParam, lParam);
}

LRESULT SubclassedControl::defaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
    auto* control = reinterpret_cast<SubclassedControl*>(self);
    if (message == WM_DESTROY) {
        control->destroying();
    }
    if (message == WM_NCDESTROY) {
        control->unhook();
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    return control->handle(message, wParam, lParam);
}

}  // namespace winui
