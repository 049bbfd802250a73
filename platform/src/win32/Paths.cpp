#include "platform/Paths.h"

#include <windows.h>

#include <vector>

#include "ModuleFile.h"
#include "WideText.h"

namespace platform {

bool isPathSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isAbsolutePath(std::string_view path) {
    if (path.size() >= 3 && path[1] == ':' && isPathSeparator(path[2]))
        return true;
    // \\server\share and \\?\ names.
    return path.size() >= 2 && isPathSeparator(path[0]) && isPathSeparator(path[1]);
}

std::string executablePath() {
    return moduleFilePath(nullptr);
}

FileKind fileKind(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FileKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory : FileKind::Other;
}

std::optional<std::string> absolutePath(const std::string& path) {
    if (path.empty() || fileKind(path) == FileKind::Missing)
        return std::nullopt;
    const std::wstring wide = widen(path);
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return std::nullopt;
    std::vector<wchar_t> buffer(needed);
    const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed)
        return std::nullopt;
    return narrow(std::wstring_view(buffer.data(), length));
}

std::string currentDirectory() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0)
        return {};
    std::vector<wchar_t> buffer(needed);
    const DWORD length = ::GetCurrentDirectoryW(needed, buffer.data());
    return length == 0 || length >= needed ? std::string() : narrow(std::wstring_view(buffer.data(), length));
}

Result<void> setCurrentDirectory(const std::string& path) {
    if (!::SetCurrentDirectoryW(widen(path).c_str()))
        return SystemError::last();
    return {};
}

std::optional<std::string> environmentValue(const char* name) {
    const std::wstring wideName = widen(name);
    const DWORD needed = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (needed == 0)
        return ::GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                          : std::optional<std::string>(std::string());
    std::vector<wchar_t> buffer(needed);
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), buffer.data(), needed);
    return narrow(std::wstring_view(buffer.data(), length < needed ? length : 0));
}

}  // namespace platform
