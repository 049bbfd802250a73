#include "cli/CliHost.h"

#include "engine/StatusModel.h"

namespace cli {

ProgressSnapshot CliHost::snapshotOf(const engine::StatusModel& status) {
    ProgressSnapshot snapshot;
    snapshot.fileName = status.fileName();
    snapshot.statusText = status.statusText();
    snapshot.errorFlag = status.errorFlag();
    snapshot.currentTotal = status.currentTotal();
    snapshot.currentPos = status.currentPos();
    snapshot.overallTotal = status.overallTotal();
    snapshot.overallPos = status.overallPos();
    return snapshot;
}

void CliHost::showMessage(const std::string& text, core::MessageIcon icon) {
    display_.message(text, icon);
}

void CliHost::requestFinalOk(engine::StatusModel& status) {
    {
        std::lock_guard lock(mutex_);
        finalStatus_ = snapshotOf(status);
    }
    status.cancelEvent().signal();
}

void CliHost::showNotice(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!noticesShown_.insert(text).second) {
            return;
        }
    }
    display_.message(text, core::MessageIcon::None);
}

void CliHost::clearFinalStatus() {
    std::lock_guard lock(mutex_);
    finalStatus_.reset();
}

std::optional<ProgressSnapshot> CliHost::finalStatus() const {
    std::lock_guard lock(mutex_);
    return finalStatus_;
}

}  // namespace cli
