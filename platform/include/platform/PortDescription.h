#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// What the system knows about the device behind a port name, so that a
// technician with several USB adapters can tell them apart: names like
// /dev/ttyUSB0 or COM5 move when adapters are plugged in another order.
// Every field is empty when the system does not know it (a pseudo-terminal,
// a built-in UART, a network port).
struct PortDescription {
    std::string port;  // the name as listed

    // Linux: the /dev/serial/by-id link that leads to this tty (stays the
    // same across replugs), and the USB device's attributes from sysfs.
    std::string byIdPath;
    std::string usbVendorId;   // four hexadecimal digits, "0403"
    std::string usbProductId;  // "6001"
    std::string manufacturer;  // "FTDI"
    std::string product;       // "FT232R USB UART"
    std::string serialNumber;  // "A10K3X2Q"

    // Windows: the device's friendly name ("USB Serial Port (COM5)") and its
    // first hardware id ("FTDIBUS\COMPORT&VID_0403&PID_6001").
    std::string friendlyName;
    std::string hardwareId;

    // The adapter's latency timer in milliseconds: how long it holds received
    // bytes before it hands them on. Linux: ftdi_sio's latency_timer
    // attribute; Windows: the LatencyTimer value the FTDI driver keeps.
    std::optional<int> latencyTimerMs;
    // True when only the technician can change the latency timer (the
    // Windows driver takes it from the registry when the port opens); false
    // where the program's low-latency request lowers it for the line.
    bool latencyTimerFixed = false;

    bool empty() const {
        return byIdPath.empty() && usbVendorId.empty() && usbProductId.empty() && manufacturer.empty() &&
               product.empty() && serialNumber.empty() && friendlyName.empty() && hardwareId.empty() &&
               !latencyTimerMs;
    }
};

// Where descriptions are read from. The defaults are the live system; tests
// point the folders at a fake tree. Not used on Windows, where the
// descriptions come from the registry of the local machine.
struct PortDescriptionOptions {
    std::string ttyClassDirectory = "/sys/class/tty";
    std::string byIdDirectory = "/dev/serial/by-id";
};

// Describes each port from what the system publishes about its device (sysfs
// and /dev/serial/by-id on Linux; the device registry, Enum\...\Device
// Parameters\PortName, on Windows). Never opens a port.
PortDescription describePort(const std::string& port, const PortDescriptionOptions& options = {});
std::vector<PortDescription> describePorts(const std::vector<std::string>& ports,
                                           const PortDescriptionOptions& options = {});

// The name that stands for the device a port name leads to: on POSIX the path
// with every symbolic link resolved (a /dev/serial/by-id link gives its
// tty), on Windows the COM name in upper case without a "\\.\" prefix; a
// name that leads nowhere (a missing device, a network address) stands for
// itself. Two names of one device give the same identity.
std::string deviceIdentity(const std::string& port);

}  // namespace platform
