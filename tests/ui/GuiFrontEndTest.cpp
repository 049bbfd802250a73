#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <thread>

#include "DocumentFixture.h"
#include "ModalHelpers.h"
#include "core/FontSetting.h"
#include "data/CommSettings.h"
#include "engine/OperationControl.h"
#include "engine/StatusModel.h"
#include "ui/CDIAGView.h"
#include "ui/CMainFrame.h"
#include "ui/GuiFrontEnd.h"
#include "ui/StatusWindow.h"

namespace {

using namespace std::chrono_literals;

class GuiFrontEndTest : public testing::Test {
  protected:
    QMainWindow mainWindow;
    ui::GuiFrontEnd frontEnd;
    engine::StatusModel status;
    engine::OperationControl control;

    void SetUp() override {
        mainWindow.resize(600, 450);
        mainWindow.show();
        frontEnd.setMainWindow(&mainWindow);
    }
};

TEST_F(GuiFrontEndTest, AMessageFromTheWorkerBlocksItUntilTheUserPressesOk) {
    uitest::MessageCloser messages;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        frontEnd.showMessage("Get Version - Timeout Error !", core::MessageIcon::None);
        returned = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 5000));
    worker.join();
    EXPECT_EQ(messages.texts, QStringList{"Get Version - Timeout Error !"});
}

TEST_F(GuiFrontEndTest, TheWorkerDisablesTheRealWindowAndTheProgressWindowStaysUsable) {
    std::atomic<int> step{0};
    std::thread worker([&] {
        frontEnd.showStatusWindow(status, control);
        frontEnd.setMainWindowEnabled(false);
        step = 1;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return step.load() == 1; }, 5000));
    worker.join();
    EXPECT_FALSE(mainWindow.isEnabled());
    ASSERT_NE(frontEnd.statusWindow(), nullptr);
    EXPECT_TRUE(frontEnd.statusWindow()->isEnabled());
    EXPECT_TRUE(frontEnd.statusWindow()->isVisible());

    // The window is reused while it exists.
    ui::StatusWindow* first = frontEnd.statusWindow();
    frontEnd.showStatusWindow(status, control);
    EXPECT_EQ(frontEnd.statusWindow(), first);

    // The final OK: the window's button, which lets the worker go on.
    control.signalDone();
    EXPECT_TRUE(frontEnd.askForOk(status));
    first->refresh();
    EXPECT_EQ(first->button()->text(), "OK");
    EXPECT_TRUE(control.isDone());  // looked at, not taken
    std::atomic<bool> okSeen{false};
    std::thread waiter([&] {
        control.waitForOk();
        okSeen = true;
    });
    first->button()->click();
    waiter.join();
    EXPECT_TRUE(okSeen.load());
    frontEnd.setMainWindowEnabled(true);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return frontEnd.statusWindow() == nullptr; }, 2000));
}

TEST_F(GuiFrontEndTest, WithoutAProgressWindowNobodyIsAskedForTheOk) {
    EXPECT_FALSE(frontEnd.askForOk(status));
}

TEST_F(GuiFrontEndTest, CancelClosesTheProgressWindowAndIsAlsoTheOk) {
    frontEnd.showStatusWindow(status, control);
    ASSERT_NE(frontEnd.statusWindow(), nullptr);
    frontEnd.statusWindow()->button()->click();
    EXPECT_TRUE(control.cancelled());
    control.waitForOk();
    EXPECT_TRUE(QTest::qWaitFor([&] { return frontEnd.statusWindow() == nullptr; }, 2000));
    EXPECT_FALSE(frontEnd.askForOk(status));
}

TEST_F(GuiFrontEndTest, OnceDetachedTheWorkerIsAnsweredWithoutWindows) {
    frontEnd.detach();
    std::atomic<bool> returned{false};
    std::atomic<bool> asked{true};
    std::thread worker([&] {
        frontEnd.showMessage("Interface Open NG", core::MessageIcon::None);
        frontEnd.showStatusWindow(status, control);
        frontEnd.setMainWindowEnabled(false);
        asked = frontEnd.askForOk(status);
        returned = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 5000));
    worker.join();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(frontEnd.statusWindow(), nullptr);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(asked.load());
}

TEST_F(GuiFrontEndTest, TheProgressWindowOpensInTheViewFont) {
    const QFont font("DejaVu Serif", 15);
    frontEnd.setFontSource([font] { return font; });
    frontEnd.showStatusWindow(status, control);
    ASSERT_NE(frontEnd.statusWindow(), nullptr);
    EXPECT_EQ(frontEnd.statusWindow()->button()->font(), font);
}

class DialogTest : public testing::Test {
  protected:
    uitest::DocumentFixture fixture;
    data::CommSettings comm;
    std::uint8_t connectionPoint = 0;
    std::vector<std::string> ports{"COM1"};
    ui::CMainFrame frame{*fixture.document, ports, comm, connectionPoint};
    QObject owner;

    void SetUp() override {
        fixture.document->setUpdateHandler([this] { frame.view()->refresh(); });
        frame.view()->setFontSetting(core::FontSetting{});
        frame.show();
    }
};

TEST_F(DialogTest, FontsOkAppliesTheChoiceAndCancelChangesNothing) {
    const QFont before = frame.view()->viewFont();
    uitest::whenModal<QFontDialog>([](QFontDialog* dialog) { dialog->reject(); }, &owner);
    frame.view()->chooseFont();
    EXPECT_EQ(frame.view()->viewFont(), before);

    QFont chosen("DejaVu Serif", 16);
    QFont started;
    uitest::whenModal<QFontDialog>(
        [&](QFontDialog* dialog) {
            started = dialog->currentFont();
            dialog->setCurrentFont(chosen);
            dialog->accept();
        },
        &owner);
    frame.view()->chooseFont();
    EXPECT_EQ(started.pointSize(), before.pointSize());
    EXPECT_EQ(frame.view()->viewFont().family(), QFontInfo(chosen).family());
    EXPECT_EQ(frame.view()->writeButton()->font(), frame.view()->viewFont());
}

TEST_F(DialogTest, OpenOffersUnitListsAndLoadsTheChosenFile) {
    QStringList filters;
    uitest::whenModal<QFileDialog>(
        [&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            dialog->setDirectory(fixture.rootPath());
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText("UNIT.LST");
            // Accepting without the dialog's own check, which waits for its
            // folder listing to arrive from another thread.
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        },
        &owner);
    QAction* open = nullptr;
    for (QAction* command : frame.actions()) {
        if (command->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_O)) {
            open = command;
        }
    }
    ASSERT_NE(open, nullptr);
    open->trigger();
    EXPECT_EQ(filters, QStringList{"UnitList(*.lst)"});
    EXPECT_EQ(frame.windowTitle(), "UNIT.LST - FLASHKIT");
    EXPECT_EQ(fixture.document->units().count(), 2);
}

}  // namespace
