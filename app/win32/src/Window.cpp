#include "winui/Window.h"

namespace winui {

Window::~Window() {
    if (hwnd_ != nullptr) {
        HWND window = hwnd_;
        // From here on the window's messages no longer reach this object.
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        ::DestroyWindow(window);
    }
}

HINSTANCE Window::instance() {
    return ::GetModuleHandleW(nullptr);
}

void Window::registerClass(const wchar_t* className, const ClassStyle& style) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(instance(), className, &existing)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style.style;
    windowClass.lpfnWndProc = &Window::procedure;
    windowClass.hInstance = instance();
    windowClass.hCursor = style.cursor != nullptr ? style.cursor : ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = style.background;
    windowClass.hIcon = style.icon;
    windowClass.lpszClassName = className;
    ::RegisterClassExW(&windowClass);
}

bool Window::create(const wchar_t* className, DWORD exStyle, DWORD style, const std::wstring& text,
                    const view::Rect& rect, HWND parent, HMENU menuOrId) {
    ::CreateWindowExW(exStyle, className, text.c_str(), style, rect.left, rect.top, rect.width(), rect.height(),
                      parent, menuOrId, instance(), this);
    return hwnd_ != nullptr;
}

LRESULT Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    return defaultHandling(message, wParam, lParam);
}

LRESULT Window::defaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    const LRESULT result = self->handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace winui
