#include "platform/PortDescription.h"

#include <dirent.h>
#include <fcntl.h>

#include <array>
#include <cstdlib>
#include <memory>

#include "FileDescriptor.h"
#include "platform/Paths.h"

namespace platform {
namespace {

// A sysfs attribute is one short line of text.
constexpr std::size_t kAttributeBytes = 256;
// A USB device sits a few levels above its tty (port, interface, device);
// the walk up stops well before the root of the device tree.
constexpr int kMostLevelsUp = 8;

// The attribute's text without its line end; empty when it is not there.
// Attribute files are read, the device itself is never opened.
std::string readAttribute(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.valid()) {
        return {};
    }
    std::array<char, kAttributeBytes> buffer{};
    const ssize_t count = ::read(file.get(), buffer.data(), buffer.size());
    if (count <= 0) {
        return {};
    }
    std::string text(buffer.data(), static_cast<std::size_t>(count));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

bool isFile(const std::string& path) {
    return fileKind(path) == FileKind::Other;
}

std::optional<int> readNumber(const std::string& path) {
    const std::string text = readAttribute(path);
    if (text.empty() || text.size() > 6) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

struct DirectoryCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

// The by-id link whose target is this device, if there is one.
std::string findByIdLink(const std::string& byIdDirectory, const std::string& identity) {
    std::unique_ptr<DIR, DirectoryCloser> folder(::opendir(byIdDirectory.c_str()));
    if (!folder) {
        return {};
    }
    std::string found;
    while (const struct dirent* entry = ::readdir(folder.get())) {
        const std::string name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        const std::string link = joinPath(byIdDirectory, name);
        // Of several links to one device (an adapter seen twice), the first by name.
        if (absolutePath(link) == identity && (found.empty() || link < found)) {
            found = link;
        }
    }
    return found;
}

}  // namespace

std::string deviceIdentity(const std::string& port) {
    return absolutePath(port).value_or(port);
}

PortDescription describePort(const std::string& port, const PortDescriptionOptions& options) {
    PortDescription description;
    description.port = port;
    const std::string identity = deviceIdentity(port);
    description.byIdPath = findByIdLink(options.byIdDirectory, identity);

    // The tty's entry in the tty class; its "device" link leads into the
    // device tree (a serial port of a USB adapter, an interface, a UART).
    const std::string ttyName = fileName(identity);
    const auto device = absolutePath(joinPath(joinPath(options.ttyClassDirectory, ttyName), "device"));
    if (ttyName.empty() || !device) {
        return description;
    }
    // ftdi_sio publishes the adapter's latency timer on the port's device.
    description.latencyTimerMs = readNumber(joinPath(*device, "latency_timer"));

    // The USB device is the nearest folder above that carries idVendor.
    std::string folder = *device;
    for (int level = 0; level < kMostLevelsUp && folder.size() > 1; ++level) {
        if (isFile(joinPath(folder, "idVendor"))) {
            description.usbVendorId = readAttribute(joinPath(folder, "idVendor"));
            description.usbProductId = readAttribute(joinPath(folder, "idProduct"));
            description.manufacturer = readAttribute(joinPath(folder, "manufacturer"));
            description.product = readAttribute(joinPath(folder, "product"));
            description.serialNumber = readAttribute(joinPath(folder, "serial"));
            break;
        }
        folder = parentDirectory(folder);
    }
    return description;
}

std::vector<PortDescription> describePorts(const std::vector<std::string>& ports,
                                           const PortDescriptionOptions& options) {
    std::vector<PortDescription> descriptions;
    descriptions.reserve(ports.size());
    for (const std::string& port : ports) {
        descriptions.push_back(describePort(port, options));
    }
    return descriptions;
}

}  // namespace platform
