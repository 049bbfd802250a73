#include "core/PortList.h"

#include <algorithm>

#include "platform/PlainText.h"
#include "platform/PortDescription.h"
#include "platform/NetworkPortName.h"

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
        // A port on a network server is not opened here: a slow or absent
        // server must not hold up start-up. Its name alone is checked.
        if (platform::isNetworkPortName(name)) {
            platform::NetworkPortNameParse parse = platform::parseNetworkPortName(name);
            if (parse.port) {
                usable.push_back(std::move(name));
            } else {
                rejected_.push_back(RejectedPort{std::move(name), networkNameReason(parse.error)});
            }
            continue;
        }
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

std::string PortList::networkNameReason(const std::string& parseError) {
    // The parse error starts with the name, which the left-out line shows already.
    const std::size_t separator = parseError.find(": ");
    return separator == std::string::npos ? parseError : parseError.substr(separator + 2);
}

bool PortList::offerNetworkPort(const std::string& name) {
    if (!platform::isNetworkPortName(name) || !platform::parseNetworkPortName(name).port ||
        std::find(names_.begin(), names_.end(), name) != names_.end()) {
        return false;
    }
    names_.push_back(name);
    return true;
}

bool PortList::correctDeviceName(data::CommSettings& comm) const {
    if (find(comm.deviceName))
        return false;
    comm.deviceName = names_.empty() ? std::string() : names_.front();
    return true;
}

}  // namespace core
