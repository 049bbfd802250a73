#include "platform/PortProbe.h"

#include <windows.h>

#include "DeviceName.h"

namespace platform {
namespace {

PortUsability classifyOpenError(int code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return PortUsability::Missing;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            // A COM port that another program holds refuses with access denied.
            return PortUsability::Busy;
        default:
            return PortUsability::OpenFailed;
    }
}

}  // namespace

PortProbeResult probePort(const std::string& devicePath) {
    PortProbeResult result;
    UniqueHandle port(::CreateFileW(serialDevicePath(devicePath).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!port.valid()) {
        result.error = SystemError::last();
        result.usability = classifyOpenError(result.error.code());
        return result;
    }
    DCB settings{};
    settings.DCBlength = sizeof(settings);
    if (!::GetCommState(port.get(), &settings)) {
        result.error = SystemError::last();
        result.usability = PortUsability::NotASerialLine;
        return result;
    }
    result.usability = PortUsability::Usable;
    return result;
}

std::string permissionDeniedReason() {
    return "permission denied";
}

std::string portOpenFailureReason(const SystemError& error) {
    PortProbeResult result;
    result.error = error;
    result.usability = classifyOpenError(error.code());
    return portUsabilityReason(result);
}

}  // namespace platform
