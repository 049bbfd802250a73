#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>

#include "UiTestSupport.h"
#include "ui/CQButton.h"

namespace {

using ui::CQButton;

constexpr QPoint kInside{10, 10};
constexpr QPoint kOutside{500, 10};

struct ButtonPanel {
    QWidget parent;
    CQButton* make(CQButton::Kind kind, int id) {
        return new CQButton("B", QRect(0, 30 * id, 100, 25), &parent, id, kind);
    }
};

TEST(CQButton, PressMoveOutMoveInReleaseNotifiesButReleaseOutsideDoesNot) {
    ButtonPanel panel;
    CQButton* button = panel.make(CQButton::Kind::Push, 7);
    QSignalSpy clicked(button, &CQButton::clicked);

    uitest::press(button, kInside);
    EXPECT_EQ(button->drawState(), CQButton::Pushed);
    uitest::moveTo(button, kOutside);
    EXPECT_FALSE(button->isPointerInside());
    EXPECT_EQ(button->drawState(), CQButton::Plain);
    uitest::moveTo(button, kInside);
    EXPECT_TRUE(button->isPointerInside());
    uitest::release(button, kInside);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 7);
    EXPECT_EQ(clicked.at(0).at(1).toInt(), 1);

    uitest::press(button, kInside);
    uitest::moveTo(button, kOutside);
    uitest::release(button, kOutside);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(button->isMouseDown());
}

TEST(CQButton, ADoubleClickCountsAsOneMorePress) {
    ButtonPanel panel;
    CQButton* button = panel.make(CQButton::Kind::Push, 1);
    QSignalSpy clicked(button, &CQButton::clicked);
    uitest::click(button);
    uitest::sendMouse(button, QEvent::MouseButtonDblClick, kInside, Qt::LeftButton);
    uitest::release(button, kInside);
    EXPECT_EQ(clicked.count(), 2);
}

TEST(CQButton, CheckKindAsksForTheOtherStateAndLeavesItsOwnAlone) {
    ButtonPanel panel;
    CQButton* button = panel.make(CQButton::Kind::Check, 3);
    QSignalSpy clicked(button, &CQButton::clicked);
    uitest::click(button);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(1).toInt(), 1);
    EXPECT_EQ(button->checkState(), 0);

    EXPECT_EQ(button->setCheck(2, false), 1);
    uitest::click(button);
    EXPECT_EQ(clicked.at(1).at(1).toInt(), 0);
    EXPECT_EQ(button->setCheck(2, true), 0);  // unchanged: no notification
    EXPECT_EQ(button->setCheck(1, true), 1);
    EXPECT_EQ(clicked.count(), 3);
}

TEST(CQButton, StatesAboveTwoAreRefused) {
    ButtonPanel panel;
    for (auto kind :
         {CQButton::Kind::Push, CQButton::Kind::Check, CQButton::Kind::Radio, CQButton::Kind::Command}) {
        CQButton* button = panel.make(kind, static_cast<int>(kind));
        QSignalSpy clicked(button, &CQButton::clicked);
        QSignalSpy command(button, &CQButton::command);
        EXPECT_EQ(button->setCheck(3, true), 0);
        EXPECT_EQ(clicked.count() + command.count(), 0);
        EXPECT_EQ(button->checkState(), 0);
    }
}

TEST(CQButton, PushAndCommandKindsOnlyNotifyFromSetCheck) {
    ButtonPanel panel;
    CQButton* push = panel.make(CQButton::Kind::Push, 1);
    CQButton* command = panel.make(CQButton::Kind::Command, 2);
    QSignalSpy pushClicked(push, &CQButton::clicked);
    QSignalSpy commanded(command, &CQButton::command);
    EXPECT_EQ(push->setCheck(1, true), 1);
    EXPECT_EQ(push->checkState(), 0);
    ASSERT_EQ(pushClicked.count(), 1);
    EXPECT_EQ(command->setCheck(1, true), 1);
    EXPECT_EQ(commanded.count(), 1);
    uitest::click(command);
    EXPECT_EQ(commanded.count(), 2);
}

TEST(CQButton, PressingACheckedRadioButtonAndReleasingInsideSendsNothing) {
    ButtonPanel panel;
    CQButton* radio = panel.make(CQButton::Kind::Radio, 1);
    radio->setGroupStart(true);
    radio->setCheck(1, false);
    QSignalSpy clicked(radio, &CQButton::clicked);
    uitest::press(radio, kInside);
    EXPECT_EQ(radio->drawState(), CQButton::Checked);
    uitest::release(radio, kInside);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(radio->checkState(), 1);
}

TEST(CQButton, CheckingARadioButtonClearsTheOthersOfItsGroupOnly) {
    ButtonPanel panel;
    CQButton* first = panel.make(CQButton::Kind::Radio, 1);
    new QLabel("between", &panel.parent);  // other windows are passed over
    CQButton* second = panel.make(CQButton::Kind::Radio, 2);
    CQButton* nextGroup = panel.make(CQButton::Kind::Radio, 3);
    CQButton* nextGroupMember = panel.make(CQButton::Kind::Radio, 4);
    first->setGroupStart(true);
    nextGroup->setGroupStart(true);

    first->setCheck(1, false);
    nextGroup->setCheck(1, false);
    EXPECT_EQ(first->checkState(), 1);

    QSignalSpy firstClicked(first, &CQButton::clicked);
    second->setCheck(1, false);
    EXPECT_EQ(first->checkState(), 0);
    EXPECT_EQ(firstClicked.count(), 0);  // clearing notifies nobody
    EXPECT_EQ(nextGroup->checkState(), 1);

    first->setCheck(1, false);
    EXPECT_EQ(second->checkState(), 0);
    EXPECT_EQ(nextGroup->checkState(), 1);

    nextGroupMember->setCheck(1, false);
    EXPECT_EQ(nextGroup->checkState(), 0);
    EXPECT_EQ(first->checkState(), 1);
}

TEST(CQButton, ClickingAClearRadioClearsTheGroupBeforeAskingToBeChecked) {
    ButtonPanel panel;
    CQButton* first = panel.make(CQButton::Kind::Radio, 1);
    CQButton* second = panel.make(CQButton::Kind::Radio, 2);
    first->setGroupStart(true);
    first->setCheck(1, false);
    QSignalSpy clicked(second, &CQButton::clicked);
    uitest::click(second);
    EXPECT_EQ(first->checkState(), 0);
    EXPECT_EQ(second->checkState(), 0);  // the parent decides
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(1).toInt(), 1);
}

TEST(CQButton, DisabledButtonsDrawInactiveAndFocusNotifiesTheParent) {
    ButtonPanel panel;
    CQButton* button = panel.make(CQButton::Kind::Check, 5);
    button->setEnabled(false);
    EXPECT_EQ(button->drawState(), CQButton::Inactive);
    button->setCheck(1, false);
    EXPECT_EQ(button->drawState(), CQButton::InactiveChecked);
    button->setEnabled(true);

    QSignalSpy focused(button, &CQButton::focused);
    QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(button, &focusIn);
    EXPECT_TRUE(button->hasFocusFrame());
    ASSERT_EQ(focused.count(), 1);
    EXPECT_EQ(focused.at(0).at(0).toInt(), 5);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(button, &focusOut);
    EXPECT_FALSE(button->hasFocusFrame());
}

}  // namespace
