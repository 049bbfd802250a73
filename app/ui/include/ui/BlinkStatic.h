#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QFrame>
#include <QString>

#include "view/BlinkPhase.h"

namespace ui {

// A text field with two colours that can swap them every half second. With
// its own colours it draws colourA on colourB (and the reverse while
// inverted); without them it draws like any label and inverts the palette's
// text and background.
class BlinkStatic : public QFrame {
    Q_OBJECT

  public:
    explicit BlinkStatic(QWidget* parent = nullptr);
    ~BlinkStatic() override;

    // A value cell of the main view or the progress window.
    static BlinkStatic* makeValueCell(QWidget* parent);

    QString text() const { return text_; }
    void setText(const QString& text);
    // Writes the text only when it differs without regard to case.
    bool setTextIfDiffers(const QString& text);
    // Writes the text only when it differs exactly.
    bool setTextIfDiffersExactly(const QString& text);
    void setAlignment(Qt::Alignment alignment);
    // A sunken cell border.
    void setSunken(bool sunken);

    void setOwnColours(bool ownColours);
    bool ownColours() const { return ownColours_; }
    QColor setColourA(const QColor& colour);  // returns the previous colour
    QColor setColourB(const QColor& colour);  // returns the previous colour
    QColor colourA() const { return colourA_; }
    QColor colourB() const { return colourB_; }

    bool isBlinking() const { return phase_.blinking(); }
    // Starts or stops blinking; returns whether it was blinking before.
    bool setBlinking(bool blink);
    bool isLit() const { return phase_.lit(); }
    int blinkTimerId() const { return timer_.timerId(); }

    // The colours the current phase is drawn with.
    QColor shownTextColour() const;
    QColor shownBackgroundColour() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    view::BlinkColours shownColours() const;
    void follow(const view::BlinkStep& step);

    QString text_;
    Qt::Alignment alignment_ = Qt::AlignCenter;
    view::BlinkPhase phase_;
    bool ownColours_ = false;
    QColor colourA_;
    QColor colourB_;
    QBasicTimer timer_;
};

}  // namespace ui
