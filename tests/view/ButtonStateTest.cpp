#include <gtest/gtest.h>

#include "view/ButtonState.h"

namespace view {
namespace {

using Kind = ButtonState::Kind;
using Notice = ButtonReaction::Notice;

TEST(ButtonState, PressMoveOutMoveInReleaseNotifiesButReleaseOutsideDoesNot) {
    ButtonState push(Kind::Push);
    EXPECT_TRUE(push.press().repaint);
    EXPECT_EQ(push.drawState(true), ButtonState::Pushed);
    EXPECT_TRUE(push.move(false).repaint);
    EXPECT_EQ(push.drawState(true), ButtonState::Plain);
    EXPECT_FALSE(push.move(false).repaint);  // no change, no repaint
    push.move(true);
    const ButtonReaction inside = push.release(true);
    EXPECT_EQ(inside.notice, Notice::Clicked);
    EXPECT_EQ(inside.noticeState, 1);
    EXPECT_FALSE(push.mouseDown());

    push.press();
    push.move(false);
    const ButtonReaction outside = push.release(false);
    EXPECT_EQ(outside.notice, Notice::None);
    EXPECT_EQ(push.release(true).notice, Notice::None);  // not pressed any more
}

TEST(ButtonState, DrawStatesFollowEnabledCheckedAndPressed) {
    ButtonState check(Kind::Check);
    EXPECT_EQ(check.drawState(false), ButtonState::Inactive);
    check.setCheck(1, false);
    EXPECT_EQ(check.drawState(false), ButtonState::InactiveChecked);
    EXPECT_EQ(check.drawState(true), ButtonState::Checked);
    check.press();
    EXPECT_EQ(check.drawState(true), ButtonState::Checked);
    EXPECT_TRUE(ButtonState::textPressedIn(ButtonState::Checked));
    EXPECT_TRUE(ButtonState::textPressedIn(ButtonState::Pushed));
    EXPECT_FALSE(ButtonState::textPressedIn(ButtonState::Inactive));
}

TEST(ButtonState, PressingACheckedRadioButtonDrawsNothingAndSendsNothing) {
    ButtonState radio(Kind::Radio);
    radio.setCheck(1, false);
    EXPECT_FALSE(radio.press().repaint);
    EXPECT_FALSE(radio.move(false).repaint);
    EXPECT_FALSE(radio.move(true).repaint);
    const ButtonReaction release = radio.release(true);
    EXPECT_EQ(release.notice, Notice::None);
    EXPECT_FALSE(release.clearRadioGroup);
    EXPECT_EQ(radio.checkState(), 1);
    // The next press on an unchecked button draws again.
    radio.clearRadio();
    EXPECT_TRUE(radio.press().repaint);
}

TEST(ButtonState, TheToggleRequestAsksTheParentAndChangesNothingItself) {
    ButtonState check(Kind::Check);
    check.press();
    EXPECT_EQ(check.release(true).noticeState, 1);
    EXPECT_EQ(check.checkState(), 0);
    check.setCheck(2, false);
    check.press();
    EXPECT_EQ(check.release(true).noticeState, 0);

    ButtonState radio(Kind::Radio);
    radio.press();
    const ButtonReaction request = radio.release(true);
    EXPECT_TRUE(request.clearRadioGroup);
    EXPECT_EQ(request.notice, Notice::Clicked);
    EXPECT_EQ(request.noticeState, 1);
    EXPECT_EQ(radio.checkState(), 0);
    radio.setCheck(2, false);
    radio.press();
    const ButtonReaction indeterminate = radio.release(true);
    EXPECT_FALSE(indeterminate.clearRadioGroup);
    EXPECT_EQ(indeterminate.noticeState, 0);

    ButtonState command(Kind::Command);
    command.press();
    const ButtonReaction commandRelease = command.release(true);
    EXPECT_EQ(commandRelease.notice, Notice::Command);
    EXPECT_FALSE(commandRelease.repaint);
}

TEST(ButtonState, SetCheckRefusesStatesAboveTwoAndTheSameStateAndNotifiesRadioOnlyWhenChecked) {
    ButtonState check(Kind::Check);
    EXPECT_EQ(check.setCheck(3, true).result, 0);
    EXPECT_EQ(check.setCheck(-1, true).result, 0);
    EXPECT_EQ(check.setCheck(0, true).result, 0);
    const ButtonState::CheckChange checked = check.setCheck(1, true);
    EXPECT_EQ(checked.result, 1);
    EXPECT_TRUE(checked.reaction.repaint);
    EXPECT_EQ(checked.reaction.notice, Notice::Clicked);
    EXPECT_EQ(check.setCheck(0, true).reaction.noticeState, 0);

    ButtonState radio(Kind::Radio);
    const ButtonState::CheckChange on = radio.setCheck(1, true);
    EXPECT_TRUE(on.reaction.clearRadioGroup);
    EXPECT_EQ(on.reaction.notice, Notice::Clicked);
    const ButtonState::CheckChange off = radio.setCheck(0, true);
    EXPECT_EQ(off.result, 1);
    EXPECT_FALSE(off.reaction.clearRadioGroup);
    EXPECT_EQ(off.reaction.notice, Notice::None);
    EXPECT_EQ(radio.setCheck(1, false).reaction.notice, Notice::None);

    ButtonState push(Kind::Push);
    const ButtonState::CheckChange pushed = push.setCheck(2, true);
    EXPECT_EQ(pushed.result, 1);
    EXPECT_EQ(pushed.reaction.noticeState, 2);
    EXPECT_EQ(push.checkState(), 0);  // a push button keeps no state
    EXPECT_EQ(ButtonState(Kind::Command).setCheck(1, true).reaction.notice, Notice::Command);
    EXPECT_EQ(ButtonState(Kind::Command).setCheck(1, false).reaction.notice, Notice::None);
}

TEST(ButtonState, FocusDrawsTheFrameAndTellsTheParent) {
    ButtonState button(Kind::Push);
    const ButtonReaction in = button.focusIn();
    EXPECT_TRUE(button.hasFocus());
    EXPECT_EQ(in.notice, Notice::Focused);
    EXPECT_TRUE(in.repaint);
    button.focusOut();
    EXPECT_FALSE(button.hasFocus());
}

TEST(ButtonState, ClearRadioUnchecksOnlyRadioButtons) {
    ButtonState radio(Kind::Radio);
    radio.setCheck(1, false);
    EXPECT_TRUE(radio.clearRadio());
    EXPECT_EQ(radio.checkState(), 0);
    EXPECT_FALSE(radio.clearRadio());
    ButtonState check(Kind::Check);
    check.setCheck(1, false);
    EXPECT_FALSE(check.clearRadio());
    EXPECT_EQ(check.checkState(), 1);
    EXPECT_TRUE(ButtonState(Kind::Command).radioOrCommand());
    EXPECT_FALSE(ButtonState(Kind::Check).radioOrCommand());
}

TEST(ButtonState, TheGroupWalkStopsAtTheNextGroupAndClearsTheStarterBehind) {
    // 0 OK (push), 1 Host I/F (radio, starts the group), 2 Card Direct
    // (radio), 3 a label, 4 a radio button that starts another group.
    const std::vector<RadioSibling> dialog{
        {false, false}, {true, true}, {true, false}, {false, false}, {true, true}};
    EXPECT_EQ(ButtonState::radioGroupToClear(dialog, 2), std::vector<std::size_t>{1});
    EXPECT_EQ(ButtonState::radioGroupToClear(dialog, 1), std::vector<std::size_t>{2});
    EXPECT_TRUE(ButtonState::radioGroupToClear(dialog, 4).empty());
    EXPECT_TRUE(ButtonState::radioGroupToClear(dialog, 9).empty());
    // Without any group start the walk goes to both ends.
    const std::vector<RadioSibling> open{{true, false}, {true, false}, {true, false}};
    EXPECT_EQ(ButtonState::radioGroupToClear(open, 1), (std::vector<std::size_t>{2, 0}));
}

}  // namespace
}  // namespace view
