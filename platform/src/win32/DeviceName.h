#pragma once

#include <string>

#include "WideText.h"

namespace platform {

// COM3 -> \\.\COM3: the device namespace also reaches COM10 and above, which
// the plain name does not. A name given in that form already stays as it is.
inline std::wstring serialDevicePath(const std::string& portName) {
    const std::wstring name = widen(portName);
    if (name.rfind(L"\\\\.\\", 0) == 0)
        return name;
    return L"\\\\.\\" + name;
}

}  // namespace platform
