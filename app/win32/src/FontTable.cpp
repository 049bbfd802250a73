#include "winui/FontTable.h"

#include <algorithm>

#include "platform/Utf16.h"
#include "winui/ScreenDc.h"

namespace winui {

FontTable::FontTable(std::size_t capacity, Rendering rendering) : keys_(capacity), rendering_(rendering) {}

int FontTable::acquire(const view::FontRequest& request) {
    const view::FontKeyTable::Entry entry = keys_.acquire(request);
    if (entry.created) {
        const LOGFONTW description = describe(keys_.key(entry.index), rendering_);
        fonts_[static_cast<std::size_t>(entry.index)].reset(::CreateFontIndirectW(&description));
    }
    return entry.index;
}

HFONT FontTable::font(int index) const {
    if (index > 0 && keys_.isUsed(index)) {
        if (HFONT created = fonts_[static_cast<std::size_t>(index)].get()) {
            return created;
        }
    }
    return static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
}

LOGFONTW FontTable::describe(const view::FontRequest& request, Rendering rendering) {
    const ScreenDc screen;
    LOGFONTW font{};
    // A positive height asks for the cell height (ascent and descent).
    font.lfHeight = request.cellHeight(screen.dotsPerInchY());
    font.lfWidth = request.averageWidth(screen.dotsPerInchX());
    font.lfWeight = request.weight();
    font.lfItalic = request.italic ? TRUE : FALSE;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = rendering == Rendering::Raster ? OUT_RASTER_PRECIS : OUT_STROKE_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = DRAFT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    const std::wstring face = platform::widen(request.faceName);
    const std::size_t length = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    std::copy_n(face.begin(), length, font.lfFaceName);
    return font;
}

FontTable& FontTable::buttons() {
    static FontTable table(view::FontKeyTable::kButtonCapacity, Rendering::Raster);
    return table;
}

FontTable& FontTable::captions() {
    static FontTable table(view::FontKeyTable::kCaptionCapacity, Rendering::Stroke);
    return table;
}

}  // namespace winui
