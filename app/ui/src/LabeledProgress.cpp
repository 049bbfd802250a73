#include "ui/LabeledProgress.h"

#include "ui/ViewGeometry.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace ui {

LabeledProgress::LabeledProgress(const char* caption, QWidget* parent)
    : caption_(new QLabel(caption, parent)), bar_(new QProgressBar(parent)) {
    caption_->setAlignment(Qt::AlignCenter);
    bar_->setTextVisible(false);
    show();
}

void LabeledProgress::place(const view::ProgressRowCells& cells) {
    caption_->setGeometry(toQRect(cells.caption));
    bar_->setGeometry(toQRect(cells.bar));
}

void LabeledProgress::setFont(const QFont& font) {
    caption_->setFont(font);
    bar_->setFont(font);
}

void LabeledProgress::setUpperRange(std::int32_t upper) {
    upper_ = upper;
    show();
}

void LabeledProgress::setPosition(std::int32_t position) {
    position_ = position;
    show();
}

// A bar of range 0..0 would turn into a busy indicator; an empty range is
// shown as an empty bar instead.
void LabeledProgress::show() {
    if (upper_ <= 0) {
        bar_->setRange(0, 1);
        bar_->setValue(0);
        return;
    }
    bar_->setRange(0, upper_);
    bar_->setValue(std::clamp(position_, 0, upper_));
}

}  // namespace ui
