#include "winui/InfoPane.h"

#include "winui/StaticText.h"
#include "winui/WindowGeometry.h"

namespace winui {

InfoPane::InfoPane(Kind kind, const char* caption, HWND parent)
    : caption_(createCentredLabel(parent, caption, WS_VISIBLE)),
      value_(parent, 0, BlinkStatic::kValueCellStyle | WS_VISIBLE) {
    BlinkStatic::makeValueCell(value_);
    if (kind == Kind::Address) {
        dash_ = createCentredLabel(parent, view::InfoPaneCells::kDash, WS_VISIBLE);
        high_ = std::make_unique<BlinkStatic>(parent, 0, BlinkStatic::kValueCellStyle | WS_VISIBLE);
        BlinkStatic::makeValueCell(*high_);
    }
}

void InfoPane::place(const view::InfoPaneCells& cells) {
    placeWindow(caption_, cells.caption);
    placeWindow(value_.hwnd(), cells.value);
    if (high_ != nullptr) {
        placeWindow(dash_, cells.dash);
        placeWindow(high_->hwnd(), cells.high);
    }
}

void InfoPane::setFont(HFONT font) {
    const WPARAM handle = reinterpret_cast<WPARAM>(font);
    ::SendMessageW(caption_, WM_SETFONT, handle, TRUE);
    ::SendMessageW(value_.hwnd(), WM_SETFONT, handle, TRUE);
    if (high_ != nullptr) {
        ::SendMessageW(dash_, WM_SETFONT, handle, TRUE);
        ::SendMessageW(high_->hwnd(), WM_SETFONT, handle, TRUE);
    }
}

}  // namespace winui
