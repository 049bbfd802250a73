#include "platform/Directory.h"

#include <algorithm>

#include "platform/Paths.h"
#include "platform/PlainText.h"
#include "platform/SystemError.h"

namespace platform {

bool Directory::matchesPattern(std::string_view name, std::string_view pattern) {
    // Greedy matching with one back-track point for the last "*" seen.
    std::size_t n = 0, p = 0;
    std::size_t starAt = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string Directory::nativePath(std::string_view path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', kPathSeparator);
    return native;
}

std::string Directory::join(std::string_view directory, std::string_view name) {
    return joinPath(directory, name);
}

std::string Directory::errorText(const SystemError& error) {
    // Windows message texts end with a line break, so the directory that
    // follows in "%sDirectory(%s)" starts a line of its own.
    return error.text() + "\n";
}

void Directory::sortByName(std::vector<std::string>& names) {
    auto lessIgnoringCase = [](const std::string& a, const std::string& b) {
        auto folded = [](char x, char y) { return lowerAscii(x) < lowerAscii(y); };
        if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded))
            return true;
        if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded))
            return false;
        return a < b;
    };
    std::sort(names.begin(), names.end(), lessIgnoringCase);
}

}  // namespace platform
