#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include <string>

namespace ui {

// A button that the program draws itself: push, check, radio or command
// kind, a green focus frame, and notifications to its parent as signals that
// carry the button's command identifier. It never changes its own check
// state on a click: the parent decides and calls setCheck.
class CQButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool groupStart READ isGroupStart WRITE setGroupStart)

  public:
    enum class Kind { Push = 0, Check = 1, Radio = 2, Command = 3 };
    // Draw states of the button frame.
    enum DrawState { Plain = 0, Checked = 1, Inactive = 2, InactiveChecked = 3, Pushed = 5 };

    static constexpr int kMaxTextLength = 80;
    // The property that marks the first control of a group of radio buttons.
    static constexpr const char* kGroupStartProperty = "groupStart";

    CQButton(const QString& text, const QRect& rectangle, QWidget* parent, int commandId, Kind kind);

    Kind kind() const { return kind_; }
    int commandId() const { return commandId_; }
    int checkState() const { return checkState_; }
    int fontIndex() const { return fontIndex_; }
    bool hasFocusFrame() const { return hasFocus_; }
    bool isMouseDown() const { return mouseDown_; }
    bool isPointerInside() const { return pointerInside_; }
    QString text() const { return text_; }
    void setText(const QString& text);

    bool isGroupStart() const { return groupStart_; }
    void setGroupStart(bool groupStart) { groupStart_ = groupStart; }

    void setButtonFont(const std::string& face, int size, int width, bool bold, bool italic);
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

    DrawState drawState() const;

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
    void requestToggle();
    void clearRadioGroup();
    static bool startsGroup(const QWidget* widget);

    QString text_;
    Kind kind_;
    int commandId_;
    int checkState_ = 0;
    int fontIndex_ = 0;
    bool hasFocus_ = false;
    bool mouseDown_ = false;
    bool pointerInside_ = false;
    bool pressedChecked_ = false;
    bool groupStart_ = false;
    QColor textColour_{0, 0, 0};
    QColor disabledTextColour_{128, 128, 128};
    QRect clientRect_;
};

}  // namespace ui
