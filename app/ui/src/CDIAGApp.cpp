#include "ui/CDIAGApp.h"

#include "data/CDIAGDoc.h"
#include "engine/UpdateEngine.h"
#include "ui/CDIAGView.h"
#include "ui/CMainFrame.h"
#include "ui/ModeSelectDialog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <chrono>
#include <iostream>
#include <thread>

namespace ui {

namespace {

constexpr int kShutdownPollMs = 10;

// A port left out of the Serial Port menu is named on standard error with
// the reason, so that a technician who finds the menu short learns why.
core::StartupOptions reportingLeftOutPorts(core::StartupOptions options) {
    if (!options.portLeftOut) {
        options.portLeftOut = [](const core::RejectedPort& port) {
            std::cerr << "flashkit: " << port.leftOutText() << std::endl;
        };
    }
    return options;
}

}  // namespace

CDIAGApp::CDIAGApp(core::StartupOptions options) : core_(reportingLeftOutPorts(std::move(options))) {}

CDIAGApp::~CDIAGApp() {
    shutdown();
}

bool CDIAGApp::start(const QStringList& arguments) {
    if (core_.start(host_) != core::StartupStatus::Ready) {
        return false;
    }

    auto engine = std::make_unique<engine::UpdateEngine>();
    engine_ = engine.get();
    engine_->setHost(&host_);
    engine_->setInterfaceApi(&core_.api());
    document_ = std::make_unique<data::CDIAGDoc>(std::move(engine));
    document_->setMessageSink(
        [this](const std::string& text) { host_.showMessage(text, core::MessageIcon::None); });
    frame_ = std::make_unique<CMainFrame>(*document_, core_.ports().names(), core_.comm(),
                                          core_.connectionPoint());
    frame_->setNotifier(&host_);
    CDIAGView* view = frame_->view();
    document_->setUpdateHandler([view] { view->refresh(); });
    host_.setMainWindow(frame_.get());
    host_.setFontSource([view] { return view->viewFont(); });
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        frame_->move(area.center() - QPoint(CMainFrame::kWidth / 2, CMainFrame::kHeight / 2));
    }

    // A unit list named on the command line is opened as the document.
    if (arguments.size() > 1) {
        if (!frame_->openDocumentFile(arguments.at(1))) {
            return false;
        }
    } else {
        frame_->newDocument();
    }

    view->setAdvanced(core_.advanced());
    view->setFontSetting(core_.font());
    if (core_.advanced() != 0) {
        runModeSelect();
    }

    frame_->openDocumentFile(QString::fromStdString(core_.defaultListPath()));

    document_->setCheckStatus(core_.checkStatus());
    document_->setCommSettings(&core_.comm());
    document_->setConnectionPoint(&core_.connectionPoint());
    document_->setTimings(core_.timing());

    frame_->showNormal();
    frame_->update();
    return true;
}

void CDIAGApp::runModeSelect() {
    ModeSelectDialog dialog(frame_.get());
    frame_->setEnabled(false);
    dialog.setEnabled(true);
    const data::WritingPort choice = dialog.run();
    frame_->setEnabled(true);
    document_->setWritingPort(choice);
}

void CDIAGApp::shutdown() {
    host_.detach();
    if (engine_ != nullptr) {
        // A worker still running is let go and may still be handing requests
        // to this thread; they are served (and answered at once) until it
        // has finished, so that destroying the engine never waits on them.
        engine_->status().cancelEvent().signal();
        while (engine_->busy()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, kShutdownPollMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    frame_.reset();
    document_.reset();
    engine_ = nullptr;
    core_.shutdown();
}

}  // namespace ui
