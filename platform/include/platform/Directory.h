#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"
#include "platform/SystemError.h"

namespace platform {

// Directory look-ups for the unit data: where a unit directory really is and
// which image files it holds. Nothing here changes the process's current
// directory, so other threads are never surprised by it.
class Directory {
  public:
    // Resolves path (relative to the current directory) to the absolute path
    // of a directory that could be made the current one: it exists, is a
    // directory and may be searched. Fails with the reason it cannot be.
    static Result<std::string> resolve(const std::string& path);

    // Names of the regular files in directory whose names match pattern
    // ("*" any run, "?" one character) without regard to case, in name order.
    // A directory that cannot be read gives no names.
    static std::vector<std::string> listFiles(const std::string& directory, std::string_view pattern);

    static bool matchesPattern(std::string_view name, std::string_view pattern);

    // Makes the directory (its parent must exist); one that exists already
    // is no failure.
    static Result<void> create(const std::string& path);

    // A path as written on the Windows machines the unit data comes from,
    // with its backslashes turned into the system's separator.
    static std::string nativePath(std::string_view path);

    // directory and name joined by the system's separator.
    static std::string join(std::string_view directory, std::string_view name);

    // The system's message text for an error, with a line end.
    static std::string errorText(const SystemError& error);

  private:
    // Name order without regard to case; names that differ only in case
    // still get one fixed order.
    static void sortByName(std::vector<std::string>& names);
};

}  // namespace platform
