#pragma once

#include <array>

#include "view/Rect.h"

namespace view {

// The four cells beside the unit selector, left to right: "ROM Ver." label
// and value, "File Ver." label and value, of equal width. The ROM cells are
// created hidden, the File cells shown; a change of the writing port shows or
// hides all four together.
class VersionBarCells {
  public:
    enum Cell { RomLabel = 0, RomValue, FileLabel, FileValue, CellCount };

    static constexpr const char* kRomLabel = "ROM Ver.";
    static constexpr const char* kFileLabel = "File Ver.";

    static constexpr bool shownAtCreation(Cell cell) { return cell == FileLabel || cell == FileValue; }
    static constexpr int cellWidth(int barWidth) { return barWidth - (barWidth / 4) * 3; }

    // The cells of a bar placed in this rectangle, indexed by Cell.
    static std::array<Rect, CellCount> place(const Rect& bar);
};

}  // namespace view
