#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Result.h"

namespace platform {

// The directory separator of this system; settings written for the original
// system join with a backslash, here paths are joined with this one.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True for a character that separates directories on this system (on
// Windows both the backslash and the slash do).
bool isPathSeparator(char c);
// A path that names its place without the current directory: /x on POSIX;
// C:\x, C:/x and \\server\share on Windows.
bool isAbsolutePath(std::string_view path);

// Full path of the running program; empty when the system cannot tell.
std::string executablePath();
// Directory of the running program, without a trailing separator.
std::string executableDirectory();

// "dir" + "/" + "name"; an empty directory gives the name alone and a
// directory that already ends with the separator gets no second one.
std::string joinPath(std::string_view directory, std::string_view name);
// Everything before the last separator ("" when there is none; "/" for a
// file in the root directory).
std::string parentDirectory(std::string_view path);
// The part after the last separator.
std::string fileName(std::string_view path);

enum class FileKind { Missing, Directory, Other };
// What the file system reports for a path (symbolic links followed).
FileKind fileKind(const std::string& path);

// Absolute path with symbolic links, "." and ".." resolved; nothing when the
// path does not exist.
std::optional<std::string> absolutePath(const std::string& path);

std::string currentDirectory();
// Fails with the reason when the directory cannot be entered.
Result<void> setCurrentDirectory(const std::string& path);

// A variable of the process environment, or nothing when it is not set.
std::optional<std::string> environmentValue(const char* name);

}  // namespace platform
