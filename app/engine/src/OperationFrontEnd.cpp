#include "engine/OperationFrontEnd.h"

#include "engine/OperationHost.h"
#include "engine/StatusModel.h"

namespace engine {

void OperationFrontEnd::showMessage(const std::string& text, bool error) {
    if (reachable()) {
        host_->showMessage(text, error ? core::MessageIcon::Stop : core::MessageIcon::Information);
    }
}

void OperationFrontEnd::showNotice(const std::string& text) {
    if (reachable()) {
        host_->showNotice(text);
    }
}

void OperationFrontEnd::setMainWindowEnabled(bool enabled) {
    if (reachable()) {
        host_->setMainWindowEnabled(enabled);
    }
}

void OperationFrontEnd::showStatusWindow(StatusModel& status) {
    if (host_ != nullptr) {
        host_->showStatusWindow(status);
    }
}

void OperationFrontEnd::requestFinalOk(StatusModel& status) {
    if (reachable()) {
        host_->requestFinalOk(status);
    } else {
        status.cancelEvent().signal();
    }
}

}  // namespace engine
