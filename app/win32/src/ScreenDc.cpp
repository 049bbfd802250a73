#include "winui/ScreenDc.h"

#include <string>

#include "platform/Utf16.h"

namespace winui {

int ScreenDc::textWidth(HFONT font, std::string_view text) const {
    const std::wstring wide = platform::widen(text);
    const HGDIOBJ previous = ::SelectObject(dc_, font != nullptr ? font : ::GetStockObject(SYSTEM_FONT));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &extent);
    ::SelectObject(dc_, previous);
    return extent.cx;
}

}  // namespace winui
