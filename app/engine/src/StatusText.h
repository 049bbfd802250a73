#pragma once

#include <cstdio>
#include <string>

namespace engine {

// A status or message text from its printf pattern, as the operator sees it.
// The texts are short; a longer one is cut, never overrun.
template <typename... Args>
std::string formatText(const char* pattern, Args... args) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

// The last line of an attempt that did what it was asked.
inline std::string completedText(bool write, int retry) {
    return formatText(write ? "=== Write Completed (Retry=%d) ===" : "=== Erase Completed (Retry=%d) ===",
                      retry);
}

}  // namespace engine
