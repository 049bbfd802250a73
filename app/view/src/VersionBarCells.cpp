#include "view/VersionBarCells.h"

namespace view {

std::array<Rect, VersionBarCells::CellCount> VersionBarCells::place(const Rect& bar) {
    const int width = cellWidth(bar.width());
    std::array<Rect, CellCount> cells;
    int left = bar.left;
    for (Rect& cell : cells) {
        cell = {left, bar.top, left + width, bar.bottom};
        left += width;
    }
    return cells;
}

}  // namespace view
