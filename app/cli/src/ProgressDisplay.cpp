#include "cli/ProgressDisplay.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/FleetFeed.h"

namespace cli {

namespace {

// Cursor to the start of the line above, and erase a whole line.
constexpr const char* kCursorUpOneLine = "\r\x1b[1A";
constexpr const char* kEraseLine = "\x1b[2K";
constexpr const char* kRedText = "\x1b[31m";
constexpr const char* kPlainText = "\x1b[0m";

}  // namespace

ProgressDisplay::ProgressDisplay(std::ostream& progressOut, std::ostream& messageOut, Style style)
    : progressOut_(progressOut), messageOut_(messageOut), baseStyle_(style), style_(style) {}

int ProgressDisplay::percent(std::int32_t position, std::int32_t total) {
    if (total <= 0) {
        return 0;
    }
    const auto clamped = std::clamp<std::int64_t>(position, 0, total);
    return static_cast<int>(clamped * 100 / total);
}

std::string ProgressDisplay::bar(std::int32_t position, std::int32_t total) {
    const int filled =
        total <= 0 ? 0 : static_cast<int>(std::clamp<std::int64_t>(position, 0, total) * kBarWidth / total);
    char tail[8];
    std::snprintf(tail, sizeof tail, " %3d%%", percent(position, total));
    return "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "]" + tail;
}

std::string ProgressDisplay::messageLine(const std::string& text, core::MessageIcon icon) {
    switch (icon) {
        case core::MessageIcon::Stop:
            return "flashkit-cli: error: " + text;
        case core::MessageIcon::Warning:
            return "flashkit-cli: warning: " + text;
        case core::MessageIcon::Information:
        case core::MessageIcon::None:
            break;
    }
    return "flashkit-cli: " + text;
}

void ProgressDisplay::eraseLocked() {
    if (drawn_) {
        progressOut_ << kEraseLine << kCursorUpOneLine << kEraseLine;
        drawn_ = false;
    }
}

void ProgressDisplay::drawLocked() {
    std::string statusLine = shown_.statusText;
    if (!shown_.fileName.empty()) {
        statusLine = shown_.fileName + "  " + statusLine;
    }
    progressOut_ << '\r' << kEraseLine;
    if (shown_.errorFlag) {
        progressOut_ << kRedText << statusLine << kPlainText;
    } else {
        progressOut_ << statusLine;
    }
    progressOut_ << '\n'
                 << kEraseLine << "Current " << bar(shown_.currentPos, shown_.currentTotal) << "   Total "
                 << bar(shown_.overallPos, shown_.overallTotal) << std::flush;
    drawn_ = true;
}

void ProgressDisplay::beginOperation(bool showProgress) {
    std::lock_guard lock(mutex_);
    eraseLocked();
    // A feed reports every operation's start and end, and the progress of those that show it.
    style_ = showProgress || baseStyle_ == Style::Feed ? baseStyle_ : Style::Silent;
    feedShowsProgress_ = showProgress;
    fedStatus_.clear();
    fedPercent_ = -1;
    fedError_ = false;
    shown_ = ProgressSnapshot{};
    plainPrinted_.clear();
    plainPending_.clear();
    plainPrintedAt_ = Clock::time_point{};
}

std::string ProgressDisplay::statusKind(const std::string& text) {
    std::string kind;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = position;
        bool digit = false;
        while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])) != 0) {
            digit = digit || std::isdigit(static_cast<unsigned char>(text[end])) != 0;
            ++end;
        }
        if (end == position) {
            kind += text[position++];
        } else {
            kind += digit ? std::string("#") : text.substr(position, end - position);
            position = end;
        }
    }
    return kind;
}

void ProgressDisplay::printPlainLocked(const std::string& text, Clock::time_point now) {
    if (text.empty() || text == plainPrinted_) {
        return;
    }
    const bool sameKind = !plainPrinted_.empty() && statusKind(text) == statusKind(plainPrinted_);
    if (sameKind && now - plainPrintedAt_ < kPlainLinePeriod) {
        plainPending_ = text;
        return;
    }
    progressOut_ << text << std::endl;
    plainPrinted_ = text;
    plainPending_.clear();
    plainPrintedAt_ = now;
}

void ProgressDisplay::feedLocked(const std::string& line) {
    messageOut_ << line << std::endl;
}

void ProgressDisplay::stepStarted(const std::string& operation, const std::string& unit) {
    std::lock_guard lock(mutex_);
    if (baseStyle_ == Style::Feed) {
        feedLocked(FleetFeed::line(FeedRecord::started(operation, unit)));
    }
}

void ProgressDisplay::stepEnded(const std::string& operation, const std::string& unit,
                                const std::string& result) {
    std::lock_guard lock(mutex_);
    if (baseStyle_ == Style::Feed) {
        feedLocked(FleetFeed::line(FeedRecord::ended(operation, unit, result)));
    }
}

void ProgressDisplay::feedProgressLocked(const ProgressSnapshot& snapshot, Clock::time_point now) {
    if (!feedShowsProgress_ || snapshot.statusText.empty()) {
        return;
    }
    const int shownPercent = percent(snapshot.overallPos, snapshot.overallTotal);
    if (snapshot.statusText == fedStatus_ && shownPercent == fedPercent_ && snapshot.errorFlag == fedError_) {
        return;
    }
    // A new kind of status goes at once; one that only counts on waits its turn.
    const bool newKind =
        statusKind(snapshot.statusText) != statusKind(fedStatus_) || snapshot.errorFlag != fedError_;
    if (!newKind && now - fedAt_ < kFeedPeriod) {
        return;
    }
    feedLocked(FleetFeed::line(FeedRecord::progress(snapshot.statusText, shownPercent, snapshot.errorFlag)));
    fedStatus_ = snapshot.statusText;
    fedPercent_ = shownPercent;
    fedError_ = snapshot.errorFlag;
    fedAt_ = now;
}

void ProgressDisplay::update(const ProgressSnapshot& snapshot, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    switch (style_) {
        case Style::Feed:
            feedProgressLocked(snapshot, now);
            break;
        case Style::PlainLines:
            // Looked at on every call: a held-back line is due once its period is over.
            printPlainLocked(snapshot.statusText, now);
            break;
        case Style::Redrawn:
            if (!drawn_ || snapshot != shown_) {
                shown_ = snapshot;
                eraseLocked();
                drawLocked();
            }
            break;
        case Style::Silent:
            break;
    }
}

void ProgressDisplay::message(const std::string& text, core::MessageIcon icon) {
    std::lock_guard lock(mutex_);
    const bool redraw = drawn_;
    eraseLocked();
    progressOut_ << std::flush;
    messageOut_ << messageLine(text, icon) << std::endl;
    if (redraw) {
        drawLocked();
    }
}

void ProgressDisplay::finish() {
    std::lock_guard lock(mutex_);
    // The last status of a plain log is always shown, even when it came fast.
    if (!plainPending_.empty()) {
        progressOut_ << plainPending_ << std::endl;
        plainPrinted_ = plainPending_;
        plainPending_.clear();
    }
    if (drawn_) {
        progressOut_ << '\n' << std::flush;
        drawn_ = false;
    }
}

}  // namespace cli
