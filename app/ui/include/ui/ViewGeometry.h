#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>

#include "view/Rect.h"
#include "view/Rgb.h"

namespace ui {

// The shared layer's rectangles (right and bottom exclusive) and colours in
// the toolkit's own types.
inline QRect toQRect(const view::Rect& rect) {
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

inline view::Rect toRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

inline QColor toQColor(view::Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

inline view::Rgb toRgb(const QColor& colour) {
    return {static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
            static_cast<std::uint8_t>(colour.blue())};
}

}  // namespace ui
