#pragma once

#include <chrono>
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
// (status text; Current and Total bars with percent), otherwise plain lines of
// status text. A plain line is printed for every new kind of status, and for
// texts that only count on (one per block written) at most once a second, so
// a log stays readable. Message boxes of the engine arrive here from its
// worker thread and go to the message stream as lines, without tearing the
// display. A program started as one console of several reports instead in
// records (FleetFeed) on the message stream, for the program that started it.
class ProgressDisplay {
  public:
    enum class Style { Redrawn, PlainLines, Silent, Feed };
    // Feed: how often a status that only counts on is reported.
    static constexpr std::chrono::milliseconds kFeedPeriod{250};

    static constexpr int kBarWidth = 20;
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kPlainLinePeriod{1000};

    ProgressDisplay(std::ostream& progressOut, std::ostream& messageOut, Style style);

    // Starts the display of a new operation of a run of several: nothing of
    // the previous one is held back or counted as already shown, and its
    // progress is shown in the style the display was made with, or not at all
    // (operations without a status window, get version, show only messages).
    void beginOperation(bool showProgress);

    // An operation starts on a unit (empty: on every unit) and ends with the
    // engine's result name; only a feed reports them.
    void stepStarted(const std::string& operation, const std::string& unit);
    void stepEnded(const std::string& operation, const std::string& unit, const std::string& result);

    void update(const ProgressSnapshot& snapshot) { update(snapshot, Clock::now()); }
    void update(const ProgressSnapshot& snapshot, Clock::time_point now);
    void message(const std::string& text, core::MessageIcon icon);
    // Leaves the last state on screen and ends the display's lines.
    void finish();

    // "[#####...............]  25%"; a total of 0 or less counts as empty.
    static std::string bar(std::int32_t position, std::int32_t total);
    static int percent(std::int32_t position, std::int32_t total);
    static std::string messageLine(const std::string& text, core::MessageIcon icon);
    // The text with every number (a run of hexadecimal characters holding a
    // digit) replaced by "#": "Writing 00200080H" and "Writing 00200100H" are
    // one kind of status.
    static std::string statusKind(const std::string& text);

  private:
    void eraseLocked();
    void drawLocked();
    void printPlainLocked(const std::string& text, Clock::time_point now);
    void feedProgressLocked(const ProgressSnapshot& snapshot, Clock::time_point now);
    void feedLocked(const std::string& line);

    std::mutex mutex_;
    std::ostream& progressOut_;
    std::ostream& messageOut_;
    const Style baseStyle_;
    Style style_;
    ProgressSnapshot shown_;
    bool drawn_ = false;
    std::string plainPrinted_;  // last status text printed as a plain line
    std::string plainPending_;  // a newer text of the same kind, not printed yet
    Clock::time_point plainPrintedAt_{};
    // Feed: whether the operation shows progress, and what was last reported.
    bool feedShowsProgress_ = false;
    std::string fedStatus_;
    int fedPercent_ = -1;
    bool fedError_ = false;
    Clock::time_point fedAt_{};
};

}  // namespace cli
