#pragma once

#include "view/Rect.h"

namespace view {

// A caption cell and a progress bar to its right.
struct ProgressRowCells {
    static constexpr int kCaptionWidth = 100;
    static constexpr int kInitialUpperRange = 100;

    static ProgressRowCells place(const Rect& row);

    Rect caption;
    Rect bar;
};

}  // namespace view
