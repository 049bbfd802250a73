#include "cli/FleetDisplay.h"

#include <algorithm>

#include "cli/ProgressDisplay.h"

namespace cli {

namespace {

constexpr std::string_view kProgramPrefix = "flashkit-cli: ";
// Cursor up by a count, to the line's start; erase the line; erase to the end of the screen.
constexpr const char* kEraseLine = "\x1b[2K";
constexpr const char* kEraseBelow = "\x1b[J";
constexpr std::size_t kUnknownWidth = 80;
constexpr std::size_t kUnitColumn = 6;
constexpr std::size_t kPhaseColumn = 16;

// The text cut to at most width bytes, on a character boundary.
std::string cut(const std::string& text, std::size_t width) {
    if (text.size() <= width) {
        return text;
    }
    std::size_t end = width;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

std::string padded(const std::string& text, std::size_t width) {
    std::string shown = cut(text, width);
    return shown + std::string(width - shown.size(), ' ');
}

// A long port name shows its end, where by-id links carry the serial number.
std::string portColumn(const std::string& port, std::size_t width) {
    if (port.size() <= width) {
        return port;
    }
    std::size_t start = port.size() - (width - 3);
    while (start < port.size() && (static_cast<unsigned char>(port[start]) & 0xC0) == 0x80) {
        ++start;
    }
    return "..." + port.substr(start);
}

std::string phaseOf(const std::string& operation, bool unitWritten) {
    if (operation == "getver") {
        return unitWritten ? "verifying" : "reading versions";
    }
    if (operation == "write") {
        return "writing";
    }
    if (operation == "erase") {
        return "erasing";
    }
    return operation;
}

}  // namespace

FleetDisplay::FleetDisplay(std::ostream& progressOut, std::ostream& messageOut, Style style,
                           std::vector<std::string> ports, int columns)
    : progressOut_(progressOut),
      messageOut_(messageOut),
      style_(style),
      // The last column stays free: a full line would wrap on some terminals.
      lineWidth_(columns > 1 ? static_cast<std::size_t>(columns) - 1 : kUnknownWidth - 1) {
    for (std::string& port : ports) {
        Console console;
        console.port = std::move(port);
        consoles_.push_back(std::move(console));
    }
}

std::string FleetDisplay::tallyLocked(const Console& console) const {
    std::string text;
    if (console.written > 0) {
        text = std::to_string(console.written) + " written";
    }
    if (console.failed > 0) {
        text += (text.empty() ? "" : ", ") + std::to_string(console.failed) + " failed";
    }
    return text;
}

std::string FleetDisplay::tally(std::size_t console) const {
    std::lock_guard lock(mutex_);
    return console < consoles_.size() ? tallyLocked(consoles_[console]) : std::string();
}

std::string FleetDisplay::liveLineLocked(const Console& console) const {
    // Port, unit at work, phase, percent and the result so far line up in
    // columns; the engine's status comes last, where a narrow terminal cuts it.
    std::size_t portWidth = 0;
    std::size_t tallyWidth = 0;
    for (const Console& each : consoles_) {
        portWidth = std::max(portWidth, portColumn(each.port, kPortColumn).size());
        tallyWidth = std::max(tallyWidth, tallyLocked(each).size());
    }
    std::string line = padded(portColumn(console.port, kPortColumn), portWidth) + "  ";
    const std::string tallyText = tallyLocked(console);
    if (console.done) {
        line += "done: " + console.result + (tallyText.empty() ? "" : " (" + tallyText + ")");
    } else {
        std::string percent;
        if (console.percent >= 0) {
            percent = std::to_string(std::min(console.percent, 100)) + "%";
            percent.insert(0, 4 - percent.size(), ' ');
        }
        line += padded(console.unit.empty() ? "-" : console.unit, kUnitColumn) + "  " +
                padded(console.phase.empty() ? "starting" : console.phase, kPhaseColumn) + "  " +
                padded(percent, 4) + "  " + padded(tallyText, tallyWidth) + "  " + console.status;
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return cut(line, lineWidth_);
}

std::string FleetDisplay::liveLine(std::size_t console) const {
    std::lock_guard lock(mutex_);
    return console < consoles_.size() ? liveLineLocked(consoles_[console]) : std::string();
}

std::string FleetDisplay::plainLineLocked(const Console& console) const {
    const std::string tallyText = tallyLocked(console);
    if (console.done) {
        return console.port + ": done: " + console.result + (tallyText.empty() ? "" : " (" + tallyText + ")");
    }
    std::string line = console.port + ": " + (console.unit.empty() ? "" : console.unit + " ") + console.phase;
    if (!console.status.empty()) {
        line += ": " + console.status;
    }
    if (console.percent >= 0) {
        line += " (" + std::to_string(console.percent) + "%)";
    }
    return line;
}

void FleetDisplay::plainLocked(Console& console, Clock::time_point now, bool always) {
    const std::string text = plainLineLocked(console);
    if (text == console.plainPrinted) {
        console.plainPending.clear();
        return;
    }
    if (!always && now - console.plainPrintedAt < kPlainLinePeriod) {
        console.plainPending = text;
        return;
    }
    progressOut_ << text << std::endl;
    console.plainPrinted = text;
    console.plainPending.clear();
    console.plainPrintedAt = now;
}

void FleetDisplay::changedLocked(Console& console, Clock::time_point now, bool newKind) {
    dirty_ = true;
    if (style_ == Style::PlainLines && !finished_) {
        plainLocked(console, now, newKind);
    }
}

void FleetDisplay::record(std::size_t console, const FeedRecord& record, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (console >= consoles_.size()) {
        return;
    }
    Console& state = consoles_[console];
    const std::string kindBefore = ProgressDisplay::statusKind(plainLineLocked(state));
    switch (record.kind) {
        case FeedRecord::Kind::Started:
            state.unit = record.unit;
            state.phase = phaseOf(record.operation, state.writtenUnits.count(record.unit) != 0);
            state.status.clear();
            state.percent = -1;
            break;
        case FeedRecord::Kind::Progress:
            // The engine indents some texts for its progress window; the columns here align them.
            state.status =
                record.status.substr(std::min(record.status.find_first_not_of(' '), record.status.size()));
            state.percent = record.percent;
            break;
        case FeedRecord::Kind::Ended:
            if (record.operation == "write") {
                state.writtenUnits.insert(record.unit);
                if (record.result == "Ok") {
                    ++state.written;
                } else if (record.result != "Cancelled") {
                    ++state.failed;
                }
            }
            state.status = record.result;
            state.percent = -1;
            break;
    }
    changedLocked(state, now, ProgressDisplay::statusKind(plainLineLocked(state)) != kindBefore);
}

void FleetDisplay::finished(std::size_t console, const std::string& result, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (console >= consoles_.size()) {
        return;
    }
    consoles_[console].done = true;
    consoles_[console].result = result;
    changedLocked(consoles_[console], now, true);
}

void FleetDisplay::eraseLocked() {
    if (drawn_) {
        progressOut_ << "\x1b[" << consoles_.size() << "A\r" << kEraseBelow << std::flush;
        drawn_ = false;
    }
}

void FleetDisplay::drawLocked() {
    if (drawn_) {
        progressOut_ << "\x1b[" << consoles_.size() << "A";
    }
    for (const Console& console : consoles_) {
        progressOut_ << '\r' << kEraseLine << liveLineLocked(console) << '\n';
    }
    progressOut_ << std::flush;
    drawn_ = true;
    dirty_ = false;
}

void FleetDisplay::message(std::size_t console, const std::string& line) {
    std::string text = line;
    if (text.compare(0, kProgramPrefix.size(), kProgramPrefix) == 0) {
        text.erase(0, kProgramPrefix.size());
    }
    std::lock_guard lock(mutex_);
    const std::string port = console < consoles_.size() ? consoles_[console].port : std::string("?");
    const bool redraw = drawn_;
    eraseLocked();
    progressOut_ << std::flush;
    messageOut_ << kProgramPrefix << port << ": " << text << std::endl;
    if (redraw && !finished_) {
        drawLocked();
    }
}

void FleetDisplay::note(const std::string& text) {
    std::lock_guard lock(mutex_);
    const bool redraw = drawn_;
    eraseLocked();
    progressOut_ << std::flush;
    messageOut_ << kProgramPrefix << text << std::endl;
    if (redraw && !finished_) {
        drawLocked();
    }
}

void FleetDisplay::refresh(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (finished_) {
        return;
    }
    switch (style_) {
        case Style::Redrawn:
            if ((dirty_ || !drawn_) && now - drawnAt_ >= kRedrawPeriod) {
                drawLocked();
                drawnAt_ = now;
            }
            break;
        case Style::PlainLines:
            for (Console& console : consoles_) {
                if (!console.plainPending.empty()) {
                    plainLocked(console, now, false);
                }
            }
            break;
        case Style::Silent:
            break;
    }
}

void FleetDisplay::finish() {
    std::lock_guard lock(mutex_);
    if (finished_) {
        return;
    }
    if (style_ == Style::Redrawn) {
        drawLocked();
    } else if (style_ == Style::PlainLines) {
        for (Console& console : consoles_) {
            plainLocked(console, Clock::now(), true);
        }
    }
    finished_ = true;
}

}  // namespace cli
