#pragma once

#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>

#include "core/UserNotifier.h"

namespace cli {

// The part of the engine's status record that the command line shows.
struct ProgressSnapshot {
    std::string fileName;
    std::string statusText;
    bool errorFlag = false;
    std::int32_t currentTotal = 0;
    std::int32_t currentPos = 0;
    std::int32_t overallTotal = 0;
    std::int32_t overallPos = 0;

    bool operator==(const ProgressSnapshot&) const = default;
};

// Shows a running operation: on a terminal a two-line display redrawn in place
// (status text; Current and Total bars with percent), otherwise one plain line
// per new status text. Message boxes of the engine arrive here from its worker
// thread and go to the message stream as lines, without tearing the display.
class ProgressDisplay {
  public:
    enum class Style { Redrawn, PlainLines, Silent };

    static constexpr int kBarWidth = 20;

    ProgressDisplay(std::ostream& progressOut, std::ostream& messageOut, Style style);

    void update(const ProgressSnapshot& snapshot);
    void message(const std::string& text, core::MessageIcon icon);
    // Leaves the last state on screen and ends the display's lines.
    void finish();

    // "[#####...............]  25%"; a total of 0 or less counts as empty.
    static std::string bar(std::int32_t position, std::int32_t total);
    static int percent(std::int32_t position, std::int32_t total);
    static std::string messageLine(const std::string& text, core::MessageIcon icon);

  private:
    void eraseLocked();
    void drawLocked();

    std::mutex mutex_;
    std::ostream& progressOut_;
    std::ostream& messageOut_;
    const Style style_;
    ProgressSnapshot shown_;
    bool hasShown_ = false;
    bool drawn_ = false;
    std::string lastPlainStatus_;
};

}  // namespace cli
