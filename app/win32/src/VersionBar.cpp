#include "winui/VersionBar.h"

#include "winui/StaticText.h"
#include "winui/WindowGeometry.h"

namespace winui {

namespace {

using view::VersionBarCells;

DWORD visibility(VersionBarCells::Cell cell) {
    return VersionBarCells::shownAtCreation(cell) ? WS_VISIBLE : 0;
}

}  // namespace

VersionBar::VersionBar(HWND parent)
    : romLabel_(createCentredLabel(parent, VersionBarCells::kRomLabel, visibility(VersionBarCells::RomLabel))),
      romValue_(parent, 0, BlinkStatic::kValueCellStyle | visibility(VersionBarCells::RomValue)),
      fileLabel_(createCentredLabel(parent, VersionBarCells::kFileLabel, visibility(VersionBarCells::FileLabel))),
      fileValue_(parent, 0, BlinkStatic::kValueCellStyle | visibility(VersionBarCells::FileValue)) {
    BlinkStatic::makeValueCell(romValue_);
    BlinkStatic::makeValueCell(fileValue_);
}

std::array<HWND, VersionBarCells::CellCount> VersionBar::cells() const {
    return {romLabel_, romValue_.hwnd(), fileLabel_, fileValue_.hwnd()};
}

void VersionBar::place(const std::array<view::Rect, VersionBarCells::CellCount>& rectangles) {
    const std::array<HWND, VersionBarCells::CellCount> all = cells();
    for (std::size_t cell = 0; cell < all.size(); ++cell) {
        placeWindow(all[cell], rectangles[cell]);
    }
}

void VersionBar::setAllVisible(bool visible) {
    for (HWND cell : cells()) {
        ::ShowWindow(cell, visible ? SW_SHOWNA : SW_HIDE);
    }
}

void VersionBar::setRomValue(std::string_view text) {
    romValue_.setTextIfDiffers(text);
}

void VersionBar::setFileValue(std::string_view text) {
    fileValue_.setTextIfDiffers(text);
}

}  // namespace winui
