#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// The font of the main view: DATA/FONT, "face,size,bold,italic".
struct FontSetting {
    static constexpr const char* kDefaultValue = "Terminal,14,0,0";
    static constexpr const char* kDefaultFace = "Terminal";
    static constexpr std::int32_t kDefaultPointSize = 14;
    static constexpr std::int32_t kMinPointSize = 8;
    static constexpr std::int32_t kMaxPointSize = 36;
    static constexpr std::int32_t kBoldWeight = 700;

    std::string faceName = kDefaultFace;
    std::int32_t pointSize = kDefaultPointSize;
    std::int32_t bold = 0;    // non-zero: bold (weight 700)
    std::int32_t italic = 0;  // non-zero: italic

    // Missing or empty values keep their defaults; the size is kept in 8..36.
    static FontSetting parse(std::string_view value);

    bool operator==(const FontSetting&) const = default;
};

}  // namespace core
