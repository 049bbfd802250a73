#include "platform/Paths.h"

namespace platform {
namespace {

std::size_t lastSeparator(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isPathSeparator(path[i - 1]))
            return i - 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::string executableDirectory() {
    return parentDirectory(executablePath());
}

std::string joinPath(std::string_view directory, std::string_view name) {
    if (directory.empty())
        return std::string(name);
    std::string joined(directory);
    if (!isPathSeparator(joined.back()))
        joined.push_back(kPathSeparator);
    joined.append(name);
    return joined;
}

std::string parentDirectory(std::string_view path) {
    std::size_t last = lastSeparator(path);
    if (last == std::string_view::npos)
        return {};
    if (last == 0)
        return std::string(1, path[0]);
    return std::string(path.substr(0, last));
}

std::string fileName(std::string_view path) {
    std::size_t last = lastSeparator(path);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

}  // namespace platform
