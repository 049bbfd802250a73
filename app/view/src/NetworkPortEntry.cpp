#include "view/NetworkPortEntry.h"

#include "platform/NetworkPortName.h"
#include "platform/PlainText.h"

namespace view {

std::string NetworkPortEntry::initialText(std::string_view deviceName) {
    return platform::isNetworkPortName(deviceName) ? std::string(deviceName) : std::string("rfc2217://");
}

std::string NetworkPortEntry::portName(std::string_view text) {
    return std::string(platform::trimBlanks(text));
}

std::optional<std::string> NetworkPortEntry::problem(std::string_view text) {
    const std::string name = portName(text);
    if (!platform::isNetworkPortName(name)) {
        return (name.empty() ? std::string("No port")
                             : platform::shortenedForMessage(name) + " is not a network port") +
               ": write rfc2217://HOST:PORT or socket://HOST:PORT";
    }
    const platform::NetworkPortNameParse parse = platform::parseNetworkPortName(name);
    if (!parse.port) {
        return parse.error;
    }
    return std::nullopt;
}

}  // namespace view
