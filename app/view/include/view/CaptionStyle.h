#pragma once

#include "view/FontRequest.h"

namespace view {

// The program's own static text with a font from the caption font table, its
// own text and background colours and an alignment. It is created visible
// and centred, in "Times New Roman" 12, with the system's window-text colour
// on the button face.
struct CaptionStyle {
    enum class Alignment { Left = 0, Centre = 1, Right = 2 };

    static constexpr Alignment kDefaultAlignment = Alignment::Centre;
    static constexpr const char* kDefaultFace = "Times New Roman";
    static constexpr int kDefaultSize = 12;

    static FontRequest defaultFont() { return {kDefaultFace, kDefaultSize, 0, false, false}; }
};

}  // namespace view
