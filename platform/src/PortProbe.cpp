#include "platform/PortProbe.h"

namespace platform {

std::string portUsabilityReason(const PortProbeResult& result) {
    switch (result.usability) {
        case PortUsability::Usable:
            return {};
        case PortUsability::Missing:
            return "no such device";
        case PortUsability::PermissionDenied:
            return permissionDeniedReason();
        case PortUsability::Busy:
            return "in use by another program";
        case PortUsability::NotASerialLine:
            return "not a serial line";
        case PortUsability::NoUart:
            return "no UART behind this port";
        case PortUsability::OpenFailed:
            break;
    }
    return "cannot be opened: " + result.error.text();
}

}  // namespace platform
