#include <gtest/gtest.h>

#include <cerrno>
#include <iostream>
#include <sstream>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ModalHelpers.h"
#include "Screenshot.h"
#include "SimProcess.h"
#include "data/CDIAGDoc.h"
#include "engine/UpdateEngine.h"
#include "ui/BlinkStatic.h"
#include "ui/CDIAGApp.h"
#include "ui/CDIAGView.h"
#include "ui/CMainFrame.h"
#include "ui/CQButton.h"
#include "ui/LabeledProgress.h"
#include "ui/ModeSelectDialog.h"
#include "ui/StatusWindow.h"
#include "ui/UnitGrid.h"

namespace {

using namespace std::chrono_literals;

constexpr int kOperationTimeoutMs = 60000;

// A program folder of its own: the settings file names the simulated
// console's port and the generated demo data root.
class ProgramFolder {
  public:
    QTemporaryDir folder;

    core::StartupOptions options(const std::string& port) {
        QDir(folder.path()).mkpath("tty");
        QFile settings(folder.filePath("FLASHKIT.INI"));
        settings.open(QIODevice::WriteOnly);
        settings.write(QString("[HOST]\nDEVICE=%1\nBAUDRATE=115200\n[DATA]\nROOT=%2\nDEFAULT=UNIT.LST\n")
                           .arg(QString::fromStdString(port), FLASHKIT_DEMO_ROOT)
                           .toUtf8());
        for (const char* model : {"SRF7", "ENG7", "LIO7", "XDG7"}) {
            settings.write(
                QString("[%1_INTERVAL]\nBOOTIN=1\nBOOTOUT=1\nTIMEOUT=3\nRETRYTIME=1\n").arg(model).toUtf8());
        }
        settings.close();

        core::StartupOptions startup;
        startup.lockDirectory = folder.path().toStdString();
        startup.programDirectory = folder.path().toStdString();
        startup.settingsPath = folder.filePath("FLASHKIT.INI").toStdString();
        startup.libraryDirectory = FLASHKIT_BIN_DIR;
        platform::PortDiscoveryOptions ports;
        ports.ttyClassDirectory = folder.filePath("tty").toStdString();
        ports.deviceDirectory = folder.path().toStdString();
        ports.extraPorts = port;
        startup.ports = ports;
        return startup;
    }
};

void answerModeDialog(data::WritingPort choice, QObject* owner) {
    uitest::whenModal<ui::ModeSelectDialog>(
        [choice](ui::ModeSelectDialog* dialog) {
            uitest::saveScreenshot(dialog, "mode-select");
            if (choice == data::WritingPort::CardDirect) {
                QTest::mouseClick(dialog->cardDirectButton(), Qt::LeftButton);
            }
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        },
        owner);
}

QString gridCell(ui::UnitGrid* grid, int row, int column) {
    return grid->item(row, column)->text();
}

// The demo console on a pseudo-terminal, a program folder beside it, and the
// message boxes answered and recorded.
class EndToEndOnConsole : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(console.start({"--console", std::string(FLASHKIT_DEMO_ROOT) + "/console.json"}))
            << console.error();
    }

    simtest::SimProcess console;
    ProgramFolder program;
    uitest::MessageCloser messages;
    QObject owner;
};

TEST_F(EndToEndOnConsole, GetVersionThenWriteAgainstTheSimulatedConsole) {
    ui::CDIAGApp app(program.options(console.portPath()));
    answerModeDialog(data::WritingPort::HostInterface, &owner);
    ASSERT_TRUE(app.start({"flashkit"})) << messages.texts.join("; ").toStdString();

    ui::CMainFrame* frame = app.mainFrame();
    ui::CDIAGView* view = frame->view();
    ASSERT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "UNIT.LST - FLASHKIT");
    EXPECT_EQ(app.document()->writingPort(), data::WritingPort::HostInterface);
    ASSERT_GE(view->unitSelector()->count(), 2);
    EXPECT_EQ(view->unitSelector()->itemText(0), "SRF7");

    // Get Ver. fills the grid with what the console holds.
    QTest::mouseClick(view->getVersionButton(), Qt::LeftButton);
    EXPECT_FALSE(view->getVersionButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->polling(); }, kOperationTimeoutMs));
    EXPECT_TRUE(view->getVersionButton()->isEnabled());
    EXPECT_TRUE(frame->isEnabled());
    ui::UnitGrid* grid = view->grid();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_TRUE(gridCell(grid, 0, ui::UnitGrid::Model::RomVersionColumn).startsWith("1.05"))
        << gridCell(grid, 0, ui::UnitGrid::Model::RomVersionColumn).toStdString();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    uitest::saveScreenshot(frame, "main-window");

    // Write: the progress window counts up and ends with OK.
    QTest::mouseClick(view->writeButton(), Qt::LeftButton);
    ui::StatusWindow* status = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (status = app.frontEnd().statusWindow()) != nullptr; }, 10000));
    EXPECT_FALSE(frame->isEnabled());
    EXPECT_TRUE(status->isEnabled());
    EXPECT_EQ(status->windowTitle(), "Status");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !status->fileNamePane().valueCell()->text().isEmpty() &&
                   status->currentProgress().position() > 2;
        },
        kOperationTimeoutMs));
    EXPECT_TRUE(status->addressPane().valueCell()->text().endsWith('H'));
    uitest::saveScreenshot(status, "status-writing");
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->button()->text() == "OK"; }, kOperationTimeoutMs));
    QTest::qWait(50);
    uitest::saveScreenshot(status, "status-done");
    EXPECT_TRUE(status->statusLine()->text().contains("Completed"))
        << status->statusLine()->text().toStdString();
    EXPECT_EQ(status->totalProgress().position(), status->totalProgress().upperRange());
    EXPECT_FALSE(frame->isEnabled());  // until OK

    QTest::mouseClick(status->button(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->isEnabled() && !view->polling(); }, 10000));
    EXPECT_EQ(app.document()->units().unit(0)->resultText(), "Completed");
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.frontEnd().statusWindow() == nullptr; }, 2000));

    // The written version is what the console reports now.
    QTest::mouseClick(view->getVersionButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->polling(); }, kOperationTimeoutMs));
    EXPECT_EQ(gridCell(grid, 0, ui::UnitGrid::Model::RomVersionColumn),
              gridCell(grid, 0, ui::UnitGrid::Model::FileVersionColumn));
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();

    app.shutdown();
    EXPECT_EQ(console.stop(), 0);
}

TEST_F(EndToEndOnConsole, CardDirectLeavesOneRowAtATimeAndOnlyWrite) {
    ui::CDIAGApp app(program.options(console.portPath()));
    answerModeDialog(data::WritingPort::CardDirect, &owner);
    ASSERT_TRUE(app.start({"flashkit"}));
    ui::CDIAGView* view = app.mainFrame()->view();
    EXPECT_EQ(app.document()->writingPort(), data::WritingPort::CardDirect);
    EXPECT_FALSE(view->getVersionButton()->isEnabled());
    EXPECT_FALSE(view->allButton()->isEnabled());
    EXPECT_FALSE(view->clearButton()->isEnabled());
    EXPECT_TRUE(view->writeButton()->isEnabled());
    EXPECT_TRUE(view->grid()->singleSelect());
    EXPECT_TRUE(view->versionBar().fileValue()->isHidden());
    ASSERT_GE(view->grid()->rowCount(), 2);
    EXPECT_FALSE(view->grid()->isChecked(0));  // rows start unchecked under Card Direct
    view->grid()->setCheck(0, true);
    view->grid()->setCheck(1, true);
    EXPECT_FALSE(view->grid()->isChecked(0));
    EXPECT_EQ(app.document()->countSelectedRows(), 1);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();
    app.shutdown();
    EXPECT_EQ(console.stop(), 0);
}

TEST_F(EndToEndOnConsole, EndingTheProgramDuringAnOperationLetsTheWorkerFinish) {
    ui::CDIAGApp app(program.options(console.portPath()));
    answerModeDialog(data::WritingPort::HostInterface, &owner);
    ASSERT_TRUE(app.start({"flashkit"}));
    QTest::mouseClick(app.mainFrame()->view()->writeButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.frontEnd().statusWindow() != nullptr; }, 10000));
    EXPECT_FALSE(app.mainFrame()->close());  // refused while the engine works
    app.shutdown();
    EXPECT_EQ(app.mainFrame(), nullptr);
    EXPECT_EQ(console.stop(), 0);
}

TEST(EndToEnd, PortsLeftOutAreNamedWithTheirReasonOnStandardError) {
    ProgramFolder program;
    core::StartupOptions options = program.options("/dev/null:/dev/ttyUSB7");
    // Root opens every device: the refusal a user outside dialout meets is handed in.
    options.portProbe = [](const std::string& path) {
        if (path == "/dev/ttyUSB7") {
            return platform::PortProbeResult{platform::PortUsability::PermissionDenied,
                                             platform::SystemError::fromCode(EACCES)};
        }
        return platform::probePort(path);
    };
    std::ostringstream errors;
    std::streambuf* const standardError = std::cerr.rdbuf(errors.rdbuf());
    ui::CDIAGApp app(options);
    uitest::MessageCloser messages;
    const bool started = app.start({"flashkit"});
    std::cerr.rdbuf(standardError);

    EXPECT_FALSE(started);
    EXPECT_EQ(messages.texts, QStringList{"COM port is not found."});
    EXPECT_EQ(errors.str(),
              "flashkit: /dev/null left out: not a serial line\n"
              "flashkit: /dev/ttyUSB7 left out: permission denied: add the user to the dialout group\n");
}

TEST(EndToEnd, ASecondStartSaysTheLoaderIsAlreadyRunningAndEnds) {
    ProgramFolder program;
    const core::StartupOptions options = program.options("/dev/null");
    ui::CDIAGApp first(options);
    ui::CDIAGApp second(options);
    uitest::MessageCloser messages;
    EXPECT_FALSE(second.start({"flashkit"}));
    EXPECT_EQ(messages.texts, QStringList{"QX7A LOADER is already running."});
    EXPECT_EQ(second.mainFrame(), nullptr);
    EXPECT_FALSE(first.startupCore().alreadyRunning());
}

}  // namespace
