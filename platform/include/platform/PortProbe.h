#pragma once

#include <string>

#include "platform/SystemError.h"

namespace platform {

// Why a port is or is not offered to the user.
enum class PortUsability {
    Usable,            // opens and its line settings can be read
    Missing,           // no such device
    PermissionDenied,  // the user may not open it
    Busy,              // another program holds it exclusively
    NotASerialLine,    // opens, but has no line settings (not a terminal)
    NoUart,            // an 8250-type port with no UART behind it
    OpenFailed,        // any other reason the device cannot be opened
};

struct PortProbeResult {
    PortUsability usability = PortUsability::OpenFailed;
    SystemError error;
    bool usable() const { return usability == PortUsability::Usable; }
};

// Tests a port the way the port list needs: the device opens for reading and
// writing without becoming the controlling terminal and without waiting for
// a carrier, its default configuration (termios) can be read, and an
// 8250-type port (ttyS*) reports a UART type other than unknown, so that
// the phantom ttyS0..3 of a PC without UARTs are not offered.
PortProbeResult probePort(const std::string& devicePath);

// A short reason for the CLI and the log, e.g. "permission denied: add the
// user to the dialout group"; empty for a usable port.
std::string portUsabilityReason(const PortProbeResult& result);
// The system's advice for a port the user may not open.
std::string permissionDeniedReason();

// The same short reason for the error of a failed open of a port
// ("in use by another program" for a port another program holds).
std::string portOpenFailureReason(const SystemError& error);

}  // namespace platform
