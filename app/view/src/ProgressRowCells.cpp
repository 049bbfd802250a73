#include "view/ProgressRowCells.h"

namespace view {

ProgressRowCells ProgressRowCells::place(const Rect& row) {
    const int barLeft = row.left + kCaptionWidth;
    return {{row.left, row.top, barLeft, row.bottom}, {barLeft, row.top, row.right, row.bottom}};
}

}  // namespace view
