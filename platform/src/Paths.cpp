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

std::string executableDirectory() {
    return parentDirectory(executablePath());
}

std::string joinPath(std::string_view directory, std::string_view name) {
    if (directory.empty())
        return std::string(name);
    std::string joined(directory);
    if (joined.back() != kPathSeparator)
        joined.push_back(kPathSeparator);
    joined.append(name);
    return joined;
}

std::string parentDirectory(std::string_view path) {
    std::size_t last = path.rfind(kPathSeparator);
    if (last == std::string_view::npos)
        return {};
    if (last == 0)
        return std::string(1, kPathSeparator);
    return std::string(path.substr(0, last));
}

std::string fileName(std::string_view path) {
    std::size_t last = path.rfind(kPathSeparator);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
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

bool setCurrentDirectory(const std::string& path, int* errorCode) {
    if (::chdir(path.c_str()) == 0)
        return true;
    if (errorCode != nullptr)
        *errorCode = errno;
    return false;
}

std::optional<std::string> environmentValue(const char* name) {
    const char* value = ::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

}  // namespace platform
