#pragma once

#include <QString>

#include "view/InfoPaneCells.h"

class QLabel;
class QWidget;
class QFont;

namespace ui {

class BlinkStatic;

// A caption cell and one or two value cells in a row of the progress window:
// a single value fills the row, or a low and a high value around a dash.
class InfoPane {
  public:
    using Kind = view::InfoPaneCells::Kind;

    InfoPane(Kind kind, const char* caption, QWidget* parent);

    void place(const view::InfoPaneCells& cells);
    void setFont(const QFont& font);

    BlinkStatic* valueCell() const { return value_; }
    BlinkStatic* highValueCell() const { return high_; }
    QLabel* captionCell() const { return caption_; }

  private:
    QLabel* caption_;
    BlinkStatic* value_;
    QLabel* dash_ = nullptr;
    BlinkStatic* high_ = nullptr;
};

}  // namespace ui
