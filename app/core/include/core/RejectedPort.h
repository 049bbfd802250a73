#pragma once

#include <string>

#include "platform/PlainText.h"

namespace core {

// A serial port that the port list leaves out, with the reason the technician
// needs to make it usable.
struct RejectedPort {
    std::string name;    // device path, e.g. /dev/ttyS1
    std::string reason;  // e.g. "permission denied: add the user to the dialout group"

    // "/dev/ttyS1 left out: permission denied: ..." – the line both programs
    // print on standard error at start-up, after their own name.
    std::string leftOutText() const { return platform::shortenedForMessage(name) + " left out: " + reason; }
};

}  // namespace core
