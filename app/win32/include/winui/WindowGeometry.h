#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "view/Rect.h"
#include "view/Rgb.h"

namespace winui {

// The shared layer's rectangles and colours and the system's, and the
// small window queries every front-end class needs.
inline RECT toRECT(const view::Rect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}
inline view::Rect toRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}
inline COLORREF toCOLORREF(view::Rgb colour) {
    return RGB(colour.red, colour.green, colour.blue);
}
inline view::Rgb toRgb(COLORREF colour) {
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

// Moves a window to a rectangle of its parent's client area.
void placeWindow(HWND window, const view::Rect& rect);
view::Rect clientRect(HWND window);
// The window's rectangle in its parent's client coordinates (the screen's
// for a top-level window).
view::Rect rectInParent(HWND window);
// The window text as UTF-8, and set from UTF-8.
std::string windowText(HWND window);
void setWindowText(HWND window, std::string_view text);

}  // namespace winui
