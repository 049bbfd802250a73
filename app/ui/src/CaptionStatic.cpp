#include "ui/CaptionStatic.h"

#include "ui/FontTable.h"

#include <QPainter>

namespace ui {

CaptionStatic::CaptionStatic(const QString& text, const QRect& rectangle, QWidget* parent, int identifier)
    : QWidget(parent),
      text_(text),
      identifier_(identifier),
      textColour_(palette().color(QPalette::WindowText)),
      backgroundColour_(palette().color(QPalette::Button)) {
    setGeometry(rectangle);
    setCaptionFont(view::CaptionStyle::defaultFont());
    show();
}

void CaptionStatic::setText(const QString& text) {
    if (text_ != text) {
        text_ = text;
        update();
    }
}

void CaptionStatic::setCaptionFont(const view::FontRequest& request) {
    fontIndex_ = FontTable::captions().acquire(request);
    setFont(FontTable::captions().font(fontIndex_));
    update();
}

void CaptionStatic::setTextColour(const QColor& colour) {
    textColour_ = colour;
    repaint();
}

void CaptionStatic::setBackgroundColour(const QColor& colour) {
    backgroundColour_ = colour;
    update();
}

void CaptionStatic::setAlignment(Alignment alignment) {
    if (alignment_ != alignment) {
        alignment_ = alignment;
        update();
    }
}

void CaptionStatic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColour_);
    painter.setPen(textColour_);
    painter.setFont(font());
    Qt::Alignment horizontal = Qt::AlignHCenter;
    if (alignment_ == Alignment::Left) {
        horizontal = Qt::AlignLeft;
    } else if (alignment_ == Alignment::Right) {
        horizontal = Qt::AlignRight;
    }
    // A static text sits at the top of its rectangle and wraps at words.
    painter.drawText(rect(), static_cast<int>(horizontal | Qt::AlignTop) | Qt::TextWordWrap, text_);
}

}  // namespace ui
