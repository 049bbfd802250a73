#include "core/PortList.h"

#include <algorithm>

#include "platform/PlainText.h"
#include "platform/PortDescription.h"

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

std::optional<std::size_t> PortList::find(const std::string& name) const {
    const auto exact = std::find(names_.begin(), names_.end(), name);
    if (exact != names_.end())
        return static_cast<std::size_t>(exact - names_.begin());
    if (name.empty())
        return std::nullopt;
    // A name that differs from a listed one in case only is not that port:
    // the start-up comparison is case-sensitive (COM names included).
    for (const std::string& listed : names_) {
        if (platform::equalsIgnoringCase(listed, name))
            return std::nullopt;
    }
    const std::string identity = platform::deviceIdentity(name);
    for (std::size_t index = 0; index < names_.size(); ++index) {
        if (platform::deviceIdentity(names_[index]) == identity)
            return index;
    }
    return std::nullopt;
}

bool PortList::correctDeviceName(data::CommSettings& comm) const {
    if (find(comm.deviceName))
        return false;
    comm.deviceName = names_.empty() ? std::string() : names_.front();
    return true;
}

}  // namespace core
