#include "ui/InfoPane.h"

#include "ui/BlinkStatic.h"
#include "ui/ViewGeometry.h"

#include <QLabel>

namespace ui {

namespace {

QLabel* makeCaptionCell(const char* text, QWidget* parent) {
    auto* cell = new QLabel(text, parent);
    cell->setAlignment(Qt::AlignCenter);
    return cell;
}

}  // namespace

InfoPane::InfoPane(Kind kind, const char* caption, QWidget* parent)
    : caption_(makeCaptionCell(caption, parent)), value_(BlinkStatic::makeValueCell(parent)) {
    if (kind == Kind::Address) {
        dash_ = makeCaptionCell(view::InfoPaneCells::kDash, parent);
        high_ = BlinkStatic::makeValueCell(parent);
    }
}

void InfoPane::place(const view::InfoPaneCells& cells) {
    caption_->setGeometry(toQRect(cells.caption));
    value_->setGeometry(toQRect(cells.value));
    if (dash_ != nullptr) {
        dash_->setGeometry(toQRect(cells.dash));
        high_->setGeometry(toQRect(cells.high));
    }
}

void InfoPane::setFont(const QFont& font) {
    caption_->setFont(font);
    value_->setFont(font);
    if (dash_ != nullptr) {
        dash_->setFont(font);
        high_->setFont(font);
    }
}

}  // namespace ui
