#include "view/MainViewLayout.h"

namespace view {

Rect MainViewLayout::selectorDropRect(const Rect& client) {
    const Rect inner = client.shrunk(kMargin);
    const int W = inner.width();
    const int H = inner.height();
    return Rect::ofSize(inner.left, inner.top, W - (3 * W) / 4, H - H / 2);
}

MainViewLayout MainViewLayout::arrange(const Rect& client, int topRuleHeight, int selectorWidth,
                                       int selectorHeight) {
    MainViewLayout layout;
    layout.topRule = {client.left, client.top, client.right, client.top + topRuleHeight};

    const Rect inner = client.shrunk(kMargin);
    layout.versionBar = {inner.left + selectorWidth + kMargin, inner.top, inner.right,
                         inner.top + selectorHeight};
    layout.versionCells = VersionBarCells::place(layout.versionBar);

    // The panel below the selector: the grid, the button column to its right
    // and the ALL / CLEAR strip at the bottom.
    const Rect panel{inner.left, inner.top + selectorHeight + kMargin, inner.right, inner.bottom};
    const int L = panel.left;
    const int T = panel.top;
    const int R = panel.right;
    const int B = panel.bottom;
    const int w = panel.width();
    const int h = panel.height();
    const int e = h / 10 + 8;
    const int f = w / 5 + 8;
    const int g = (4 * w) / 5;

    layout.grid = {L, T, R - f, B - e};

    // Get Ver. takes three quarters of the button column (the division
    // truncates toward zero); Write is the same rectangle moved down by its height.
    const int columnBottom = B - e;
    const int b1 = columnBottom + ((T - columnBottom) * 3) / 4;
    const int k = b1 - T;
    layout.getVersion = {L + g, T, R, b1};
    layout.write = layout.getVersion.movedBy(0, k);

    layout.all = {L, T + (9 * h) / 10, R - g, B};
    layout.clear = layout.all.movedBy(layout.all.width(), 0);
    return layout;
}

}  // namespace view
