#include "winui/CaptionStatic.h"

#include "platform/Utf16.h"
#include "winui/ControlColours.h"
#include "winui/FontTable.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

// The five bits of a static's style that say what it is and how it aligns.
constexpr LONG_PTR kAlignmentBits = SS_TYPEMASK;

}  // namespace

CaptionStatic::CaptionStatic(std::string_view text, const view::Rect& rect, HWND parent, int id)
    : textColour_(toRgb(::GetSysColor(COLOR_WINDOWTEXT))) {
    create(L"STATIC", 0, WS_CHILD | WS_VISIBLE | static_cast<DWORD>(view::CaptionStyle::kDefaultAlignment),
           platform::widen(text), rect, parent, id);
    setBackgroundColour(toRgb(::GetSysColor(COLOR_BTNFACE)));
    setCaptionFont(view::CaptionStyle::defaultFont());
}

void CaptionStatic::setCaptionFont(const view::FontRequest& request) {
    fontIndex_ = FontTable::captions().acquire(request);
    ::SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(FontTable::captions().font(fontIndex_)), TRUE);
}

void CaptionStatic::setTextColour(view::Rgb colour) {
    textColour_ = colour;
    ::InvalidateRect(hwnd(), nullptr, TRUE);
    ::UpdateWindow(hwnd());
}

void CaptionStatic::setBackgroundColour(view::Rgb colour) {
    backgroundColour_ = colour;
    backBrush_.reset(::CreateSolidBrush(toCOLORREF(colour)));
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void CaptionStatic::setAlignment(Alignment alignment) {
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd(), GWL_STYLE);
    const LONG_PTR wanted = (style & ~kAlignmentBits) | static_cast<LONG_PTR>(alignment);
    if (wanted == style) {
        return;
    }
    ::SetWindowLongPtrW(hwnd(), GWL_STYLE, wanted);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

CaptionStatic::Alignment CaptionStatic::alignment() const {
    return static_cast<Alignment>(::GetWindowLongPtrW(hwnd(), GWL_STYLE) & kAlignmentBits);
}

LRESULT CaptionStatic::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ControlColours::kReflectedColourRequest) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, toCOLORREF(textColour_));
        ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(backBrush_.get());
    }
    return defaultHandling(message, wParam, lParam);
}

}  // namespace winui
