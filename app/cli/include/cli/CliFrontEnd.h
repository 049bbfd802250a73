#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "cli/ProgressDisplay.h"
#include "core/UserNotifier.h"
#include "engine/FrontEnd.h"

namespace cli {

// The user as the command line stands in for it: message boxes become lines
// on standard error; there are no windows and nobody to give the OK that
// ends an erase or write. The status seen when the OK is asked for is kept,
// because the engine clears it once the OK is given.
class CliFrontEnd : public core::UserNotifier, public engine::NullFrontEnd {
  public:
    explicit CliFrontEnd(ProgressDisplay& display) : display_(display) {}

    void showMessage(const std::string& text, core::MessageIcon icon) override;
    bool askForOk(const engine::StatusModel& status) override;
    // Each distinct remark once per run of the program: a getver of every
    // unit runs one operation per unit, and the user asked for one.
    void showNotice(const std::string& text) override;

    // The status of the last erase or write as it stood when its OK was asked for.
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
