#include "view/ViewFont.h"

#include "core/FontSetting.h"

namespace view {

ViewFont ViewFont::fromSetting(const core::FontSetting& setting) {
    ViewFont font;
    font.faceName = setting.faceName;
    font.tenthsOfPoint = setting.pointSize * 10;
    font.weight = setting.bold != 0 ? kBoldWeight : kDefaultWeight;
    font.italic = setting.italic != 0;
    return font;
}

}  // namespace view
