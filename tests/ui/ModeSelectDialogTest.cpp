#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMainWindow>

#include "UiTestSupport.h"
#include "ui/CQButton.h"
#include "ui/ModeSelectDialog.h"
#include "view/ModeSelectLayout.h"

namespace {

using ui::ModeSelectDialog;

struct OpenDialog {
    QMainWindow mainWindow;
    ModeSelectDialog dialog{&mainWindow};
    OpenDialog() { dialog.open(); }
    bool ended() const { return !dialog.isVisible() && dialog.result() == QDialog::Accepted; }
};

void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

TEST(ModeSelectDialog, OkAtOnceAnswersHostInterface) {
    OpenDialog open;
    EXPECT_EQ(open.dialog.size(), QSize(view::ModeSelectLayout::kWidth, view::ModeSelectLayout::kHeight));
    EXPECT_EQ(open.dialog.hostInterfaceButton()->checkState(), 1);
    EXPECT_EQ(open.dialog.cardDirectButton()->checkState(), 0);
    uitest::click(open.dialog.okButton());
    EXPECT_TRUE(open.ended());
    EXPECT_EQ(open.dialog.choice(), data::WritingPort::HostInterface);
}

TEST(ModeSelectDialog, CardDirectThenHostInterfaceAnswersHostInterfaceAndTheMarksFollow) {
    OpenDialog open;
    uitest::click(open.dialog.cardDirectButton());
    EXPECT_EQ(open.dialog.choice(), data::WritingPort::CardDirect);
    EXPECT_EQ(open.dialog.cardDirectButton()->checkState(), 1);
    EXPECT_EQ(open.dialog.hostInterfaceButton()->checkState(), 0);
    uitest::click(open.dialog.hostInterfaceButton());
    EXPECT_EQ(open.dialog.hostInterfaceButton()->checkState(), 1);
    EXPECT_EQ(open.dialog.cardDirectButton()->checkState(), 0);
    uitest::click(open.dialog.okButton());
    EXPECT_TRUE(open.ended());
    EXPECT_EQ(open.dialog.choice(), data::WritingPort::HostInterface);
}

TEST(ModeSelectDialog, CardDirectIsTheAnswerWhenLeftChecked) {
    OpenDialog open;
    uitest::click(open.dialog.cardDirectButton());
    uitest::click(open.dialog.cardDirectButton());  // already checked: nothing changes
    EXPECT_EQ(open.dialog.cardDirectButton()->checkState(), 1);
    uitest::click(open.dialog.okButton());
    EXPECT_EQ(open.dialog.choice(), data::WritingPort::CardDirect);
}

TEST(ModeSelectDialog, EnterEscapeAndTheCloseRequestLeaveItOpen) {
    OpenDialog open;
    ASSERT_TRUE(open.dialog.isVisible());
    pressKey(&open.dialog, Qt::Key_Return);
    pressKey(&open.dialog, Qt::Key_Enter);
    pressKey(&open.dialog, Qt::Key_Escape);
    pressKey(open.dialog.okButton(), Qt::Key_Return);
    pressKey(open.dialog.okButton(), Qt::Key_Space);  // the buttons have no keyboard activation
    EXPECT_FALSE(open.dialog.close());                // Alt+F4 and the close box ask the same
    open.dialog.reject();
    EXPECT_TRUE(open.dialog.isVisible());
    EXPECT_EQ(open.dialog.choice(), data::WritingPort::HostInterface);
}

TEST(ModeSelectDialog, TheControlsSitWhereTheDialogLayoutPutsThem) {
    OpenDialog open;
    const QWidget* client = open.dialog.clientArea();
    const int w = client->width();
    const int h = client->height();
    EXPECT_EQ(open.dialog.hostInterfaceButton()->geometry(), QRect(QPoint(50, 66), QPoint(w - 11, 85)));
    EXPECT_EQ(open.dialog.cardDirectButton()->geometry(), QRect(QPoint(50, 91), QPoint(w - 11, 110)));
    EXPECT_EQ(open.dialog.okButton()->geometry(),
              QRect(QPoint(w - w / 2 - 40, h - 50), QPoint(w - w / 2 + 39, h - 26)));
}

}  // namespace
