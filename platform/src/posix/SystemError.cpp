#include "platform/SystemError.h"

#include <string.h>

#include <array>
#include <cerrno>

namespace platform {

SystemError SystemError::last() {
    return fromCode(errno);
}

SystemError SystemError::notFound() {
    return fromCode(ENOENT);
}

bool SystemError::notSupportedByDevice() const {
    return code_ == ENOTTY || code_ == EINVAL || code_ == ENOTSUP || code_ == ENOSYS;
}

bool SystemError::isNotFound() const {
    return code_ == ENOENT || code_ == ENODEV || code_ == ENXIO;
}

bool SystemError::alreadyExists() const {
    return code_ == EEXIST;
}

std::string systemErrorText(int code) {
    std::array<char, 256> buffer{};
    // The GNU variant returns a pointer that is either into the buffer or to
    // a static text; both are copied before the next call can change them.
    const char* text = strerror_r(code, buffer.data(), buffer.size());
    return text != nullptr ? std::string(text) : std::string("Unknown error");
}

}  // namespace platform
