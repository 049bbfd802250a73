#pragma once

#include <QPoint>
#include <QRect>

namespace ui {

// A rectangle by its four edges, right and bottom exclusive, the way the
// window layouts of this program are worked out.
struct Edges {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    Edges shrunk(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    Edges movedBy(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    QRect toRect() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
    static Edges of(const QRect& rect) {
        return {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
    }
};

}  // namespace ui
