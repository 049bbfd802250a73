#include "platform/PortDiscovery.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/Paths.h"

namespace platform {
namespace {

// Only ttys with a "device" link are backed by hardware; the virtual
// consoles and the pty masters have none.
bool hasDeviceLink(const std::string& ttyDirectory) {
    struct stat status {};
    return ::lstat(joinPath(ttyDirectory, "device").c_str(), &status) == 0;
}

struct DirectoryCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

}  // namespace

PortTable discoverPorts(const PortDiscoveryOptions& options) {
    PortTable table;
    if (!options.systemPorts) {
        table.readable = true;
        appendExtraPorts(table, options.extraPorts);
        return table;
    }
    std::unique_ptr<DIR, DirectoryCloser> folder(::opendir(options.ttyClassDirectory.c_str()));
    if (!folder)
        return table;
    table.readable = true;

    std::vector<std::string> names;
    while (const struct dirent* entry = ::readdir(folder.get())) {
        std::string name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (hasDeviceLink(joinPath(options.ttyClassDirectory, name)))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    for (const std::string& name : names)
        table.ports.push_back(joinPath(options.deviceDirectory, name));

    appendExtraPorts(table, options.extraPorts);
    return table;
}

}  // namespace platform
