#include "ui/FontTable.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>

#include <algorithm>

namespace ui {

namespace {

// Font sizes are given in points; the cell height in pixels follows the
// screen's resolution, 72 points to the inch.
constexpr int kPointsPerInch = 72;
// Character widths are given in half points.
constexpr int kWidthUnitsPerInch = 144;
constexpr int kBoldWeight = 700;

int screenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
}

int screenDpiX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchX()) : 96;
}

}  // namespace

FontTable::FontTable(std::size_t capacity, Rendering rendering)
    : capacity_(std::min(capacity, kCaptionCapacity)), rendering_(rendering) {
    entries_[0].font = QApplication::font();
}

int FontTable::acquire(const FontRequest& request) {
    FontRequest key = request;
    if (key.faceName.size() > FontRequest::kMaxFaceLength) {
        key.faceName.resize(FontRequest::kMaxFaceLength);
    }
    for (std::size_t index = 1; index < used_; ++index) {
        if (entries_[index].key == key) {
            return static_cast<int>(index);
        }
    }
    if (used_ >= capacity_) {
        return 0;
    }
    entries_[used_] = Entry{key, create(key)};
    return static_cast<int>(used_++);
}

const QFont& FontTable::font(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= used_) {
        return entries_[0].font;
    }
    return entries_[static_cast<std::size_t>(index)].font;
}

QFont FontTable::create(const FontRequest& request) const {
    QFont font(QString::fromStdString(request.faceName));
    font.setStyleHint(QFont::SansSerif,
                      rendering_ == Rendering::Bitmap ? QFont::PreferBitmap : QFont::PreferOutline);
    // The size asks for a cell height (ascent and descent together), which is
    // a little more than the em size the toolkit takes.
    const int cellHeight = std::max(1, request.size * screenDpiY() / kPointsPerInch);
    font.setPixelSize(cellHeight);
    const int measured = QFontMetrics(font).height();
    if (measured > cellHeight) {
        font.setPixelSize(std::max(1, cellHeight * cellHeight / measured));
    }
    font.setWeight(request.bold ? static_cast<QFont::Weight>(kBoldWeight) : QFont::Normal);
    font.setItalic(request.italic);
    font.setUnderline(false);
    font.setStrikeOut(false);
    if (request.width != 0) {
        // The face's own average width at this height sets the stretch that
        // gives the asked-for width.
        const int wanted = request.width * screenDpiX() / kWidthUnitsPerInch;
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0 && wanted > 0) {
            font.setStretch(std::clamp(wanted * 100 / natural, 1, 4000));
        }
    }
    return font;
}

FontTable& FontTable::buttons() {
    static FontTable table(kButtonCapacity, Rendering::Bitmap);
    return table;
}

FontTable& FontTable::captions() {
    static FontTable table(kCaptionCapacity, Rendering::Outline);
    return table;
}

}  // namespace ui
