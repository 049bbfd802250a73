#include "platform/SystemError.h"

namespace platform {

std::string SystemError::text() const {
    if (!text_.empty() || code_ == 0) {
        return text_;
    }
    return systemErrorText(code_);
}

}  // namespace platform
