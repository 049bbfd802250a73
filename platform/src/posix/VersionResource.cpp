#include "platform/VersionResource.h"

namespace platform {

// ELF programs carry no version resource.
std::optional<VersionStrings> readVersionStrings(const std::string&) {
    return std::nullopt;
}

bool versionResourcesExist() {
    return false;
}

}  // namespace platform
