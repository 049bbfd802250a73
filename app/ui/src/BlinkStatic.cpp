#include "ui/BlinkStatic.h"

#include "ui/ViewGeometry.h"
#include "view/CellText.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>

namespace ui {

BlinkStatic::BlinkStatic(QWidget* parent)
    : QFrame(parent),
      colourA_(palette().color(QPalette::ButtonText)),
      colourB_(palette().color(QPalette::Button)) {}

BlinkStatic::~BlinkStatic() {
    follow(phase_.end());
}

BlinkStatic* BlinkStatic::makeValueCell(QWidget* parent) {
    auto* cell = new BlinkStatic(parent);
    cell->setOwnColours(true);
    cell->setColourA(toQColor(view::BlinkPhase::kValueCellText));
    cell->setColourB(toQColor(view::BlinkPhase::kValueCellBackground));
    cell->setSunken(true);
    cell->setAlignment(Qt::AlignCenter);
    return cell;
}

void BlinkStatic::setText(const QString& text) {
    if (text_ != text) {
        text_ = text;
        update();
    }
}

bool BlinkStatic::setTextIfDiffers(const QString& text) {
    if (!view::CellText::differsIgnoringCase(text_.toStdString(), text.toStdString())) {
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
    const view::BlinkStep step = phase_.setBlinking(blink);
    follow(step);
    return step.wasBlinking;
}

void BlinkStatic::follow(const view::BlinkStep& step) {
    if (step.startTimer) {
        timer_.start(view::BlinkPhase::kPeriodMs, this);
    }
    if (step.stopTimer) {
        timer_.stop();
    }
    if (step.repaint) {
        update();
    }
}

view::BlinkColours BlinkStatic::shownColours() const {
    return phase_.colours(ownColours_, toRgb(colourA_), toRgb(colourB_),
                          toRgb(palette().color(QPalette::WindowText)),
                          toRgb(palette().color(QPalette::Window)));
}

QColor BlinkStatic::shownTextColour() const {
    return toQColor(shownColours().text);
}

QColor BlinkStatic::shownBackgroundColour() const {
    return toQColor(shownColours().background);
}

void BlinkStatic::paintEvent(QPaintEvent* event) {
    {
        const view::BlinkColours colours = shownColours();
        QPainter painter(this);
        painter.fillRect(rect(), toQColor(colours.background));
        painter.setPen(toQColor(colours.text));
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
    follow(phase_.tick());
}

}  // namespace ui
