#include "view/ButtonState.h"

namespace view {

namespace {

ButtonReaction clicked(int state) {
    ButtonReaction reaction;
    reaction.notice = ButtonReaction::Notice::Clicked;
    reaction.noticeState = state;
    return reaction;
}

}  // namespace

ButtonState::PaintState ButtonState::drawState(bool enabled) const {
    if (!enabled) {
        return checkState_ == 1 ? InactiveChecked : Inactive;
    }
    if (mouseDown_ && pointerInside_) {
        return checkState_ == 1 ? Checked : Pushed;
    }
    return checkState_ == 1 ? Checked : Plain;
}

ButtonReaction ButtonState::press() {
    mouseDown_ = true;
    pointerInside_ = true;
    if (checkState_ == 1) {
        // A press on a checked button draws nothing until the release.
        pressedChecked_ = true;
    }
    ButtonReaction reaction;
    reaction.repaint = !pressedChecked_;
    return reaction;
}

ButtonReaction ButtonState::move(bool inside) {
    ButtonReaction reaction;
    if (mouseDown_ && inside != pointerInside_) {
        pointerInside_ = inside;
        reaction.repaint = !pressedChecked_;
    }
    return reaction;
}

ButtonReaction ButtonState::release(bool inside) {
    if (!mouseDown_) {
        return {};
    }
    mouseDown_ = false;
    pointerInside_ = false;
    pressedChecked_ = false;
    ButtonReaction reaction;
    if (!inside) {
        reaction.repaint = true;  // the pushed look ends; nothing is sent
        return reaction;
    }
    switch (kind_) {
        case Kind::Push:
            reaction = clicked(1);
            reaction.repaint = true;
            break;
        case Kind::Check:
        case Kind::Radio:
            reaction = toggleRequest();
            reaction.repaint = true;
            break;
        case Kind::Command:
            reaction.notice = ButtonReaction::Notice::Command;
            break;
    }
    return reaction;
}

// The button asks its parent for the state it should get; a checked radio
// button asks for nothing.
ButtonReaction ButtonState::toggleRequest() {
    if (kind_ == Kind::Check) {
        return clicked(checkState_ == 0 ? 1 : 0);
    }
    if (checkState_ == 0) {
        ButtonReaction reaction = clicked(1);
        reaction.clearRadioGroup = true;
        return reaction;
    }
    if (checkState_ == 2) {
        return clicked(0);
    }
    return {};
}

ButtonReaction ButtonState::focusIn() {
    hasFocus_ = true;
    ButtonReaction reaction;
    reaction.repaint = true;
    reaction.notice = ButtonReaction::Notice::Focused;
    return reaction;
}

ButtonReaction ButtonState::focusOut() {
    hasFocus_ = false;
    ButtonReaction reaction;
    reaction.repaint = true;
    return reaction;
}

ButtonState::CheckChange ButtonState::setCheck(int state, bool notify) {
    CheckChange change;
    if (state < 0 || state > kMaxCheckState) {
        return change;
    }
    switch (kind_) {
        case Kind::Push:
            change.result = 1;
            if (notify) {
                change.reaction = clicked(state);
            }
            return change;
        case Kind::Command:
            change.result = 1;
            if (notify) {
                change.reaction.notice = ButtonReaction::Notice::Command;
            }
            return change;
        case Kind::Check:
        case Kind::Radio:
            break;
    }
    if (state == checkState_) {
        return change;
    }
    checkState_ = state;
    change.result = 1;
    if (notify && (kind_ == Kind::Check || state == 1)) {
        change.reaction = clicked(state);
    }
    change.reaction.repaint = true;
    change.reaction.clearRadioGroup = kind_ == Kind::Radio && state == 1;
    return change;
}

bool ButtonState::clearRadio() {
    if (kind_ != Kind::Radio || checkState_ == 0) {
        return false;
    }
    checkState_ = 0;
    return true;
}

// The group runs from the window that starts it up to the next window that
// starts another one, in window order.
std::vector<std::size_t> ButtonState::radioGroupToClear(const std::vector<RadioSibling>& siblings,
                                                        std::size_t self) {
    std::vector<std::size_t> cleared;
    if (self >= siblings.size()) {
        return cleared;
    }
    for (std::size_t index = self + 1; index < siblings.size(); ++index) {
        if (siblings[index].startsGroup) {
            break;
        }
        if (siblings[index].radioOrCommand) {
            cleared.push_back(index);
        }
    }
    if (siblings[self].startsGroup) {
        return cleared;
    }
    for (std::size_t index = self; index-- > 0;) {
        if (siblings[index].radioOrCommand) {
            cleared.push_back(index);
        }
        if (siblings[index].startsGroup) {
            break;
        }
    }
    return cleared;
}

}  // namespace view
