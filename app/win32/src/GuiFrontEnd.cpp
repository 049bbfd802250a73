#include "winui/GuiFrontEnd.h"

#include <iostream>

#include "engine/StatusModel.h"
#include "platform/Utf16.h"
#include "view/EngineStatusFeed.h"
#include "winui/StatusWindow.h"

namespace winui {

namespace {

UINT boxIcon(core::MessageIcon icon) {
    switch (icon) {
        case core::MessageIcon::Stop:
            return MB_ICONSTOP;
        case core::MessageIcon::Information:
            return MB_ICONINFORMATION;
        case core::MessageIcon::Warning:
            return MB_ICONWARNING;
        case core::MessageIcon::None:
            break;
    }
    return 0;
}

}  // namespace

GuiFrontEnd::GuiFrontEnd() = default;

GuiFrontEnd::~GuiFrontEnd() = default;

void GuiFrontEnd::showMessage(const std::string& text, core::MessageIcon icon) {
    windowThread_.run([this, &text, icon] {
        if (detached_) {
            return;
        }
        HWND owner = mainWindow_ != nullptr && ::IsWindowVisible(mainWindow_) ? mainWindow_ : nullptr;
        if (messageObserver_) {
            messageObserver_(text);
        }
        // Without a visible owner the box still keeps the program's other
        // windows from input while it is up.
        ::MessageBoxW(owner, platform::widen(text).c_str(), platform::widen(kMessageCaption).c_str(),
                      MB_OK | boxIcon(icon) | (owner == nullptr ? MB_TASKMODAL : 0));
    });
}

void GuiFrontEnd::setMainWindowEnabled(bool enabled) {
    windowThread_.run([this, enabled] {
        if (!detached_ && mainWindow_ != nullptr && ::IsWindow(mainWindow_)) {
            ::EnableWindow(mainWindow_, enabled ? TRUE : FALSE);
        }
        // The progress window stays usable while its owner is disabled.
        if (StatusWindow* window = statusWindow()) {
            ::EnableWindow(window->hwnd(), TRUE);
        }
    });
}

void GuiFrontEnd::showStatusWindow(engine::StatusModel& status, engine::OperationControl& control) {
    windowThread_.run([this, &status, &control] {
        if (detached_) {
            return;
        }
        if (StatusWindow* window = statusWindow()) {
            ::EnableWindow(window->hwnd(), TRUE);
            return;
        }
        if (feed_ == nullptr || &feed_->status() != &status) {
            feed_ = std::make_unique<view::EngineStatusFeed>(status, control);
        }
        statusWindow_.reset();
        statusWindow_ = std::make_unique<StatusWindow>(*feed_, mainWindow_);
        if (fontSource_) {
            statusWindow_->applyFont(fontSource_());
        }
    });
}

bool GuiFrontEnd::askForOk(const engine::StatusModel&) {
    bool asked = false;
    // A window thread that no longer takes requests has no window to ask in.
    windowThread_.run([this, &asked] { asked = !detached_ && statusWindow() != nullptr; });
    return asked;
}

StatusWindow* GuiFrontEnd::statusWindow() const {
    return statusWindow_ != nullptr && statusWindow_->isOpen() ? statusWindow_.get() : nullptr;
}

void GuiFrontEnd::showNotice(const std::string& text) {
    std::cerr << "flashkit: " << text << std::endl;
}

}  // namespace winui
