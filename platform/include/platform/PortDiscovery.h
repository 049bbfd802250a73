#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Where the serial ports of the machine are looked for. The defaults are the
// live system; tests point the two folders at a fake tree.
struct PortDiscoveryOptions {
    std::string ttyClassDirectory = "/sys/class/tty";
    std::string deviceDirectory = "/dev";
    // Colon-separated device paths offered after the hardware ports (virtual
    // lines such as a pty of the simulated console); taken from the
    // environment variable FLASHKIT_PORTS by systemDefaults().
    std::string extraPorts;

    static PortDiscoveryOptions systemDefaults();
};

// The system's table of serial devices: the ttys of the tty class that are
// backed by a device (real UARTs, USB adapters), in natural order
// (ttyS2 before ttyS10), then the extra ports in the order given.
struct PortTable {
    bool readable = false;           // false when the tty class folder cannot be read
    std::vector<std::string> ports;  // device paths, e.g. /dev/ttyS0
};

PortTable discoverPorts(const PortDiscoveryOptions& options);

// "ttyS2" < "ttyS10": digit runs compare by their value.
bool naturalLess(std::string_view left, std::string_view right);

}  // namespace platform
