#pragma once

#include <windows.h>

#include <array>

#include "view/FontKeyTable.h"
#include "winui/GdiObject.h"

namespace winui {

// A process-wide table of the fonts of the program's own controls: the
// shared key table decides which entry a request gets, this table creates
// the font of a new entry. Entry 0 is the system font.
class FontTable {
  public:
    // Buttons prefer raster fonts, captions stroke fonts.
    enum class Rendering { Raster, Stroke };

    // The 20-entry table of the buttons and the 40-entry one of the captions.
    static FontTable& buttons();
    static FontTable& captions();

    int acquire(const view::FontRequest& request);
    HFONT font(int index) const;
    const view::FontKeyTable& keys() const { return keys_; }

    // The font of a request at the screen's resolution.
    static LOGFONTW describe(const view::FontRequest& request, Rendering rendering);

  private:
    FontTable(std::size_t capacity, Rendering rendering);

    view::FontKeyTable keys_;
    Rendering rendering_;
    std::array<FontHandle, view::FontKeyTable::kMaxCapacity> fonts_;
};

}  // namespace winui
