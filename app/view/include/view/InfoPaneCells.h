#pragma once

#include "view/Rect.h"

namespace view {

// A caption cell and value cells in a row of the progress window. The File
// Name pane has one value cell filling the row, the CheckSum pane one of
// width v, the Address pane a low cell of width v, a dash and a high cell of
// width v. Cells a pane does not have stay empty rectangles.
struct InfoPaneCells {
    enum class Kind { FileName, Address, CheckSum };

    static constexpr int kCaptionWidth = 100;
    static constexpr int kDashWidth = 48;
    static constexpr const char* kDash = "-";

    static InfoPaneCells place(Kind kind, const Rect& pane);
    // v for a pane of this width.
    static int valueWidth(int paneWidth);

    Rect caption;
    Rect value;
    Rect dash;
    Rect high;
};

}  // namespace view
