#include "ui/CQButton.h"

#include "ui/FontTable.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOptionButton>

namespace ui {

namespace {

constexpr QColor kFocusFrameColour{0, 255, 0};
constexpr int kFocusFrameWidth = 2;
constexpr int kFocusFrameInset = 2;
constexpr int kTextInset = 3;
constexpr int kMaxCheckState = 2;

// The buttons' own pointer: a 32 x 32 hand-drawn arrow with a white rim.
const QCursor& buttonCursor() {
    static const QCursor cursor = [] {
        QPixmap image(32, 32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPolygonF arrow({{1, 1}, {1, 21}, {6, 16}, {10, 25}, {13, 24}, {9, 15}, {16, 15}});
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(QColor(0, 96, 0));
        painter.drawPolygon(arrow);
        return QCursor(image, 1, 1);
    }();
    return cursor;
}

bool isRadioOrCommand(const QWidget* widget) {
    const auto* button = qobject_cast<const CQButton*>(widget);
    return button != nullptr &&
           (static_cast<int>(button->kind()) & static_cast<int>(CQButton::Kind::Radio)) != 0;
}

}  // namespace

CQButton::CQButton(const QString& text, const QRect& rectangle, QWidget* parent, int commandId, Kind kind)
    : QWidget(parent), text_(text.left(kMaxTextLength)), kind_(kind), commandId_(commandId) {
    setGeometry(rectangle);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(buttonCursor());
    clientRect_ = rect();
}

void CQButton::setText(const QString& text) {
    text_ = text.left(kMaxTextLength);
    update();
}

void CQButton::setButtonFont(const std::string& face, int size, int width, bool bold, bool italic) {
    fontIndex_ = FontTable::buttons().acquire(FontRequest{face, size, width, bold, italic});
    update();
}

int CQButton::setCheck(int state, bool notify) {
    if (state < 0 || state > kMaxCheckState) {
        return 0;
    }
    switch (kind_) {
        case Kind::Push:
            if (notify) {
                emit clicked(commandId_, state);
            }
            return 1;
        case Kind::Command:
            if (notify) {
                emit command(commandId_);
            }
            return 1;
        case Kind::Check:
        case Kind::Radio:
            break;
    }
    if (state == checkState_) {
        return 0;
    }
    checkState_ = state;
    repaint();
    if (kind_ == Kind::Radio && state == 1) {
        clearRadioGroup();
    }
    if (notify && (kind_ == Kind::Check || state == 1)) {
        emit clicked(commandId_, state);
    }
    return 1;
}

void CQButton::clearRadio() {
    if (kind_ == Kind::Radio && checkState_ != 0) {
        checkState_ = 0;
        update();
    }
}

bool CQButton::startsGroup(const QWidget* widget) {
    if (const auto* button = qobject_cast<const CQButton*>(widget)) {
        return button->groupStart_;
    }
    return widget->property(kGroupStartProperty).toBool();
}

// The group runs from the control that starts it up to the next control that
// starts another one, in the parent's child order.
void CQButton::clearRadioGroup() {
    QWidget* owner = parentWidget();
    if (owner == nullptr) {
        return;
    }
    const QObjectList& siblings = owner->children();
    const qsizetype self = siblings.indexOf(this);
    for (qsizetype i = self + 1; i < siblings.size(); ++i) {
        auto* sibling = qobject_cast<QWidget*>(siblings[i]);
        if (sibling == nullptr) {
            continue;
        }
        if (startsGroup(sibling)) {
            break;
        }
        if (isRadioOrCommand(sibling)) {
            static_cast<CQButton*>(sibling)->clearRadio();
        }
    }
    if (groupStart_) {
        return;
    }
    for (qsizetype i = self - 1; i >= 0; --i) {
        auto* sibling = qobject_cast<QWidget*>(siblings[i]);
        if (sibling == nullptr) {
            continue;
        }
        if (isRadioOrCommand(sibling)) {
            static_cast<CQButton*>(sibling)->clearRadio();
        }
        if (startsGroup(sibling)) {
            break;
        }
    }
}

CQButton::DrawState CQButton::drawState() const {
    if (!isEnabled()) {
        return checkState_ == 1 ? InactiveChecked : Inactive;
    }
    if (mouseDown_ && pointerInside_) {
        return checkState_ == 1 ? Checked : Pushed;
    }
    return checkState_ == 1 ? Checked : Plain;
}

void CQButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const DrawState state = drawState();

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

    if (hasFocus_) {
        QPen pen(kFocusFrameColour);
        pen.setWidth(kFocusFrameWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const int half = kFocusFrameWidth / 2;
        painter.drawRect(rect().adjusted(kFocusFrameInset + half, kFocusFrameInset + half,
                                         -(kFocusFrameInset + half), -(kFocusFrameInset + half)));
    }

    QRect textRect = rect().adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset);
    if (state == Checked || state == InactiveChecked || state == Pushed) {
        textRect.translate(1, 1);
    }
    painter.setFont(FontTable::buttons().font(fontIndex_));
    painter.setPen(isEnabled() ? textColour_ : disabledTextColour_);
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, text_);
}

void CQButton::press() {
    setFocus(Qt::MouseFocusReason);
    mouseDown_ = true;
    pointerInside_ = true;
    if (checkState_ == 1) {
        pressedChecked_ = true;
    }
    if (!pressedChecked_) {
        repaint();
    }
}

void CQButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        press();  // the widget holds the mouse until the release
    }
}

void CQButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        press();
    }
}

void CQButton::mouseMoveEvent(QMouseEvent* event) {
    if (!mouseDown_) {
        return;
    }
    const bool inside = clientRect_.contains(event->position().toPoint());
    if (inside != pointerInside_) {
        pointerInside_ = inside;
        if (!pressedChecked_) {
            repaint();
        }
    }
}

void CQButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !mouseDown_) {
        return;
    }
    mouseDown_ = false;
    pointerInside_ = false;
    pressedChecked_ = false;
    if (!clientRect_.contains(event->position().toPoint())) {
        update();
        return;
    }
    switch (kind_) {
        case Kind::Push:
            repaint();
            emit clicked(commandId_, 1);
            break;
        case Kind::Check:
        case Kind::Radio:
            repaint();
            requestToggle();
            break;
        case Kind::Command:
            emit command(commandId_);
            break;
    }
}

void CQButton::requestToggle() {
    if (kind_ == Kind::Check) {
        emit clicked(commandId_, checkState_ == 0 ? 1 : 0);
        return;
    }
    if (checkState_ == 0) {
        clearRadioGroup();
        emit clicked(commandId_, 1);
    } else if (checkState_ == 2) {
        emit clicked(commandId_, 0);
    }
}

void CQButton::focusInEvent(QFocusEvent*) {
    hasFocus_ = true;
    emit focused(commandId_);
    update();
}

void CQButton::focusOutEvent(QFocusEvent*) {
    hasFocus_ = false;
    update();
}

void CQButton::resizeEvent(QResizeEvent*) {
    clientRect_ = rect();
}

void CQButton::moveEvent(QMoveEvent*) {
    clientRect_ = rect();
}

}  // namespace ui
