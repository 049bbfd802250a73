#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "cli/ProgressDisplay.h"
#include "core/UserNotifier.h"
#include "engine/OperationHost.h"

namespace cli {

// The user as the command line stands in for it: message boxes become lines
// on standard error, there is no window to disable, and the OK that ends an
// erase or write is given as soon as the engine asks for it. The status seen
// at that moment is kept, because the engine clears it once OK is given.
class CliHost : public core::UserNotifier, public engine::OperationHost {
  public:
    explicit CliHost(ProgressDisplay& display) : display_(display) {}

    void showMessage(const std::string& text, core::MessageIcon icon) override;
    void setMainWindowEnabled(bool) override {}
    void showStatusWindow(engine::StatusModel&) override {}
    void requestFinalOk(engine::StatusModel& status) override;
    // Each distinct remark once per run of the program: a getver of every
    // unit runs one operation per unit, and the user asked for one.
    void showNotice(const std::string& text) override;

    // The status of the last operation as it stood when its OK was asked for.
    std::optional<ProgressSnapshot> finalStatus() const;
    // Forgets it before the next operation starts.
    void clearFinalStatus();

    static ProgressSnapshot snapshotOf(const engine::StatusModel& status);

  private:
    ProgressDisplay& display_;
    mutable std::mutex mutex_;
    std::optional<ProgressSnapshot> finalStatus_;
    std::set<std::string> noticesShown_;
};

}  // namespace cli
