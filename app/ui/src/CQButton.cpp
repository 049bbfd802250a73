#include "ui/CQButton.h"

#include "ui/FontTable.h"
#include "ui/ViewGeometry.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOptionButton>

#include <vector>

namespace ui {

namespace {

using view::ButtonState;

const QCursor& buttonCursor() {
    static const QCursor cursor(CQButton::cursorImage(), CQButton::kCursorHotSpot, CQButton::kCursorHotSpot);
    return cursor;
}

}  // namespace

// A hand-drawn arrow with a white rim.
QPixmap CQButton::cursorImage() {
    QPixmap image(kCursorSize, kCursorSize);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPolygonF arrow({{1, 1}, {1, 21}, {6, 16}, {10, 25}, {13, 24}, {9, 15}, {16, 15}});
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(QColor(0, 96, 0));
    painter.drawPolygon(arrow);
    return image;
}

CQButton::CQButton(const QString& text, const QRect& rectangle, QWidget* parent, int commandId, Kind kind)
    : QWidget(parent),
      text_(text.left(ButtonState::kMaxTextLength)),
      state_(kind),
      commandId_(commandId),
      textColour_(toQColor(ButtonState::kTextColour)),
      disabledTextColour_(toQColor(ButtonState::kDisabledTextColour)) {
    setGeometry(rectangle);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(buttonCursor());
    clientRect_ = rect();
}

void CQButton::setText(const QString& text) {
    text_ = text.left(ButtonState::kMaxTextLength);
    update();
}

void CQButton::setButtonFont(const view::FontRequest& request) {
    fontIndex_ = FontTable::buttons().acquire(request);
    update();
}

int CQButton::setCheck(int state, bool notify) {
    const ButtonState::CheckChange change = state_.setCheck(state, notify);
    follow(change.reaction, true);
    return change.result;
}

void CQButton::follow(const view::ButtonReaction& reaction, bool repaintAtOnce) {
    if (reaction.repaint) {
        if (repaintAtOnce) {
            repaint();
        } else {
            update();
        }
    }
    if (reaction.clearRadioGroup) {
        clearRadioGroup();
    }
    switch (reaction.notice) {
        case view::ButtonReaction::Notice::Clicked:
            emit clicked(commandId_, reaction.noticeState);
            break;
        case view::ButtonReaction::Notice::Command:
            emit command(commandId_);
            break;
        case view::ButtonReaction::Notice::Focused:
            emit focused(commandId_);
            break;
        case view::ButtonReaction::Notice::None:
            break;
    }
}

void CQButton::clearRadio() {
    if (state_.clearRadio()) {
        update();
    }
}

bool CQButton::startsGroup(const QWidget* widget) {
    if (const auto* button = qobject_cast<const CQButton*>(widget)) {
        return button->groupStart_;
    }
    return widget->property(kGroupStartProperty).toBool();
}

// The siblings in the parent's child order, as the group walk sees them.
void CQButton::clearRadioGroup() {
    QWidget* owner = parentWidget();
    if (owner == nullptr) {
        return;
    }
    std::vector<QWidget*> siblings;
    std::vector<view::RadioSibling> walk;
    std::size_t self = 0;
    for (QObject* child : owner->children()) {
        auto* sibling = qobject_cast<QWidget*>(child);
        if (sibling == nullptr) {
            continue;
        }
        if (sibling == this) {
            self = siblings.size();
        }
        const auto* button = qobject_cast<const CQButton*>(sibling);
        siblings.push_back(sibling);
        walk.push_back({button != nullptr && button->state_.radioOrCommand(), startsGroup(sibling)});
    }
    for (const std::size_t index : ButtonState::radioGroupToClear(walk, self)) {
        static_cast<CQButton*>(siblings[index])->clearRadio();
    }
}

void CQButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const PaintState state = drawState();

    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect();
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    if (state == Checked || state == InactiveChecked) {
        option.state |= QStyle::State_On | QStyle::State_Sunken;
    } else if (state == Pushed) {
        option.state |= QStyle::State_Sunken;
    } else {
        option.state |= QStyle::State_Raised;
    }
    if (state == Inactive || state == InactiveChecked) {
        option.state &= ~QStyle::State_Enabled;
    }
    painter.fillRect(rect(), palette().color(QPalette::Button));
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);

    if (state_.hasFocus()) {
        QPen pen(toQColor(ButtonState::kFocusFrameColour));
        pen.setWidth(ButtonState::kFocusFrameWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const int inset = ButtonState::kFocusFrameInset + ButtonState::kFocusFrameWidth / 2;
        painter.drawRect(rect().adjusted(inset, inset, -inset, -inset));
    }

    const int textInset = ButtonState::kTextInset;
    QRect textRect = rect().adjusted(textInset, textInset, -textInset, -textInset);
    if (ButtonState::textPressedIn(state)) {
        textRect.translate(1, 1);
    }
    painter.setFont(FontTable::buttons().font(fontIndex_));
    painter.setPen(isEnabled() ? textColour_ : disabledTextColour_);
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, text_);
}

void CQButton::press() {
    setFocus(Qt::MouseFocusReason);  // the widget holds the mouse until the release
    follow(state_.press(), true);
}

void CQButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        press();
    }
}

void CQButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        press();
    }
}

void CQButton::mouseMoveEvent(QMouseEvent* event) {
    follow(state_.move(clientRect_.contains(event->position().toPoint())), true);
}

void CQButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const bool inside = clientRect_.contains(event->position().toPoint());
    // Released outside, the pushed look ends with the next paint.
    follow(state_.release(inside), inside);
}

void CQButton::focusInEvent(QFocusEvent*) {
    follow(state_.focusIn(), false);
}

void CQButton::focusOutEvent(QFocusEvent*) {
    follow(state_.focusOut(), false);
}

void CQButton::resizeEvent(QResizeEvent*) {
    clientRect_ = rect();
}

void CQButton::moveEvent(QMoveEvent*) {
    clientRect_ = rect();
}

}  // namespace ui
