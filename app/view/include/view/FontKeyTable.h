#pragma once

#include <array>
#include <cstddef>

#include "view/FontRequest.h"

namespace view {

// The keys of a process-wide font table; the front end keeps the created
// fonts beside it, entry for entry. Entry 0 stands for the system font. A
// request is answered with the used entry (other than 0) of an equal key, or
// with a new entry that the front end must then create; a full table answers
// with entry 0.
class FontKeyTable {
  public:
    static constexpr std::size_t kButtonCapacity = 20;
    static constexpr std::size_t kCaptionCapacity = 40;
    static constexpr std::size_t kMaxCapacity = kCaptionCapacity;

    struct Entry {
        int index = 0;
        bool created = false;  // a new entry: create its font from key(index)
    };

    explicit FontKeyTable(std::size_t capacity);

    Entry acquire(const FontRequest& request);
    // The key of a used entry (entry 0 and unused ones have an empty key).
    const FontRequest& key(int index) const;
    // Whether index names a used entry; other indices stand for entry 0.
    bool isUsed(int index) const { return index >= 0 && static_cast<std::size_t>(index) < used_; }
    std::size_t usedCount() const { return used_; }
    std::size_t capacity() const { return capacity_; }

  private:
    std::size_t capacity_;
    std::array<FontRequest, kMaxCapacity> keys_{};
    std::size_t used_ = 1;
};

}  // namespace view
