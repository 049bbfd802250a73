#pragma once

#include <QString>

#include <cstdint>

#include "view/ProgressRowCells.h"

class QFont;
class QLabel;
class QProgressBar;
class QWidget;

namespace ui {

// A caption cell and a smooth progress bar to its right. It keeps the range
// and position it was given, also a range of 0..0 or a position outside the
// range, and shows them clamped on the bar.
class LabeledProgress {
  public:
    LabeledProgress(const char* caption, QWidget* parent);

    void place(const view::ProgressRowCells& cells);
    void setFont(const QFont& font);

    std::int32_t upperRange() const { return upper_; }
    std::int32_t position() const { return position_; }
    void setUpperRange(std::int32_t upper);
    void setPosition(std::int32_t position);

    QProgressBar* bar() const { return bar_; }
    QLabel* captionCell() const { return caption_; }

  private:
    void show();

    QLabel* caption_;
    QProgressBar* bar_;
    std::int32_t upper_ = view::ProgressRowCells::kInitialUpperRange;
    std::int32_t position_ = 0;
};

}  // namespace ui
