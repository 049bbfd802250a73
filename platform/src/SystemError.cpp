#include "platform/SystemError.h"

#include <string.h>

#include <array>

namespace platform {

std::string systemErrorText(int code) {
    std::array<char, 256> buffer{};
    // The GNU variant returns a pointer that is either into the buffer or to
    // a static text; both are copied before the next call can change them.
    const char* text = strerror_r(code, buffer.data(), buffer.size());
    return text != nullptr ? std::string(text) : std::string("Unknown error");
}

}  // namespace platform
