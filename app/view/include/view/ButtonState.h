#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "view/Rgb.h"

namespace view {

// A sibling window of a button, as the walk that clears a radio group sees it.
struct RadioSibling {
    bool radioOrCommand = false;  // an own button whose kind has the radio bit (radio, command)
    bool startsGroup = false;     // carries the window system's group style
};

// What the front end of an own button does after an event, in this order:
// repaint the button, clear the other radio buttons of its group, then send
// the notification to the parent.
struct ButtonReaction {
    enum class Notice { None, Clicked, Command, Focused };

    bool repaint = false;
    bool clearRadioGroup = false;
    Notice notice = Notice::None;
    int noticeState = 0;  // with Clicked: 1 for a push, the requested state for check and radio
};

// The behaviour of the program's own button (push, check, radio or command
// kind) without its window: draw state, mouse and focus handling, the toggle
// request and set check. The button never changes its check state on a
// click; the parent decides and calls setCheck.
class ButtonState {
  public:
    enum class Kind { Push = 0, Check = 1, Radio = 2, Command = 3 };
    enum PaintState { Plain = 0, Checked = 1, Inactive = 2, InactiveChecked = 3, Pushed = 5 };

    static constexpr int kRadioBit = 2;
    static constexpr int kMaxCheckState = 2;
    static constexpr int kMaxTextLength = 80;
    static constexpr int kFocusFrameWidth = 2;
    static constexpr int kFocusFrameInset = 2;
    static constexpr int kTextInset = 3;
    static constexpr Rgb kFocusFrameColour = kGreen;
    static constexpr Rgb kTextColour = kBlack;
    static constexpr Rgb kDisabledTextColour = kGrey;

    // The notification messages of the window system, from the user base.
    static constexpr unsigned kClearRadioOffset = 0x100;
    static constexpr unsigned kClickedOffset = 0x101;
    static constexpr unsigned kCommandOffset = 0x109;
    static constexpr unsigned kFocusedOffset = 0x112;

    explicit ButtonState(Kind kind) : kind_(kind) {}

    Kind kind() const { return kind_; }
    bool radioOrCommand() const { return (static_cast<int>(kind_) & kRadioBit) != 0; }
    int checkState() const { return checkState_; }
    bool hasFocus() const { return hasFocus_; }
    bool mouseDown() const { return mouseDown_; }
    bool pointerInside() const { return pointerInside_; }

    PaintState drawState(bool enabled) const;
    // Draw states 1, 3 and 5 move the text one pixel right and down.
    static bool textPressedIn(PaintState state) {
        return state == Checked || state == InactiveChecked || state == Pushed;
    }

    // Left button down (a double click counts as one more): the front end
    // takes the focus and captures the mouse first.
    ButtonReaction press();
    // The pointer moved while captured; inside: within the button's rectangle.
    ButtonReaction move(bool inside);
    // Left button up: the front end releases the capture. Outside the
    // rectangle nothing is sent.
    ButtonReaction release(bool inside);
    ButtonReaction focusIn();
    ButtonReaction focusOut();

    // Set check: result 0 when the state is refused (above 2) or, for check
    // and radio kinds, is the one they already have; 1 otherwise.
    struct CheckChange {
        int result = 0;
        ButtonReaction reaction;
    };
    CheckChange setCheck(int state, bool notify);
    // A sibling of the same radio group was checked; true: repaint.
    bool clearRadio();

    // Which siblings to send clear-radio when the button at self (in window
    // order) clears its group.
    static std::vector<std::size_t> radioGroupToClear(const std::vector<RadioSibling>& siblings,
                                                      std::size_t self);

  private:
    ButtonReaction toggleRequest();

    Kind kind_;
    int checkState_ = 0;
    bool hasFocus_ = false;
    bool mouseDown_ = false;
    bool pointerInside_ = false;
    bool pressedChecked_ = false;
};

}  // namespace view
