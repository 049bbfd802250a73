#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Directory look-ups for the unit data: where a unit directory really is and
// which image files it holds. Nothing here changes the process's current
// directory, so other threads are never surprised by it.
class Directory {
  public:
    struct Resolution {
        std::string absolutePath;  // set when the directory can be entered
        int errorCode = 0;         // system error code otherwise
        std::string errorText;     // the system's text for it, with a line end
        bool ok() const { return errorCode == 0; }
    };

    // Resolves path (relative to the current directory) to the absolute path
    // of a directory that could be made the current one: it exists, is a
    // directory and may be searched.
    static Resolution resolve(const std::string& path);

    // Names of the regular files in directory whose names match pattern
    // ("*" any run, "?" one character) without regard to case, in name order.
    // A directory that cannot be read gives no names.
    static std::vector<std::string> listFiles(const std::string& directory, std::string_view pattern);

    static bool matchesPattern(std::string_view name, std::string_view pattern);

    // A path as written on the Windows machines the unit data comes from,
    // with its backslashes turned into the system's separator.
    static std::string nativePath(std::string_view path);

    // directory and name joined by the system's separator.
    static std::string join(std::string_view directory, std::string_view name);

    // The system's message text for an error code, with a line end.
    static std::string errorText(int code);
};

}  // namespace platform
