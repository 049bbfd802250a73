#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "engine/CommLogLine.h"
#include "engine/LogTrace.h"

namespace engine::trace {

inline constexpr std::int64_t kMsPerSecond = 1000;

// Times of the data lines. Each line gives the milliseconds since the last
// line of its own direction, the first of each since the log started; their
// sums are the exact milliseconds since the start. The whole-second time
// stamps pin the start to a one-second window, and a sum that leaves the
// window shows that entries were lost (or the clock was set).
class LogClock {
  public:
    void startLog() {
        started_ = true;
        sums_ = {};
        anchored_ = false;
        firstStamp_.reset();
    }

    // The moment of a data line; false in inconsistent when the line
    // contradicts the lines before it.
    LogMoment at(const commlog::LogLine& line, std::uint64_t lineNumber, bool& inconsistent) {
        inconsistent = false;
        LogMoment moment;
        moment.line = lineNumber;
        moment.stamp = line.stamp;
        const std::int64_t wallMs = line.stamp.secondsSinceEpoch() * kMsPerSecond;
        if (!firstStamp_) {
            firstStamp_ = wallMs;
        }
        if (!started_) {
            // No start line: only the seconds of the stamps are known.
            moment.atMs = wallMs - *firstStamp_;
            moment.exact = false;
            return moment;
        }
        std::int64_t& sum = sums_[indexOf(line.direction)];
        sum += line.elapsedMs;
        moment.atMs = sum;
        moment.exact = true;
        const std::int64_t low = wallMs - sum;
        const std::int64_t high = wallMs + kMsPerSecond - 1 - sum;
        if (!anchored_) {
            anchorLow_ = low;
            anchorHigh_ = high;
            anchored_ = true;
        } else if (high < anchorLow_ || low > anchorHigh_) {
            inconsistent = true;
            anchorLow_ = low;
            anchorHigh_ = high;
        } else {
            anchorLow_ = std::max(anchorLow_, low);
            anchorHigh_ = std::min(anchorHigh_, high);
        }
        return moment;
    }

  private:
    static std::size_t indexOf(commlog::Direction direction) {
        switch (direction) {
            case commlog::Direction::Received:
                return 0;
            case commlog::Direction::Sent:
                return 1;
            case commlog::Direction::Local:
                return 2;
        }
        return 0;
    }

    bool started_ = false;
    std::array<std::int64_t, 3> sums_{};
    std::optional<std::int64_t> firstStamp_;
    bool anchored_ = false;
    std::int64_t anchorLow_ = 0;
    std::int64_t anchorHigh_ = 0;
};

}  // namespace engine::trace
