#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Separates the ports named in FLASHKIT_PORTS: a colon on POSIX, a
// semicolon on Windows (where a colon belongs to a drive name).
#ifdef _WIN32
inline constexpr char kExtraPortsSeparator = ';';
#else
inline constexpr char kExtraPortsSeparator = ':';
#endif

// Where the serial ports of the machine are looked for. The defaults are the
// live system; tests point the two folders at a fake tree. On Windows the
// table is the registry key HARDWARE\DEVICEMAP\SERIALCOMM of the local
// machine and the two folders are not used.
struct PortDiscoveryOptions {
    std::string ttyClassDirectory = "/sys/class/tty";
    std::string deviceDirectory = "/dev";
    // Separator-separated device paths offered after the hardware ports (virtual
    // lines such as a pty of the simulated console); taken from the
    // environment variable FLASHKIT_PORTS by systemDefaults().
    std::string extraPorts;
    // False: the system's table is not consulted and only the extra ports are
    // offered, so that no device of the machine is opened or probed. Set by
    // systemDefaults() when FLASHKIT_PORTS_ONLY is set to anything but "0"
    // (the test suite does this: it must never touch the machine's own lines).
    bool systemPorts = true;

    static PortDiscoveryOptions systemDefaults();
};

// The system's table of serial devices in natural order (ttyS2 before
// ttyS10, COM2 before COM10), then the extra ports in the order given. On
// POSIX the ttys of the tty class that are backed by a device (real UARTs,
// USB adapters); on Windows the port names of SERIALCOMM. Without system
// ports only the extra ports, and the table counts as readable.
struct PortTable {
    bool readable = false;           // false when the system's table cannot be read
    std::vector<std::string> ports;  // device paths, e.g. /dev/ttyS0
};

PortTable discoverPorts(const PortDiscoveryOptions& options);

// Appends the extra ports (separated by kExtraPortsSeparator; a network
// port such as rfc2217://HOST:PORT keeps its own colon) that are not in the
// table yet.
void appendExtraPorts(PortTable& table, std::string_view extraPorts);

// "ttyS2" < "ttyS10": digit runs compare by their value.
bool naturalLess(std::string_view left, std::string_view right);

}  // namespace platform
