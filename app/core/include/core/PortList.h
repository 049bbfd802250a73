#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/RejectedPort.h"
#include "data/CommSettings.h"
#include "platform/PortDiscovery.h"
#include "platform/PortProbe.h"

namespace core {

// The usable serial ports of the machine, in the order the system reports
// them; built once at start-up and the order of the Serial Port menu.
class PortList {
  public:
    static constexpr const char* kNoPortMessage = "COM port is not found.";

    using RejectedPort = core::RejectedPort;
    // Tells whether one device can serve as a serial line; the real probe
    // opens it, tests hand in answers such as a refused permission.
    using Probe = std::function<platform::PortProbeResult(const std::string& devicePath)>;

    // Fills the list from the system's table; false when the table cannot be read.
    bool discover(const platform::PortDiscoveryOptions& options);
    // Keeps only the ports that open and can be configured as serial lines;
    // returns how many are left. The rest are kept with their reasons. Ports
    // on network servers (rfc2217://, socket://) are never opened here: a
    // well-formed one stays as it is, a malformed one is left out.
    std::size_t filter(const Probe& probe = platform::probePort);

    // The position of the listed port that name leads to: the same name
    // (case-sensitive), or another name of the same device, such as a
    // /dev/serial/by-id link to a listed tty. Nothing when none does.
    std::optional<std::size_t> find(const std::string& name) const;

    // A well-formed network port named in the settings or on the command
    // line is offered although the system's table does not list it
    // (appended, not probed). True when it was added.
    bool offerNetworkPort(const std::string& name);

    // Keeps deviceName when it leads to a listed port (see find; a by-id link
    // stays as it is written, since that name survives a replug); otherwise
    // it becomes the first port. True when it was changed.
    bool correctDeviceName(data::CommSettings& comm) const;

    const std::vector<std::string>& names() const { return names_; }
    const std::vector<RejectedPort>& rejected() const { return rejected_; }
    bool empty() const { return names_.empty(); }
    std::size_t size() const { return names_.size(); }

  private:
    static std::string networkNameReason(const std::string& parseError);

    std::vector<std::string> names_;
    std::vector<RejectedPort> rejected_;
};

}  // namespace core
