#include "winui/WindowGeometry.h"

#include <vector>

#include "platform/Utf16.h"

namespace winui {

void placeWindow(HWND window, const view::Rect& rect) {
    ::MoveWindow(window, rect.left, rect.top, rect.width(), rect.height(), TRUE);
}

view::Rect clientRect(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    return toRect(rect);
}

view::Rect rectInParent(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    if (HWND parent = ::GetParent(window); parent != nullptr && (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) {
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    }
    return toRect(rect);
}

std::string windowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    return platform::narrow(std::wstring_view(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0)));
}

void setWindowText(HWND window, std::string_view text) {
    ::SetWindowTextW(window, platform::widen(text).c_str());
}

}  // namespace winui
