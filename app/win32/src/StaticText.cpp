#include "winui/StaticText.h"

#include "platform/Utf16.h"
#include "winui/Window.h"

namespace winui {

HWND createCentredLabel(HWND parent, std::string_view text, DWORD visibility, const view::Rect& rect) {
    return ::CreateWindowExW(0, L"STATIC", platform::widen(text).c_str(),
                             WS_CHILD | visibility | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, rect.left, rect.top,
                             rect.width(), rect.height(), parent, nullptr, Window::instance(), nullptr);
}

}  // namespace winui
