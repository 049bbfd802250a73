#include "ui/LabeledProgress.h"

#include "ui/Edges.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace ui {

LabeledProgress::LabeledProgress(const QString& caption, QWidget* parent)
    : caption_(new QLabel(caption, parent)), bar_(new QProgressBar(parent)) {
    caption_->setAlignment(Qt::AlignCenter);
    bar_->setTextVisible(false);
    show();
}

void LabeledProgress::place(const QRect& rectangle) {
    const Edges row = Edges::of(rectangle);
    caption_->setGeometry(Edges{row.left, row.top, row.left + kCaptionWidth, row.bottom}.toRect());
    bar_->setGeometry(Edges{row.left + kCaptionWidth, row.top, row.right, row.bottom}.toRect());
}

void LabeledProgress::setFont(const QFont& font) {
    caption_->setFont(font);
    bar_->setFont(font);
}

void LabeledProgress::setUpperRange(std::int32_t upper) {
    if (upper != upper_) {
        upper_ = upper;
        show();
    }
}

void LabeledProgress::setPosition(std::int32_t position) {
    if (position != position_) {
        position_ = position;
        show();
    }
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
