#pragma once

#include <cstddef>
#include <string>

namespace view {

// What an own control asks a font table for: the key under which equal
// requests share one created font, and the numbers the created font gets.
struct FontRequest {
    static constexpr std::size_t kMaxFaceLength = 39;  // a 40-byte field with its terminator
    static constexpr int kPointsPerInch = 72;
    static constexpr int kWidthUnitsPerInch = 144;  // widths are given in half points
    static constexpr int kBoldWeight = 700;
    static constexpr int kNormalWeight = 400;

    std::string faceName;
    int size = 0;   // points
    int width = 0;  // average character width in half points, 0 for the face's own
    bool bold = false;
    bool italic = false;

    // The key as a table keeps it: the face cut to its field.
    FontRequest key() const;
    // The cell height in pixels (ascent and descent together) at this
    // vertical resolution.
    int cellHeight(int dotsPerInchY) const { return size * dotsPerInchY / kPointsPerInch; }
    // The average character width in pixels, 0 for the face's own.
    int averageWidth(int dotsPerInchX) const {
        return width != 0 ? width * dotsPerInchX / kWidthUnitsPerInch : 0;
    }
    int weight() const { return bold ? kBoldWeight : kNormalWeight; }

    bool operator==(const FontRequest&) const = default;
};

}  // namespace view
