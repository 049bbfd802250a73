#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/FleetFeed.h"

namespace cli {

// Shows several consoles at work at once. On a terminal one line per
// console (port, unit at work, phase, status, percent, result so far),
// redrawn in place; otherwise plain lines, one when a console starts
// something new and otherwise at most every kPlainLinePeriod per console.
// The consoles' messages go to the message stream with their port in front.
// Every call may come from any thread.
class FleetDisplay {
  public:
    enum class Style { Redrawn, PlainLines, Silent };
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kRedrawPeriod{100};
    static constexpr std::chrono::milliseconds kPlainLinePeriod{5000};
    // Width of the port column of the live lines; longer names (by-id
    // links) show their end.
    static constexpr std::size_t kPortColumn = 32;

    // columns: the terminal's width (0: unknown).
    FleetDisplay(std::ostream& progressOut, std::ostream& messageOut, Style style,
                 std::vector<std::string> ports, int columns = 0);

    void record(std::size_t console, const FeedRecord& record, Clock::time_point now);
    // A message line of the console's program ("flashkit-cli: error: ...").
    void message(std::size_t console, const std::string& line);
    // A message of this program's own.
    void note(const std::string& text);
    // The console's program has ended with this result ("Ok", "Failed", "Cancelled").
    void finished(std::size_t console, const std::string& result, Clock::time_point now);
    // Draws what changed since the last call (redrawn lines at most every
    // kRedrawPeriod) and prints plain lines that have become due.
    void refresh(Clock::time_point now);
    // Leaves the last state on screen; nothing is drawn afterwards.
    void finish();

    // What the console's live line shows now.
    std::string liveLine(std::size_t console) const;
    // "1 written, 1 failed"; empty before anything was written.
    std::string tally(std::size_t console) const;

  private:
    struct Console {
        std::string port;
        std::string unit;
        std::string phase;
        std::string status;
        int percent = -1;  // -1: the operation shows none
        int written = 0;
        int failed = 0;
        std::set<std::string> writtenUnits;
        bool done = false;
        std::string result;
        // Plain lines: the last printed, one held back, and when.
        std::string plainPrinted;
        std::string plainPending;
        Clock::time_point plainPrintedAt{};
    };

    std::string liveLineLocked(const Console& console) const;
    std::string tallyLocked(const Console& console) const;
    std::string plainLineLocked(const Console& console) const;
    void plainLocked(Console& console, Clock::time_point now, bool always);
    void eraseLocked();
    void drawLocked();
    void changedLocked(Console& console, Clock::time_point now, bool newKind);

    mutable std::mutex mutex_;
    std::ostream& progressOut_;
    std::ostream& messageOut_;
    Style style_;
    std::size_t lineWidth_;
    std::vector<Console> consoles_;
    bool drawn_ = false;
    bool dirty_ = true;
    bool finished_ = false;
    Clock::time_point drawnAt_{};
};

}  // namespace cli
