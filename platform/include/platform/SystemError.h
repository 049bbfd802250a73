#pragma once

#include <string>

namespace platform {

// The system's own text for an errno-style error code, as shown to the user
// next to the code itself.
std::string systemErrorText(int code);

}  // namespace platform
