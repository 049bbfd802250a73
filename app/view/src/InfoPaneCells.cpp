#include "view/InfoPaneCells.h"

namespace view {

int InfoPaneCells::valueWidth(int paneWidth) {
    return (paneWidth - kCaptionWidth) - ((paneWidth - (kCaptionWidth + kDashWidth)) / 2 + kDashWidth);
}

InfoPaneCells InfoPaneCells::place(Kind kind, const Rect& pane) {
    const int v = valueWidth(pane.width());
    const int valueLeft = pane.left + kCaptionWidth;
    InfoPaneCells cells;
    cells.caption = {pane.left, pane.top, valueLeft, pane.bottom};
    switch (kind) {
        case Kind::FileName:
            cells.value = {valueLeft, pane.top, pane.right, pane.bottom};
            break;
        case Kind::CheckSum:
            cells.value = {valueLeft, pane.top, valueLeft + v, pane.bottom};
            break;
        case Kind::Address: {
            const int dashLeft = valueLeft + v;
            const int highLeft = dashLeft + kDashWidth;
            cells.value = {valueLeft, pane.top, dashLeft, pane.bottom};
            cells.dash = {dashLeft, pane.top, highLeft, pane.bottom};
            cells.high = {highLeft, pane.top, highLeft + v, pane.bottom};
            break;
        }
    }
    return cells;
}

}  // namespace view
