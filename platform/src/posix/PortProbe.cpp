#include "platform/PortProbe.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "FileDescriptor.h"
#include "platform/Paths.h"
#include "platform/SystemError.h"

namespace platform {
namespace {

// 8250-type ports are the ttyS family; for them the driver reports whether
// a UART was found at the port's address.
bool is8250Family(const std::string& devicePath) {
    std::string name = fileName(devicePath);
    if (name.size() <= 4 || name.compare(0, 4, "ttyS") != 0)
        return false;
    for (std::size_t i = 4; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
    }
    return true;
}

PortUsability classifyOpenError(int code) {
    switch (code) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortUsability::Missing;
        case EACCES:
        case EPERM:
            return PortUsability::PermissionDenied;
        case EBUSY:
            return PortUsability::Busy;
        default:
            return PortUsability::OpenFailed;
    }
}

}  // namespace

PortProbeResult probePort(const std::string& devicePath) {
    PortProbeResult result;
    FileDescriptor port(::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (port.get() < 0) {
        result.error = SystemError::last();
        result.usability = classifyOpenError(result.error.code());
        return result;
    }
    struct termios settings {};
    if (::tcgetattr(port.get(), &settings) != 0) {
        result.error = SystemError::last();
        result.usability = PortUsability::NotASerialLine;
        return result;
    }
    if (is8250Family(devicePath)) {
        struct serial_struct serial {};
        if (::ioctl(port.get(), TIOCGSERIAL, &serial) == 0 && serial.type == PORT_UNKNOWN) {
            result.error = SystemError::fromCode(ENODEV);
            result.usability = PortUsability::NoUart;
            return result;
        }
    }
    result.usability = PortUsability::Usable;
    return result;
}

std::string permissionDeniedReason() {
    return "permission denied: add the user to the dialout group";
}

std::string portOpenFailureReason(const SystemError& error) {
    PortProbeResult result;
    result.error = error;
    result.usability =
        error.code() == ENOTTY ? PortUsability::NotASerialLine : classifyOpenError(error.code());
    return portUsabilityReason(result);
}

}  // namespace platform
