#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include "view/CaptionStyle.h"

namespace ui {

// A static text with a font from the caption font table, its own text and
// background colours and a left, centred or right alignment.
class CaptionStatic : public QWidget {
    Q_OBJECT

  public:
    using Alignment = view::CaptionStyle::Alignment;

    CaptionStatic(const QString& text, const QRect& rectangle, QWidget* parent, int identifier);

    QString text() const { return text_; }
    int identifier() const { return identifier_; }
    int fontIndex() const { return fontIndex_; }
    QColor textColour() const { return textColour_; }
    QColor backgroundColour() const { return backgroundColour_; }
    Alignment alignment() const { return alignment_; }

    void setText(const QString& text);
    void setCaptionFont(const view::FontRequest& request);
    void setTextColour(const QColor& colour);
    void setBackgroundColour(const QColor& colour);
    void setAlignment(Alignment alignment);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    int identifier_;
    int fontIndex_ = 0;
    QColor textColour_;
    QColor backgroundColour_;
    Alignment alignment_ = view::CaptionStyle::kDefaultAlignment;
};

}  // namespace ui
