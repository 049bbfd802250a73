#include "core/PortList.h"

#include <algorithm>

namespace core {

bool PortList::discover(const platform::PortDiscoveryOptions& options) {
    names_.clear();
    rejected_.clear();
    platform::PortTable table = platform::discoverPorts(options);
    if (!table.readable)
        return false;
    names_ = std::move(table.ports);
    return true;
}

std::size_t PortList::filter(const Probe& probe) {
    std::vector<std::string> usable;
    usable.reserve(names_.size());
    for (std::string& name : names_) {
        const platform::PortProbeResult result = probe(name);
        if (result.usable()) {
            usable.push_back(std::move(name));
        } else {
            rejected_.push_back(RejectedPort{std::move(name), platform::portUsabilityReason(result)});
        }
    }
    names_ = std::move(usable);
    return names_.size();
}

bool PortList::correctDeviceName(data::CommSettings& comm) const {
    if (std::find(names_.begin(), names_.end(), comm.deviceName) != names_.end())
        return false;
    comm.deviceName = names_.empty() ? std::string() : names_.front();
    return true;
}

}  // namespace core
