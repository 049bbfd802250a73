#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "data/CommSettings.h"
#include "platform/PortDiscovery.h"
#include "platform/PortProbe.h"

namespace core {

// The usable serial ports of the machine, in the order the system reports
// them; built once at start-up and the order of the Serial Port menu.
class PortList {
  public:
    static constexpr const char* kNoPortMessage = "COM port is not found.";

    struct RejectedPort {
        std::string name;
        std::string reason;  // e.g. "permission denied: add the user to the dialout group"
    };

    // Fills the list from the system's table; false when the table cannot be read.
    bool discover(const platform::PortDiscoveryOptions& options);
    // Keeps only the ports that open and can be configured as serial lines;
    // returns how many are left. The rest are kept with their reasons.
    std::size_t filter();

    // Keeps deviceName when it names a listed port exactly (case-sensitive);
    // otherwise it becomes the first port. True when it was changed.
    bool correctDeviceName(data::CommSettings& comm) const;

    const std::vector<std::string>& names() const { return names_; }
    const std::vector<RejectedPort>& rejected() const { return rejected_; }
    bool empty() const { return names_.empty(); }
    std::size_t size() const { return names_.size(); }

  private:
    std::vector<std::string> names_;
    std::vector<RejectedPort> rejected_;
};

}  // namespace core
