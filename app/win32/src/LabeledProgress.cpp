#include "winui/LabeledProgress.h"

#include <commctrl.h>

#include "winui/StaticText.h"
#include "winui/Window.h"
#include "winui/WindowGeometry.h"

namespace winui {

LabeledProgress::LabeledProgress(const char* caption, HWND parent)
    : caption_(createCentredLabel(parent, caption, WS_VISIBLE)),
      bar_(::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 0, 0, 0, 0, parent,
                             nullptr, Window::instance(), nullptr)) {
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, view::ProgressRowCells::kInitialUpperRange);
    ::SendMessageW(bar_, PBM_SETPOS, 0, 0);
}

void LabeledProgress::place(const view::ProgressRowCells& cells) {
    placeWindow(caption_, cells.caption);
    placeWindow(bar_, cells.bar);
}

void LabeledProgress::setFont(HFONT font) {
    ::SendMessageW(caption_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    ::SendMessageW(bar_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void LabeledProgress::setUpperRange(std::int32_t upper) {
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, upper);
}

void LabeledProgress::setPosition(std::int32_t position) {
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

std::int32_t LabeledProgress::upperRange() const {
    return static_cast<std::int32_t>(::SendMessageW(bar_, PBM_GETRANGE, FALSE, 0));
}

std::int32_t LabeledProgress::position() const {
    return static_cast<std::int32_t>(::SendMessageW(bar_, PBM_GETPOS, 0, 0));
}

}  // namespace winui
