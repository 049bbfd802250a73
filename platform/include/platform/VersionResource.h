#pragma once

#include <optional>
#include <string>

namespace platform {

// The strings of a program file's version resource (US English, Unicode:
// "\StringFileInfo\040904b0\..."). Windows programs carry one; elsewhere
// there is none and the answer is empty.
struct VersionStrings {
    std::string productVersion;  // "2, 0, 0, 0"
    std::string fileVersion;     // "5, 23, 2, 0"
    std::string legalCopyright;  // empty when the resource has none
};

std::optional<VersionStrings> readVersionStrings(const std::string& path);

// Whether the system's program files carry version resources at all
// (Windows); elsewhere a library's version is a build constant.
bool versionResourcesExist();

}  // namespace platform
