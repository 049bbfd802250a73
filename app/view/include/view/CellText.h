#pragma once

#include <string_view>

namespace view {

// When a text cell is written: the cells of the main view and of the
// progress window are rewritten only when the new text differs from the
// shown one, most of them without regard to case (ASCII letters), the status
// line exactly.
class CellText {
  public:
    static bool differsIgnoringCase(std::string_view shown, std::string_view wanted);
    static bool differsExactly(std::string_view shown, std::string_view wanted) { return shown != wanted; }
};

}  // namespace view
