#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>

#include "DocumentFixture.h"
#include "core/UserNotifier.h"
#include "data/CommSettings.h"
#include "ui/CDIAGView.h"
#include "ui/CMainFrame.h"
#include "view/MainFrame.h"

namespace {

using ui::CMainFrame;

struct RecordingNotifier : core::UserNotifier {
    std::vector<std::string> texts;
    void showMessage(const std::string& text, core::MessageIcon) override { texts.push_back(text); }
};

class FrameTest : public testing::Test {
  protected:
    uitest::DocumentFixture fixture;
    data::CommSettings comm;
    std::uint8_t connectionPoint = 0x10;
    std::vector<std::string> ports{"COM3", "COM7"};
    std::unique_ptr<CMainFrame> frame;
    RecordingNotifier notifier;

    void SetUp() override {
        comm.deviceName = "com7";
        frame = std::make_unique<CMainFrame>(*fixture.document, ports, comm, connectionPoint);
        fixture.document->setUpdateHandler([this] { frame->view()->refresh(); });
        frame->setNotifier(&notifier);
    }

    QStringList texts(QMenu* menu) {
        QStringList result;
        for (QAction* item : menu->actions()) {
            result << item->text();
        }
        return result;
    }
    QAction* item(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        return nullptr;
    }
};

TEST_F(FrameTest, TheWindowIsAFixed600By450WithoutAMaximiseBox) {
    EXPECT_EQ(frame->size(), QSize(600, 450));
    EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
    EXPECT_FALSE(frame->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(frame->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(frame->windowTitle(), "Untitled - FLASHKIT");
    QStringList menus;
    for (QAction* menu : frame->menuBar()->actions()) {
        menus << menu->text();
    }
    EXPECT_EQ(menus, (QStringList{"&File", "&Setup", "&Help"}));
    EXPECT_EQ(texts(frame->setupMenu()),
              (QStringList{"Serial Port", "Network Port...", "Connection Point", "Fonts..."}));
}

TEST_F(FrameTest, TheFirstOpeningOfSetupReplacesThePlaceholderPorts) {
    EXPECT_EQ(texts(frame->serialPortMenu()), (QStringList{"COM1", "COM2", "COM3", "COM4"}));
    frame->prepareSetupMenu();
    EXPECT_EQ(texts(frame->serialPortMenu()), (QStringList{"COM3", "COM7"}));
    QAction* com3 = item(frame->serialPortMenu(), "COM3");
    QAction* com7 = item(frame->serialPortMenu(), "COM7");
    EXPECT_EQ(com3->data().toInt(), 32784);
    EXPECT_EQ(com7->data().toInt(), 32785);
    EXPECT_TRUE(com7->isChecked());  // the menu compares without regard to case
    EXPECT_EQ(connectionPoint, 0x00);
    EXPECT_TRUE(item(frame->connectionMenu(), "SRF7")->isChecked());

    frame->choosePort(com3);
    EXPECT_EQ(comm.deviceName, "COM3");
    EXPECT_TRUE(com3->isChecked());
    EXPECT_FALSE(com7->isChecked());
    frame->prepareSetupMenu();  // once per run only
    EXPECT_TRUE(com3->isChecked());
}

TEST_F(FrameTest, ANetworkPortIsUsedAndShownMarkedInTheSerialPortMenu) {
    EXPECT_EQ(item(frame->setupMenu(), "Network Port...")->statusTip(),
              "Use a port of a network serial server");
    frame->useNetworkPort("rfc2217://127.0.0.5:2217");
    EXPECT_EQ(comm.deviceName, "rfc2217://127.0.0.5:2217");
    EXPECT_EQ(texts(frame->serialPortMenu()), (QStringList{"COM3", "COM7", "rfc2217://127.0.0.5:2217"}));
    QAction* network = item(frame->serialPortMenu(), "rfc2217://127.0.0.5:2217");
    EXPECT_TRUE(network->isChecked());
    EXPECT_EQ(network->data().toInt(), 32786);
    EXPECT_FALSE(item(frame->serialPortMenu(), "COM7")->isChecked());

    // A second one takes the same item; a listed port is chosen again.
    frame->useNetworkPort("socket://127.0.0.6:4001");
    EXPECT_EQ(texts(frame->serialPortMenu()), (QStringList{"COM3", "COM7", "socket://127.0.0.6:4001"}));
    frame->choosePort(item(frame->serialPortMenu(), "COM3"));
    EXPECT_EQ(comm.deviceName, "COM3");
    EXPECT_FALSE(item(frame->serialPortMenu(), "socket://127.0.0.6:4001")->isChecked());
}

TEST_F(FrameTest, ConnectionPointFollowsEachChoice) {
    frame->prepareSetupMenu();
    QAction* eng7 = item(frame->connectionMenu(), "ENG7");
    QAction* srf7 = item(frame->connectionMenu(), "SRF7");
    frame->chooseConnection(eng7);
    EXPECT_EQ(connectionPoint, 0x10);
    EXPECT_TRUE(eng7->isChecked());
    frame->chooseConnection(srf7);
    EXPECT_EQ(connectionPoint, 0x00);
    EXPECT_TRUE(srf7->isChecked());
    EXPECT_FALSE(eng7->isChecked());
}

TEST_F(FrameTest, TheStatusBarShowsReadyAndThePromptsOfTheItems) {
    EXPECT_EQ(frame->statusPane()->text(), "Ready");
    QAction* eng7 = item(frame->connectionMenu(), "ENG7");
    EXPECT_EQ(eng7->statusTip(), "Connect PC to ENG7 port (Get Ver. Only ENG7) ");
    EXPECT_EQ(item(frame->setupMenu(), "Fonts...")->statusTip(), "Select Font");
    EXPECT_EQ(item(frame->serialPortMenu(), "COM1")->statusTip(), "Select this port");
    QStatusTipEvent tip(eng7->statusTip());
    QCoreApplication::sendEvent(frame.get(), &tip);
    EXPECT_EQ(frame->statusPane()->text(), eng7->statusTip());
    QStatusTipEvent none{QString()};
    QCoreApplication::sendEvent(frame.get(), &none);
    EXPECT_EQ(frame->statusPane()->text(), "Ready");
}

TEST_F(FrameTest, OpenNewAndSaveFollowTheDocumentAndNeverWriteTheFile) {
    QFile list(QString::fromStdString(fixture.listPath()));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QByteArray before = list.readAll();
    list.close();

    EXPECT_TRUE(frame->openDocumentFile(QString::fromStdString(fixture.listPath())));
    EXPECT_EQ(frame->windowTitle(), "UNIT.LST - FLASHKIT");
    frame->saveDocument();
    frame->newDocument();
    EXPECT_EQ(frame->windowTitle(), "Untitled - FLASHKIT");
    EXPECT_EQ(fixture.document->units().count(), 2);  // New keeps the units

    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), before);
    EXPECT_STREQ(view::MainFrame::kFileFilter, "UnitList(*.lst)");

    QStringList shortcuts;
    for (QAction* command : frame->actions()) {
        shortcuts << command->shortcut().toString();
    }
    EXPECT_TRUE(shortcuts.contains("Ctrl+O"));
    EXPECT_TRUE(shortcuts.contains("Ctrl+N"));
    EXPECT_TRUE(shortcuts.contains("Ctrl+S"));
}

TEST_F(FrameTest, AFileThatCannotBeOpenedKeepsTheUnitsAndTheTitle) {
    ASSERT_TRUE(frame->openDocumentFile(QString::fromStdString(fixture.listPath())));
    EXPECT_FALSE(frame->openDocumentFile(fixture.path("MISSING.LST")));
    ASSERT_EQ(notifier.texts.size(), 1u);
    EXPECT_NE(notifier.texts[0].find("MISSING.LST"), std::string::npos);
    EXPECT_EQ(frame->windowTitle(), "UNIT.LST - FLASHKIT");
    EXPECT_EQ(fixture.document->units().count(), 2);
}

TEST_F(FrameTest, TheWindowDoesNotCloseWhileAnOperationRuns) {
    ASSERT_TRUE(frame->openDocumentFile(QString::fromStdString(fixture.listPath())));
    frame->show();
    frame->view()->onGetVersion();
    EXPECT_FALSE(frame->close());
    fixture.engine->done = true;
    EXPECT_TRUE(frame->close());
}

}  // namespace
