#pragma once

#include <string>

namespace core {
struct FontSetting;
}

namespace view {

// The main view's font as the settings describe it (DATA/FONT): a point font
// of the named face in tenths of a point, with weight 700 when bold is asked
// and otherwise the face's default weight (0). Every child control of the
// view gets it, and the layout is done again.
struct ViewFont {
    static constexpr int kDefaultWeight = 0;
    static constexpr int kBoldWeight = 700;

    std::string faceName;
    int tenthsOfPoint = 0;
    int weight = kDefaultWeight;
    bool italic = false;

    static ViewFont fromSetting(const core::FontSetting& setting);
    int pointSize() const { return tenthsOfPoint / 10; }
    bool bold() const { return weight == kBoldWeight; }

    bool operator==(const ViewFont&) const = default;
};

}  // namespace view
