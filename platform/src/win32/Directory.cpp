#include "platform/Directory.h"

#include <windows.h>

#include "WideText.h"
#include "platform/Paths.h"

namespace platform {

Result<std::string> Directory::resolve(const std::string& path) {
    if (path.empty()) {
        return SystemError::notFound();
    }
    const std::optional<std::string> full = absolutePath(path);
    const DWORD attributes = full ? ::GetFileAttributesW(widen(*full).c_str()) : INVALID_FILE_ATTRIBUTES;
    if (!full || attributes == INVALID_FILE_ATTRIBUTES) {
        return full ? SystemError::last() : SystemError::fromCode(ERROR_PATH_NOT_FOUND);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return SystemError::fromCode(ERROR_DIRECTORY);
    }
    return *full;
}

std::vector<std::string> Directory::listFiles(const std::string& directory, std::string_view pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry{};
    const std::wstring search = widen(joinPath(directory.empty() ? "." : directory, "*"));
    HANDLE find = ::FindFirstFileW(search.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        std::string name = narrow(entry.cFileName);
        // Matched here rather than by the system, whose wildcards also
        // match the short 8.3 names.
        if (matchesPattern(name, pattern))
            names.push_back(std::move(name));
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    sortByName(names);
    return names;
}

Result<void> Directory::create(const std::string& path) {
    if (::CreateDirectoryW(widen(path).c_str(), nullptr) ||
        (::GetLastError() == ERROR_ALREADY_EXISTS && fileKind(path) == FileKind::Directory)) {
        return {};
    }
    return SystemError::last();
}

}  // namespace platform
