#pragma once

#include <string>

#include "data/CommSettings.h"

namespace cli {

// The interface library says only that the port did not open ("Interface
// Open NG"). This finds out why, by opening the port the way the library
// does and giving it the configured baud rate, so that the technician reads
// "in use by another program" or that BAUDRATE is not a baud rate.
class PortFailureReason {
  public:
    // baudRateText is HOST/BAUDRATE as written (empty when it was not set).
    // Empty when the port opens and takes the rate now.
    static std::string find(const data::CommSettings& comm, const std::string& baudRateText);
};

}  // namespace cli
