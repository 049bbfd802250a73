#pragma once

#include <QFont>

#include <array>
#include <cstddef>
#include <string>

namespace ui {

// What a font is asked for with: the key under which equal requests share
// one created font.
struct FontRequest {
    static constexpr std::size_t kMaxFaceLength = 39;  // a 40-byte field with its terminator

    std::string faceName;
    int size = 0;   // points
    int width = 0;  // average character width, 0 for the face's own
    bool bold = false;
    bool italic = false;

    bool operator==(const FontRequest&) const = default;
};

// A process-wide table of created fonts. Entry 0 is the system font; the
// other entries are created on the first request for their key and shared by
// every later request for the same key. A full table answers with entry 0.
class FontTable {
  public:
    // How a font of this table prefers to be rendered.
    enum class Rendering { Bitmap, Outline };

    static constexpr std::size_t kButtonCapacity = 20;
    static constexpr std::size_t kCaptionCapacity = 40;

    FontTable(std::size_t capacity, Rendering rendering);

    // Index of the entry for the request, creating it when no used entry
    // other than 0 matches.
    int acquire(const FontRequest& request);
    const QFont& font(int index) const;
    std::size_t usedCount() const { return used_; }
    std::size_t capacity() const { return capacity_; }

    // The tables of the program's own buttons and captions.
    static FontTable& buttons();
    static FontTable& captions();

  private:
    struct Entry {
        FontRequest key;
        QFont font;
    };

    QFont create(const FontRequest& request) const;

    std::size_t capacity_;
    Rendering rendering_;
    std::array<Entry, kCaptionCapacity> entries_{};
    std::size_t used_ = 1;
};

}  // namespace ui
