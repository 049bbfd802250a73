#include "ui/FontTable.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>

#include <algorithm>

namespace ui {

namespace {

constexpr int kFallbackDotsPerInch = 96;

int screenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchY()) : kFallbackDotsPerInch;
}

int screenDpiX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchX()) : kFallbackDotsPerInch;
}

}  // namespace

FontTable::FontTable(std::size_t capacity, Rendering rendering) : keys_(capacity), rendering_(rendering) {
    fonts_[0] = QApplication::font();
}

int FontTable::acquire(const view::FontRequest& request) {
    const view::FontKeyTable::Entry entry = keys_.acquire(request);
    if (entry.created) {
        fonts_[static_cast<std::size_t>(entry.index)] = create(keys_.key(entry.index));
    }
    return entry.index;
}

const QFont& FontTable::font(int index) const {
    return fonts_[keys_.isUsed(index) ? static_cast<std::size_t>(index) : 0];
}

QFont FontTable::create(const view::FontRequest& request) const {
    QFont font(QString::fromStdString(request.faceName));
    font.setStyleHint(QFont::SansSerif,
                      rendering_ == Rendering::Bitmap ? QFont::PreferBitmap : QFont::PreferOutline);
    // The size asks for a cell height (ascent and descent together), which is
    // a little more than the em size the toolkit takes.
    const int cellHeight = std::max(1, request.cellHeight(screenDpiY()));
    font.setPixelSize(cellHeight);
    const int measured = QFontMetrics(font).height();
    if (measured > cellHeight) {
        font.setPixelSize(std::max(1, cellHeight * cellHeight / measured));
    }
    font.setWeight(static_cast<QFont::Weight>(request.weight()));
    font.setItalic(request.italic);
    font.setUnderline(false);
    font.setStrikeOut(false);
    if (request.width != 0) {
        // The face's own average width at this height sets the stretch that
        // gives the asked-for width.
        const int wanted = request.averageWidth(screenDpiX());
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0 && wanted > 0) {
            font.setStretch(std::clamp(wanted * 100 / natural, 1, 4000));
        }
    }
    return font;
}

FontTable& FontTable::buttons() {
    static FontTable table(view::FontKeyTable::kButtonCapacity, Rendering::Bitmap);
    return table;
}

FontTable& FontTable::captions() {
    static FontTable table(view::FontKeyTable::kCaptionCapacity, Rendering::Outline);
    return table;
}

}  // namespace ui
