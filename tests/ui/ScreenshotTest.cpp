#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QFocusEvent>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include "DocumentFixture.h"
#include "Screenshot.h"
#include "core/AboutText.h"
#include "core/FontSetting.h"
#include "data/CommSettings.h"
#include "ui/AboutDialog.h"
#include "ui/CDIAGView.h"
#include "ui/CMainFrame.h"
#include "ui/CQButton.h"
#include "ui/ModeSelectDialog.h"
#include "ui/StatusWindow.h"
#include "ui/UnitGrid.h"
#include "view/StatusFeed.h"

namespace {

class FixedFeed : public view::StatusFeed {
  public:
    view::StatusSnapshot status;
    view::StatusSnapshot snapshot() const override { return status; }
    bool isDone() override { return false; }
    void pressButton() override {}
};

void expectSaved(QWidget* window, const QString& name) {
    ASSERT_TRUE(uitest::saveScreenshot(window, name));
    EXPECT_GT(QFileInfo(QString(FLASHKIT_SCREENSHOT_DIR) + "/" + name + ".png").size(), 1000);
}

// Every text of the window's own labels fits its cell at the chosen font.
void expectLabelsFit(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->isVisible() && !label->text().isEmpty() && label->pixmap().isNull()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
    }
}

TEST(Screenshots, TheAboutBoxShowsTheVersionAndLegalLines) {
    ui::AboutDialog about;
    about.show();
    EXPECT_EQ(about.windowTitle(), "About FLASHKIT");
    EXPECT_EQ(about.versionLine()->text(), "FLASHKIT Version 2.00");
    EXPECT_EQ(about.legalLine()->text().toStdString(), core::AboutText::programLegalNoticeLine());
    expectLabelsFit(&about);
    expectSaved(&about, "about");
}

TEST(Screenshots, TheModeDialogDrawsTheFocusFrameAndTheBanner) {
    ui::ModeSelectDialog dialog(nullptr);
    dialog.show();
    ui::CQButton* ok = dialog.okButton();
    QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(ok, &focusIn);  // offscreen windows are never activated
    expectSaved(&dialog, "mode-select-default");

    const QImage image = dialog.grab().toImage();
    const QPoint okCorner = ok->mapTo(&dialog, QPoint(0, 0));
    // The green frame is 2 pixels wide, 2 pixels inside the button.
    EXPECT_EQ(image.pixelColor(okCorner + QPoint(2, ok->height() / 2)), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(okCorner + QPoint(3, ok->height() / 2)), QColor(0, 255, 0));
    EXPECT_NE(image.pixelColor(okCorner + QPoint(5, ok->height() / 2)), QColor(0, 255, 0));
    // The banner is white across the bottom of the client area.
    const QWidget* client = dialog.clientArea();
    const QPoint bannerLeft = client->mapTo(&dialog, QPoint(1, client->height() - 2));
    EXPECT_EQ(image.pixelColor(bannerLeft), QColor(255, 255, 255));
}

TEST(Screenshots, TheMainWindowAndTheProgressWindowAtALargerChosenFont) {
    uitest::DocumentFixture fixture;
    data::CommSettings comm;
    std::uint8_t connectionPoint = 0;
    const std::vector<std::string> ports{"/dev/ttyS0"};
    ui::CMainFrame frame(*fixture.document, ports, comm, connectionPoint);
    fixture.document->setUpdateHandler([&frame] { frame.view()->refresh(); });
    frame.view()->setAdvanced(1);
    core::FontSetting setting;
    setting.faceName = "DejaVu Sans";
    setting.pointSize = 12;
    setting.bold = 1;
    frame.view()->setFontSetting(setting);
    ASSERT_TRUE(frame.openDocumentFile(QString::fromStdString(fixture.listPath())));
    frame.show();
    expectSaved(&frame, "main-window-large-font");
    // Wider columns than the grid scroll instead of being cut.
    ui::UnitGrid* grid = frame.view()->grid();
    EXPECT_NE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    FixedFeed feed;
    feed.status.title = "ALPHA (MAIN 1.06)";
    feed.status.fileName = "MAIN0106.mot";
    feed.status.lowAddress = 0x200000;
    feed.status.highAddress = 0x21FFFF;
    feed.status.checksum = 0xBEEF;
    feed.status.statusText = "Writing...";
    feed.status.currentTotal = 40;
    feed.status.currentPos = 25;
    feed.status.overallTotal = 3;
    feed.status.overallPos = 1;
    ui::StatusWindow status(feed, &frame);
    status.applyFont(frame.view()->viewFont());
    status.refresh();
    status.show();
    expectLabelsFit(&status);
    expectSaved(&status, "status-large-font");
}

}  // namespace
