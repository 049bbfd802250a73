#include "view/FontKeyTable.h"

#include <algorithm>

namespace view {

FontKeyTable::FontKeyTable(std::size_t capacity)
    : capacity_(std::clamp<std::size_t>(capacity, 1, kMaxCapacity)) {}

FontKeyTable::Entry FontKeyTable::acquire(const FontRequest& request) {
    const FontRequest key = request.key();
    for (std::size_t index = 1; index < used_; ++index) {
        if (keys_[index] == key) {
            return {static_cast<int>(index), false};
        }
    }
    if (used_ >= capacity_) {
        return {0, false};
    }
    keys_[used_] = key;
    return {static_cast<int>(used_++), true};
}

const FontRequest& FontKeyTable::key(int index) const {
    return keys_[isUsed(index) ? static_cast<std::size_t>(index) : 0];
}

}  // namespace view
