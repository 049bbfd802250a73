#pragma once

namespace view {

// A rectangle by its four edges, right and bottom exclusive: the way the
// window layouts of this program are worked out, and the way a native window
// rectangle is given.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr Rect ofSize(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr Rect shrunk(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    constexpr Rect movedBy(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }

    bool operator==(const Rect&) const = default;
};

}  // namespace view
