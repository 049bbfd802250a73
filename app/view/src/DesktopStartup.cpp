#include "view/DesktopStartup.h"

#include <chrono>
#include <iostream>
#include <thread>

#include "data/CDIAGDoc.h"
#include "engine/UpdateEngine.h"
#include "view/DesktopWindows.h"

namespace view {

namespace {

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

DesktopStartup::DesktopStartup(core::StartupOptions options)
    : core_(reportingLeftOutPorts(std::move(options))) {}

// The engine's entry points die with the library: the document and its
// engine go first.
DesktopStartup::~DesktopStartup() {
    document_.reset();
    core_.shutdown();
}

bool DesktopStartup::start(DesktopWindows& windows, core::UserNotifier& notifier, engine::FrontEnd& frontEnd,
                           const std::vector<std::string>& arguments) {
    if (core_.start(notifier) != core::StartupStatus::Ready) {
        return false;
    }

    auto engine = std::make_unique<engine::UpdateEngine>();
    engine_ = engine.get();
    engine_->setFrontEnd(&frontEnd);
    engine_->setInterfaceApi(&core_.api());
    document_ = std::make_unique<data::CDIAGDoc>(std::move(engine));
    document_->setMessageSink(
        [&notifier](const std::string& text) { notifier.showMessage(text, core::MessageIcon::None); });
    windows.createWindows(*document_, core_);
    windowsCreated_ = true;

    // A unit list named on the command line is opened as the document.
    if (arguments.size() > 1) {
        if (!windows.openDocumentFile(arguments[1])) {
            return false;
        }
    } else {
        windows.newDocument();
    }

    windows.prepareView(core_.advanced(), core_.font());
    if (core_.advanced() != 0) {
        windows.setMainWindowEnabled(false);
        const data::WritingPort choice = windows.runModeSelect();
        windows.setMainWindowEnabled(true);
        document_->setWritingPort(choice);
    }

    // A default list that cannot be opened has shown its message; start-up
    // goes on with the document as it is.
    windows.openDocumentFile(core_.defaultListPath());

    document_->setCheckStatus(core_.checkStatus());
    document_->setCommSettings(&core_.comm());
    document_->setConnectionPoint(&core_.connectionPoint());
    document_->setTimings(core_.timing());

    windows.showMainWindow();
    return true;
}

void DesktopStartup::shutdown(DesktopWindows& windows) {
    if (windowsCreated_) {
        windows.detachFrontEnd();
        if (engine_ != nullptr) {
            // A worker still running is let go and may still be handing
            // requests to the window thread; they are served (and answered at
            // once) until it has finished, so that destroying the engine
            // never waits on them.
            engine_->control().cancel();
            engine_->control().giveOk();
            while (engine_->busy()) {
                windows.serveRequests();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        windows.destroyWindows();
        windowsCreated_ = false;
    }
    document_.reset();
    engine_ = nullptr;
    core_.shutdown();
}

}  // namespace view
