#include "platform/Directory.h"

#include "platform/Paths.h"
#include "platform/PlainText.h"
#include "platform/SystemError.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace platform {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    auto folded = [](char x, char y) { return lowerAscii(x) < lowerAscii(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded))
        return false;
    return a < b;  // names that differ only in case still get one fixed order
}

}  // namespace

Directory::Resolution Directory::resolve(const std::string& path) {
    Resolution result;
    if (path.empty()) {
        result.errorCode = ENOENT;
        result.errorText = errorText(result.errorCode);
        return result;
    }
    std::unique_ptr<char, FreeDeleter> full(realpath(path.c_str(), nullptr));
    struct stat status {};
    if (!full) {
        result.errorCode = errno;
    } else if (stat(full.get(), &status) != 0) {
        result.errorCode = errno;
    } else if (!S_ISDIR(status.st_mode)) {
        result.errorCode = ENOTDIR;
    } else if (access(full.get(), X_OK) != 0) {
        result.errorCode = errno;
    } else {
        result.absolutePath = full.get();
        return result;
    }
    if (result.errorCode == 0)
        result.errorCode = EIO;
    result.errorText = errorText(result.errorCode);
    return result;
}

std::vector<std::string> Directory::listFiles(const std::string& directory, std::string_view pattern) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory.empty() ? "." : directory.c_str()));
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || !matchesPattern(name, pattern))
            continue;
        struct stat status {};
        if (stat(join(directory, name).c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

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
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::string Directory::join(std::string_view directory, std::string_view name) {
    return joinPath(directory, name);
}

std::string Directory::errorText(int code) {
    // Windows message texts end with a line break, so the directory that
    // follows in "%sDirectory(%s)" starts a line of its own.
    return systemErrorText(code) + "\n";
}

}  // namespace platform
