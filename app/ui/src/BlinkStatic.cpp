#include "ui/BlinkStatic.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>

namespace ui {

BlinkStatic::BlinkStatic(QWidget* parent)
    : QFrame(parent),
      colourA_(palette().color(QPalette::ButtonText)),
      colourB_(palette().color(QPalette::Button)) {}

BlinkStatic::~BlinkStatic() {
    timer_.stop();
    lit_ = savedLit_;
}

void BlinkStatic::setText(const QString& text) {
    if (text_ != text) {
        text_ = text;
        update();
    }
}

bool BlinkStatic::setTextIfDiffers(const QString& text) {
    if (text_.compare(text, Qt::CaseInsensitive) == 0) {
        return false;
    }
    setText(text);
    return true;
}

bool BlinkStatic::setTextIfDiffersExactly(const QString& text) {
    if (text_ == text) {
        return false;
    }
    setText(text);
    return true;
}

void BlinkStatic::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

void BlinkStatic::setSunken(bool sunken) {
    setFrameStyle(sunken ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
    setLineWidth(sunken ? 1 : 0);
}

void BlinkStatic::setOwnColours(bool ownColours) {
    ownColours_ = ownColours;
    update();
}

QColor BlinkStatic::setColourA(const QColor& colour) {
    const QColor previous = colourA_;
    colourA_ = colour;
    update();
    return previous;
}

QColor BlinkStatic::setColourB(const QColor& colour) {
    const QColor previous = colourB_;
    colourB_ = colour;
    update();
    return previous;
}

bool BlinkStatic::setBlinking(bool blink) {
    const bool wasBlinking = timer_.isActive();
    if (blink && !wasBlinking) {
        savedLit_ = lit_;
        timer_.start(kBlinkPeriodMs, this);
    } else if (!blink && wasBlinking) {
        timer_.stop();
        if (lit_ != savedLit_) {
            lit_ = savedLit_;
            update();
        }
    }
    return wasBlinking;
}

QColor BlinkStatic::shownTextColour() const {
    if (ownColours_) {
        return lit_ ? colourB_ : colourA_;
    }
    return lit_ ? palette().color(QPalette::Window) : palette().color(QPalette::WindowText);
}

QColor BlinkStatic::shownBackgroundColour() const {
    if (ownColours_) {
        return lit_ ? colourA_ : colourB_;
    }
    return lit_ ? palette().color(QPalette::WindowText) : palette().color(QPalette::Window);
}

void BlinkStatic::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), shownBackgroundColour());
        painter.setPen(shownTextColour());
        painter.setFont(font());
        const int inset = frameWidth() + 1;
        painter.drawText(rect().adjusted(inset, 0, -inset, 0),
                         static_cast<int>(alignment_) | Qt::TextSingleLine, text_);
    }
    QFrame::paintEvent(event);  // the border over the fill
}

void BlinkStatic::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) {
        QFrame::timerEvent(event);
        return;
    }
    lit_ = !lit_;
    update();
}

}  // namespace ui
