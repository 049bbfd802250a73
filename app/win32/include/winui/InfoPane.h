#pragma once

#include <windows.h>

#include <memory>

#include "view/InfoPaneCells.h"
#include "winui/BlinkStatic.h"

namespace winui {

// A row of the progress window: a caption cell and one value cell, or for
// the Address pane a low cell, a dash and a high cell.
class InfoPane {
  public:
    using Kind = view::InfoPaneCells::Kind;

    InfoPane(Kind kind, const char* caption, HWND parent);
    InfoPane(const InfoPane&) = delete;
    InfoPane& operator=(const InfoPane&) = delete;

    void place(const view::InfoPaneCells& cells);
    void setFont(HFONT font);
    HWND caption() const { return caption_; }
    BlinkStatic& valueCell() { return value_; }
    // The Address pane's high cell; null for the others.
    BlinkStatic* highValueCell() { return high_.get(); }

  private:
    HWND caption_;
    BlinkStatic value_;
    HWND dash_ = nullptr;
    std::unique_ptr<BlinkStatic> high_;
};

}  // namespace winui
