#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <string>

#include "view/ButtonState.h"
#include "view/FontRequest.h"

namespace ui {

// A button that the program draws itself: push, check, radio or command
// kind, a green focus frame, and notifications to its parent as signals that
// carry the button's command identifier. How it reacts is the shared button
// behaviour; this class feeds it the widget's events and does what it says.
class CQButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool groupStart READ isGroupStart WRITE setGroupStart)

  public:
    using Kind = view::ButtonState::Kind;
    using PaintState = view::ButtonState::PaintState;
    static constexpr PaintState Plain = view::ButtonState::Plain;
    static constexpr PaintState Checked = view::ButtonState::Checked;
    static constexpr PaintState Inactive = view::ButtonState::Inactive;
    static constexpr PaintState InactiveChecked = view::ButtonState::InactiveChecked;
    static constexpr PaintState Pushed = view::ButtonState::Pushed;

    // The property that marks the first control of a group of radio buttons.
    static constexpr const char* kGroupStartProperty = "groupStart";
    // The buttons' own pointer: a 32 x 32 image and its hot spot.
    static constexpr int kCursorSize = 32;
    static constexpr int kCursorHotSpot = 1;
    static QPixmap cursorImage();

    CQButton(const QString& text, const QRect& rectangle, QWidget* parent, int commandId, Kind kind);

    Kind kind() const { return state_.kind(); }
    int commandId() const { return commandId_; }
    int checkState() const { return state_.checkState(); }
    int fontIndex() const { return fontIndex_; }
    bool hasFocusFrame() const { return state_.hasFocus(); }
    bool isMouseDown() const { return state_.mouseDown(); }
    bool isPointerInside() const { return state_.pointerInside(); }
    QString text() const { return text_; }
    void setText(const QString& text);

    bool isGroupStart() const { return groupStart_; }
    void setGroupStart(bool groupStart) { groupStart_ = groupStart; }

    void setButtonFont(const view::FontRequest& request);
    // Returns 0 when the state is refused or changes nothing, 1 otherwise.
    int setCheck(int state, bool notify);
    void takeFocus() { setFocus(Qt::OtherFocusReason); }

    void setTextColour(const QColor& colour) {
        textColour_ = colour;
        update();
    }
    void setDisabledTextColour(const QColor& colour) {
        disabledTextColour_ = colour;
        update();
    }

    PaintState drawState() const { return state_.drawState(isEnabled()); }

    // A sibling in the same radio group was checked.
    void clearRadio();

  signals:
    void clicked(int commandId, int state);
    void command(int commandId);
    void focused(int commandId);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void press();
    // Repaints at once (or later), clears the radio group and notifies, in
    // that order, as the reaction says.
    void follow(const view::ButtonReaction& reaction, bool repaintAtOnce);
    void clearRadioGroup();
    static bool startsGroup(const QWidget* widget);

    QString text_;
    view::ButtonState state_;
    int commandId_;
    int fontIndex_ = 0;
    bool groupStart_ = false;
    QColor textColour_;
    QColor disabledTextColour_;
    QRect clientRect_;
};

}  // namespace ui
