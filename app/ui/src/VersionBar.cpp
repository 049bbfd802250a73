#include "ui/VersionBar.h"

#include "ui/BlinkStatic.h"
#include "ui/Edges.h"

#include <QLabel>

namespace ui {

namespace {

QLabel* makeLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

BlinkStatic* makeValue(QWidget* parent) {
    auto* value = new BlinkStatic(parent);
    value->setOwnColours(true);
    value->setColourA(QColor(0, 0, 0));
    value->setColourB(QColor(255, 255, 255));
    value->setSunken(true);
    value->setAlignment(Qt::AlignCenter);
    return value;
}

}  // namespace

VersionBar::VersionBar(QWidget* parent)
    : romLabel_(makeLabel("ROM Ver.", parent)),
      romValue_(makeValue(parent)),
      fileLabel_(makeLabel("File Ver.", parent)),
      fileValue_(makeValue(parent)) {
    romLabel_->hide();
    romValue_->hide();
}

void VersionBar::place(const QRect& rectangle) {
    const Edges bar = Edges::of(rectangle);
    const int c = cellWidth(bar.width());
    int left = bar.left;
    for (QWidget* cell : std::array<QWidget*, 4>{romLabel_, romValue_, fileLabel_, fileValue_}) {
        cell->setGeometry(Edges{left, bar.top, left + c, bar.bottom}.toRect());
        left += c;
    }
}

void VersionBar::setAllVisible(bool visible) {
    for (QWidget* cell : std::array<QWidget*, 4>{romLabel_, romValue_, fileLabel_, fileValue_}) {
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
