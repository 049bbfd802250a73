#include "platform/Paths.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace platform {

std::string executablePath() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        // The link text filled the buffer, so it may be cut: try a larger one.
        buffer.resize(buffer.size() * 2);
    }
}

bool isPathSeparator(char c) {
    return c == kPathSeparator;
}

bool isAbsolutePath(std::string_view path) {
    return !path.empty() && path.front() == kPathSeparator;
}

FileKind fileKind(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return FileKind::Missing;
    return S_ISDIR(status.st_mode) ? FileKind::Directory : FileKind::Other;
}

std::optional<std::string> absolutePath(const std::string& path) {
    std::unique_ptr<char, decltype(&::free)> resolved(::realpath(path.c_str(), nullptr), &::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

std::string currentDirectory() {
    std::unique_ptr<char, decltype(&::free)> current(::getcwd(nullptr, 0), &::free);
    return current ? std::string(current.get()) : std::string();
}

Result<void> setCurrentDirectory(const std::string& path) {
    if (::chdir(path.c_str()) != 0)
        return SystemError::last();
    return {};
}

std::optional<std::string> environmentValue(const char* name) {
    const char* value = ::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

}  // namespace platform
