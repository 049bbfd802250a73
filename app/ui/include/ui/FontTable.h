#pragma once

#include <QFont>

#include <array>
#include <cstddef>

#include "view/FontKeyTable.h"
#include "view/FontRequest.h"

namespace ui {

// A process-wide table of created fonts, entry for entry beside the shared
// table of their keys: equal requests share one created font, entry 0 is
// the system font, and a full table answers with entry 0.
class FontTable {
  public:
    // How a font of this table prefers to be rendered.
    enum class Rendering { Bitmap, Outline };

    FontTable(std::size_t capacity, Rendering rendering);

    // Index of the entry for the request, creating its font when it is new.
    int acquire(const view::FontRequest& request);
    const QFont& font(int index) const;
    std::size_t usedCount() const { return keys_.usedCount(); }
    std::size_t capacity() const { return keys_.capacity(); }

    // The tables of the program's own buttons and captions.
    static FontTable& buttons();
    static FontTable& captions();

  private:
    QFont create(const view::FontRequest& request) const;

    view::FontKeyTable keys_;
    Rendering rendering_;
    std::array<QFont, view::FontKeyTable::kMaxCapacity> fonts_{};
};

}  // namespace ui
