#include "view/ModeSelectLayout.h"

namespace view {

ModeSelectLayout ModeSelectLayout::arrange(int clientWidth, int clientHeight) {
    const int w = clientWidth;
    const int h = clientHeight;
    ModeSelectLayout layout;
    layout.banner = {0, h - 20, w, h};
    layout.ok = {w - w / 2 - 40, h - 50, w - w / 2 + 40, h - 25};
    layout.icon = Rect::ofSize(10, 26, kIconSize, kIconSize);
    layout.prompt = {50, 26, w - 10, 46};
    layout.hostInterface = {50, 66, w - 10, 86};
    layout.cardDirect = {50, 91, w - 10, 111};
    return layout;
}

}  // namespace view
