#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;
class QFont;

namespace ui {

class BlinkStatic;

// A caption cell and one or two value cells in a row of the progress window:
// a single value fills the row, or a low and a high value around a dash.
class InfoPane {
  public:
    enum class Kind { FileName, Address, CheckSum };

    static constexpr int kCaptionWidth = 100;
    static constexpr int kDashWidth = 48;

    InfoPane(Kind kind, const QString& caption, QWidget* parent);

    void place(const QRect& rectangle);
    void setFont(const QFont& font);

    // Each writes its cell only when the text differs without regard to case.
    void setValue(const QString& text);
    void setHighValue(const QString& text);
    void clear();

    BlinkStatic* valueCell() const { return value_; }
    BlinkStatic* highValueCell() const { return high_; }
    QLabel* captionCell() const { return caption_; }

    // Width of a value cell of the address and checksum panes.
    static int valueWidth(int paneWidth);

  private:
    Kind kind_;
    QLabel* caption_;
    BlinkStatic* value_;
    QLabel* dash_ = nullptr;
    BlinkStatic* high_ = nullptr;
};

}  // namespace ui
