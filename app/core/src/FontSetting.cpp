#include "core/FontSetting.h"

#include <algorithm>
#include <optional>

#include "data/CommaValueReader.h"

namespace core {

FontSetting FontSetting::parse(std::string_view value) {
    FontSetting font;
    data::CommaValueReader reader(value);
    if (std::optional<std::string> face = reader.nextText())
        font.faceName = *face;
    if (std::optional<std::int32_t> size = reader.nextInteger()) {
        font.pointSize = std::clamp(*size, kMinPointSize, kMaxPointSize);
    }
    if (std::optional<std::int32_t> bold = reader.nextInteger())
        font.bold = *bold;
    if (std::optional<std::int32_t> italic = reader.nextInteger())
        font.italic = *italic;
    return font;
}

}  // namespace core
