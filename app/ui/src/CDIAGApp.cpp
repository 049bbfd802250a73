#include "ui/CDIAGApp.h"

#include "data/CDIAGDoc.h"
#include "ui/CDIAGView.h"
#include "ui/CMainFrame.h"
#include "ui/ModeSelectDialog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <string>
#include <vector>

namespace ui {

namespace {

constexpr int kShutdownPollMs = 10;

}  // namespace

CDIAGApp::CDIAGApp(core::StartupOptions options) : startup_(std::move(options)) {}

CDIAGApp::~CDIAGApp() {
    shutdown();
}

bool CDIAGApp::start(const QStringList& arguments) {
    std::vector<std::string> programArguments;
    for (const QString& argument : arguments) {
        programArguments.push_back(argument.toStdString());
    }
    return startup_.start(*this, frontEnd_, frontEnd_, programArguments);
}

void CDIAGApp::createWindows(data::CDIAGDoc& document, core::StartupCore& core) {
    frame_ =
        std::make_unique<CMainFrame>(document, core.ports().names(), core.comm(), core.connectionPoint());
    frame_->setNotifier(&frontEnd_);
    CDIAGView* view = frame_->view();
    document.setUpdateHandler([view] { view->refresh(); });
    frontEnd_.setMainWindow(frame_.get());
    frontEnd_.setFontSource([view] { return view->viewFont(); });
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        frame_->move(area.center() - QPoint(CMainFrame::kWidth / 2, CMainFrame::kHeight / 2));
    }
}

bool CDIAGApp::openDocumentFile(const std::string& path) {
    return frame_->openDocumentFile(QString::fromStdString(path));
}

void CDIAGApp::newDocument() {
    frame_->newDocument();
}

void CDIAGApp::prepareView(int advanced, const core::FontSetting& font) {
    CDIAGView* view = frame_->view();
    view->setAdvanced(advanced);
    view->setFontSetting(font);
}

data::WritingPort CDIAGApp::runModeSelect() {
    ModeSelectDialog dialog(frame_.get());
    dialog.setEnabled(true);
    return dialog.run();
}

void CDIAGApp::setMainWindowEnabled(bool enabled) {
    frame_->setEnabled(enabled);
}

void CDIAGApp::showMainWindow() {
    frame_->showNormal();
    frame_->update();
}

void CDIAGApp::detachFrontEnd() {
    frontEnd_.detach();
}

void CDIAGApp::serveRequests() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, kShutdownPollMs);
}

void CDIAGApp::destroyWindows() {
    frame_.reset();
}

void CDIAGApp::shutdown() {
    startup_.shutdown(*this);
}

}  // namespace ui
