#include "cli/ProgressDisplay.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

// Cursor to the start of the line above, and erase a whole line.
constexpr const char* kCursorUpOneLine = "\r\x1b[1A";
constexpr const char* kEraseLine = "\x1b[2K";
constexpr const char* kRedText = "\x1b[31m";
constexpr const char* kPlainText = "\x1b[0m";

}  // namespace

ProgressDisplay::ProgressDisplay(std::ostream& progressOut, std::ostream& messageOut, Style style)
    : progressOut_(progressOut), messageOut_(messageOut), style_(style) {}

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

void ProgressDisplay::update(const ProgressSnapshot& snapshot) {
    std::lock_guard lock(mutex_);
    if (hasShown_ && snapshot == shown_) {
        return;
    }
    shown_ = snapshot;
    hasShown_ = true;
    switch (style_) {
        case Style::Redrawn:
            eraseLocked();
            drawLocked();
            break;
        case Style::PlainLines:
            if (!snapshot.statusText.empty() && snapshot.statusText != lastPlainStatus_) {
                lastPlainStatus_ = snapshot.statusText;
                progressOut_ << snapshot.statusText << std::endl;
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
    if (drawn_) {
        progressOut_ << '\n' << std::flush;
        drawn_ = false;
    }
}

}  // namespace cli
