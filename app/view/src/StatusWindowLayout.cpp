#include "view/StatusWindowLayout.h"

#include <algorithm>

namespace view {

Rect StatusWindowLayout::placement(const Rect& mainWindow) {
    const int x = std::max(0, mainWindow.left + (mainWindow.width() - kWidth) / 2);
    const int y = std::max(0, mainWindow.top + (mainWindow.height() - kHeight) / 2);
    return Rect::ofSize(x, y, kWidth, kHeight);
}

StatusWindowLayout StatusWindowLayout::arrange(const Rect& client) {
    StatusWindowLayout layout;
    const Rect inner = client.shrunk(kMargin);
    const int h = inner.height();

    // Upper area: the group box and, inside it, four rows of equal height.
    Rect upper = inner;
    upper.bottom -= (4 * h) / 10;
    layout.group = upper;
    const Rect panes{upper.left + 16, upper.top + 32, upper.right - 16, upper.bottom};
    const int r = (panes.height() - 40) / 4;
    Rect row{panes.left, panes.top + 8, panes.right, panes.top + 8 + r};
    layout.fileName = InfoPaneCells::place(InfoPaneCells::Kind::FileName, row);
    row = row.movedBy(0, r + 8);
    layout.address = InfoPaneCells::place(InfoPaneCells::Kind::Address, row);
    row = row.movedBy(0, r + 8);
    layout.checkSum = InfoPaneCells::place(InfoPaneCells::Kind::CheckSum, row);
    layout.statusLine = row.movedBy(0, r + 8);

    // Lower area: the two bars and the button, half as wide as its row.
    Rect lower = inner;
    lower.top += (6 * h) / 10;
    const int r2 = (lower.height() - 24) / 3;
    Rect bar{lower.left, lower.top + 8, lower.right, lower.top + 8 + r2};
    layout.current = ProgressRowCells::place(bar);
    bar = bar.movedBy(0, r2 + 8);
    layout.total = ProgressRowCells::place(bar);
    bar = bar.movedBy(0, r2 + 8);
    const int quarter = bar.width() / 4;
    layout.button = {bar.left + quarter, bar.top, bar.right - quarter, bar.bottom};
    return layout;
}

}  // namespace view
