#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string_view>

#include "view/VersionBarCells.h"
#include "winui/BlinkStatic.h"

namespace winui {

// The four cells beside the unit selector: "ROM Ver." label and value,
// "File Ver." label and value, children of the view. The ROM cells start
// hidden, the File cells shown.
class VersionBar {
  public:
    explicit VersionBar(HWND parent);
    VersionBar(const VersionBar&) = delete;
    VersionBar& operator=(const VersionBar&) = delete;

    void place(const std::array<view::Rect, view::VersionBarCells::CellCount>& cells);
    void setAllVisible(bool visible);
    // Each rewritten only when the text differs without regard to case.
    void setRomValue(std::string_view text);
    void setFileValue(std::string_view text);

    HWND romLabel() const { return romLabel_; }
    HWND fileLabel() const { return fileLabel_; }
    BlinkStatic& romValue() { return romValue_; }
    BlinkStatic& fileValue() { return fileValue_; }
    std::array<HWND, view::VersionBarCells::CellCount> cells() const;

  private:
    HWND romLabel_;
    BlinkStatic romValue_;
    HWND fileLabel_;
    BlinkStatic fileValue_;
};

}  // namespace winui
