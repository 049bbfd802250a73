#pragma once

// Reads back a communication log that a session filled with looped-back
// messages (each logged as an 'L' line) and the record of the MessageSend
// calls that made them: one line per call, the message in the log's hex form,
// '|', and the milliseconds the call took.

#include <cctype>
#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

namespace looped_log {

struct Call {
    std::string bytes;  // "06 41 00 1f 00 07 5a "
    long long milliseconds = 0;
};

// A call that took this long may have found the log ring full for its whole
// wait and lost its entry; a shorter one had its entry accepted.
inline constexpr long long kFullWaitMs = 1000;

inline std::vector<Call> parseCalls(const std::string& text) {
    std::vector<Call> calls;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t bar = line.find('|');
        if (bar != std::string::npos) {
            calls.push_back(Call{line.substr(0, bar), std::stoll(line.substr(bar + 1))});
        }
    }
    return calls;
}

// The log's lines without their CR LF; `whole` tells whether every line,
// the last one too, ended with one.
inline std::vector<std::string> splitLines(const std::string& text, bool& whole) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    whole = start == text.size();
    return lines;
}

// "HH:MM:SS MM/DD/YYYY", ten characters of elapsed time, ":L", the bytes.
inline bool loopedBytes(const std::string& line, std::string& bytes) {
    static const std::string pattern = "dd:dd:dd dd/dd/dddd";
    if (line.size() < pattern.size() + 12 || line.compare(pattern.size() + 10, 2, ":L") != 0) {
        return false;
    }
    for (std::size_t index = 0; index < pattern.size(); ++index) {
        const bool digit = std::isdigit(static_cast<unsigned char>(line[index])) != 0;
        if (pattern[index] == 'd' ? !digit : line[index] != pattern[index]) {
            return false;
        }
    }
    bytes = line.substr(pattern.size() + 12);
    return true;
}

struct Comparison {
    std::vector<bool> logged;  // per call: its line is in the log
    std::string problem;       // empty when the log and the calls agree

    // How many of the calls from `first` up to (not including) `end` are logged.
    std::size_t loggedAmong(std::size_t first, std::size_t end) const {
        std::size_t count = 0;
        for (std::size_t index = first; index < end && index < logged.size(); ++index) {
            count += logged[index] ? 1 : 0;
        }
        return count;
    }
};

// The 'L' lines must be the calls' messages in the order of the calls, each
// at most once; a call may be missing only when it waited its full second.
// With `toTheEnd` false the log may stop early: calls after its last 'L' line
// are not asked for.
inline Comparison compare(const std::vector<std::string>& lines, const std::vector<Call>& calls,
                          bool toTheEnd) {
    Comparison result;
    result.logged.assign(calls.size(), false);
    std::size_t next = 0;
    auto skipUntil = [&](std::size_t end) {
        for (; next < end; ++next) {
            if (calls[next].milliseconds < kFullWaitMs) {
                result.problem = "call " + std::to_string(next) + " (" + calls[next].bytes + ") took " +
                                 std::to_string(calls[next].milliseconds) + " ms and is not in the log";
                return false;
            }
        }
        return true;
    };
    std::string bytes;
    for (const std::string& line : lines) {
        if (!loopedBytes(line, bytes)) {
            continue;
        }
        std::size_t match = next;
        while (match < calls.size() && calls[match].bytes != bytes) {
            ++match;
        }
        if (match == calls.size()) {
            result.problem = "a line that no later call explains (repeated or out of order): " + line;
            return result;
        }
        if (!skipUntil(match)) {
            return result;
        }
        result.logged[match] = true;
        next = match + 1;
    }
    if (toTheEnd) {
        skipUntil(calls.size());
    }
    return result;
}

inline constexpr const char* kLogStartLine = "**********LogStart**********";

// A session whose reader paused while the ring overflowed and then read up to
// the end: the log starts as every log does, every accepted call is in it,
// calls lost their entries before the reader came back, logging went on
// after it, and the unload's two lines close the log. Empty when all holds.
inline std::string problemWithResumedLog(const std::vector<std::string>& log, const std::vector<Call>& calls,
                                         std::size_t callsAfterResume) {
    if (log.size() < 2 || log.front() != kLogStartLine) {
        return "the log does not start with the LogStart line";
    }
    if (log[log.size() - 2] != "------:E00 ( Err ) TRX.DLL - DLL UNLOAD." ||
        log.back() != "**********Log Close**********") {
        return "the log does not end with the unload's lines but with: " + log[log.size() - 2] + " / " +
               log.back();
    }
    const Comparison comparison = compare(log, calls, true);
    if (!comparison.problem.empty()) {
        return comparison.problem;
    }
    if (calls.size() <= callsAfterResume) {
        return "too few calls";
    }
    const std::size_t resumedAt = calls.size() - callsAfterResume;
    if (comparison.loggedAmong(0, resumedAt) + 3 > resumedAt) {
        return "fewer than three calls lost their entries: the ring never overflowed";
    }
    if (comparison.loggedAmong(resumedAt, calls.size()) == 0) {
        return "nothing was logged after the reader came back";
    }
    return {};
}

// A session whose reader read nothing before the library was unloaded: what
// reached the pipe is the start of the log, with the calls in order; the rest
// may be lost.
inline std::string problemWithUnfinishedLog(const std::vector<std::string>& log,
                                            const std::vector<Call>& calls) {
    if (log.empty() || log.front() != kLogStartLine) {
        return "the log does not start with the LogStart line";
    }
    return compare(log, calls, false).problem;
}

}  // namespace looped_log
