#include "ui/VersionBar.h"

#include "ui/BlinkStatic.h"
#include "ui/ViewGeometry.h"

#include <QLabel>

namespace ui {

namespace {

using view::VersionBarCells;

QLabel* makeLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

VersionBar::VersionBar(QWidget* parent)
    : romLabel_(makeLabel(VersionBarCells::kRomLabel, parent)),
      romValue_(BlinkStatic::makeValueCell(parent)),
      fileLabel_(makeLabel(VersionBarCells::kFileLabel, parent)),
      fileValue_(BlinkStatic::makeValueCell(parent)) {
    const std::array<QWidget*, VersionBarCells::CellCount> all = cells();
    for (int cell = 0; cell < VersionBarCells::CellCount; ++cell) {
        all[static_cast<std::size_t>(cell)]->setVisible(
            VersionBarCells::shownAtCreation(static_cast<VersionBarCells::Cell>(cell)));
    }
}

std::array<QWidget*, VersionBarCells::CellCount> VersionBar::cells() const {
    return {romLabel_, romValue_, fileLabel_, fileValue_};
}

void VersionBar::place(const std::array<view::Rect, VersionBarCells::CellCount>& rectangles) {
    const std::array<QWidget*, VersionBarCells::CellCount> all = cells();
    for (std::size_t cell = 0; cell < all.size(); ++cell) {
        all[cell]->setGeometry(toQRect(rectangles[cell]));
    }
}

void VersionBar::setAllVisible(bool visible) {
    for (QWidget* cell : cells()) {
        cell->setVisible(visible);
    }
}

void VersionBar::setRomValue(const QString& text) {
    romValue_->setTextIfDiffers(text);
}

void VersionBar::setFileValue(const QString& text) {
    fileValue_->setTextIfDiffers(text);
}

}  // namespace ui
