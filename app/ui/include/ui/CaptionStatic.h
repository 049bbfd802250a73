#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include <string>

namespace ui {

// A static text with a font from the caption font table, its own text and
// background colours and a left, centred or right alignment.
class CaptionStatic : public QWidget {
    Q_OBJECT

  public:
    enum class Alignment { Left = 0, Centre = 1, Right = 2 };

    CaptionStatic(const QString& text, const QRect& rectangle, QWidget* parent, int identifier);

    QString text() const { return text_; }
    int identifier() const { return identifier_; }
    int fontIndex() const { return fontIndex_; }
    QColor textColour() const { return textColour_; }
    QColor backgroundColour() const { return backgroundColour_; }
    Alignment alignment() const { return alignment_; }

    void setText(const QString& text);
    void setCaptionFont(const std::string& face, int size, int width, bool bold, bool italic);
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
    Alignment alignment_ = Alignment::Centre;
};

}  // namespace ui
