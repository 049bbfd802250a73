#include "ui/InfoPane.h"

#include "ui/BlinkStatic.h"
#include "ui/Edges.h"

#include <QLabel>

namespace ui {

namespace {

BlinkStatic* makeValueCell(QWidget* parent) {
    auto* cell = new BlinkStatic(parent);
    cell->setOwnColours(true);
    cell->setColourA(QColor(0, 0, 0));
    cell->setColourB(QColor(255, 255, 255));
    cell->setSunken(true);
    cell->setAlignment(Qt::AlignCenter);
    return cell;
}

QLabel* makeCaptionCell(const QString& text, QWidget* parent) {
    auto* cell = new QLabel(text, parent);
    cell->setAlignment(Qt::AlignCenter);
    return cell;
}

}  // namespace

InfoPane::InfoPane(Kind kind, const QString& caption, QWidget* parent)
    : kind_(kind), caption_(makeCaptionCell(caption, parent)), value_(makeValueCell(parent)) {
    if (kind_ == Kind::Address) {
        dash_ = makeCaptionCell("-", parent);
        high_ = makeValueCell(parent);
    }
}

int InfoPane::valueWidth(int paneWidth) {
    return (paneWidth - kCaptionWidth) - ((paneWidth - (kCaptionWidth + kDashWidth)) / 2 + kDashWidth);
}

void InfoPane::place(const QRect& rectangle) {
    const Edges pane = Edges::of(rectangle);
    const int v = valueWidth(pane.width());
    const int valueLeft = pane.left + kCaptionWidth;
    caption_->setGeometry(Edges{pane.left, pane.top, valueLeft, pane.bottom}.toRect());
    switch (kind_) {
        case Kind::FileName:
            value_->setGeometry(Edges{valueLeft, pane.top, pane.right, pane.bottom}.toRect());
            break;
        case Kind::CheckSum:
            value_->setGeometry(Edges{valueLeft, pane.top, valueLeft + v, pane.bottom}.toRect());
            break;
        case Kind::Address: {
            const int dashLeft = valueLeft + v;
            const int highLeft = dashLeft + kDashWidth;
            value_->setGeometry(Edges{valueLeft, pane.top, dashLeft, pane.bottom}.toRect());
            dash_->setGeometry(Edges{dashLeft, pane.top, highLeft, pane.bottom}.toRect());
            high_->setGeometry(Edges{highLeft, pane.top, highLeft + v, pane.bottom}.toRect());
            break;
        }
    }
}

void InfoPane::setFont(const QFont& font) {
    caption_->setFont(font);
    value_->setFont(font);
    if (dash_ != nullptr) {
        dash_->setFont(font);
        high_->setFont(font);
    }
}

void InfoPane::setValue(const QString& text) {
    value_->setTextIfDiffers(text);
}

void InfoPane::setHighValue(const QString& text) {
    if (high_ != nullptr) {
        high_->setTextIfDiffers(text);
    }
}

void InfoPane::clear() {
    setValue(QString());
    setHighValue(QString());
}

}  // namespace ui
