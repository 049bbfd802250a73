#include "cli/CliFrontEnd.h"

#include "engine/StatusModel.h"

namespace cli {

ProgressSnapshot CliFrontEnd::snapshotOf(const engine::StatusModel& status) {
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

void CliFrontEnd::showMessage(const std::string& text, core::MessageIcon icon) {
    display_.message(text, icon);
}

bool CliFrontEnd::askForOk(const engine::StatusModel& status) {
    std::lock_guard lock(mutex_);
    finalStatus_ = snapshotOf(status);
    return NullFrontEnd::askForOk(status);
}

void CliFrontEnd::showNotice(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!noticesShown_.insert(text).second) {
            return;
        }
    }
    display_.message(text, core::MessageIcon::None);
}

void CliFrontEnd::clearFinalStatus() {
    std::lock_guard lock(mutex_);
    finalStatus_.reset();
}

std::optional<ProgressSnapshot> CliFrontEnd::finalStatus() const {
    std::lock_guard lock(mutex_);
    return finalStatus_;
}

}  // namespace cli
