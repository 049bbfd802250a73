#pragma once

#include <windows.h>

#include <cstdint>

#include "view/ProgressRowCells.h"

namespace winui {

// A caption cell and a smooth progress bar to its right, range 0..100 at
// the start.
class LabeledProgress {
  public:
    LabeledProgress(const char* caption, HWND parent);
    LabeledProgress(const LabeledProgress&) = delete;
    LabeledProgress& operator=(const LabeledProgress&) = delete;

    void place(const view::ProgressRowCells& cells);
    void setFont(HFONT font);
    // The range becomes 0 .. upper.
    void setUpperRange(std::int32_t upper);
    void setPosition(std::int32_t position);
    std::int32_t upperRange() const;
    std::int32_t position() const;
    HWND bar() const { return bar_; }
    HWND caption() const { return caption_; }

  private:
    HWND caption_;
    HWND bar_;
};

}  // namespace winui
