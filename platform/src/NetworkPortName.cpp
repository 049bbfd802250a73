#include "platform/NetworkPortName.h"

#include <charconv>

#include "platform/PlainText.h"

namespace platform {
namespace {

struct Scheme {
    std::string_view prefix;
    NetworkProtocol protocol;
};

constexpr Scheme kSchemes[] = {
    {"rfc2217://", NetworkProtocol::Rfc2217},
    {"socket://", NetworkProtocol::RawTcp},
};

const Scheme* schemeOf(std::string_view name) {
    for (const Scheme& scheme : kSchemes) {
        if (name.size() >= scheme.prefix.size() &&
            equalsIgnoringCase(name.substr(0, scheme.prefix.size()), scheme.prefix)) {
            return &scheme;
        }
    }
    return nullptr;
}

bool isHostNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

bool isIpv6Character(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// Where the host part of what follows "scheme://" ends: after the closing
// bracket of an IPv6 address, else at the first colon (or the end).
std::size_t hostEnd(std::string_view rest) {
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t closing = rest.find(']');
        return closing == std::string_view::npos ? rest.size() : closing + 1;
    }
    const std::size_t colon = rest.find(':');
    return colon == std::string_view::npos ? rest.size() : colon;
}

NetworkPortNameParse malformed(std::string_view name, const std::string& reason) {
    NetworkPortNameParse parse;
    parse.error = shortenedForMessage(name) + ": " + reason;
    return parse;
}

}  // namespace

bool isNetworkPortName(std::string_view name) {
    return schemeOf(name) != nullptr;
}

NetworkPortNameParse parseNetworkPortName(std::string_view name) {
    const Scheme* scheme = schemeOf(name);
    if (scheme == nullptr) {
        return malformed(name, "not a network port (rfc2217://HOST:PORT or socket://HOST:PORT)");
    }
    const std::string form = std::string(scheme->prefix) + "HOST:PORT";
    const std::string_view rest = name.substr(scheme->prefix.size());
    const std::size_t end = hostEnd(rest);
    std::string_view host = rest.substr(0, end);
    if (host.empty()) {
        return malformed(name, "no host (" + form + ")");
    }
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') {
            return malformed(name, "an IPv6 address needs its closing bracket ([ADDRESS]:PORT)");
        }
        host = host.substr(1, host.size() - 2);
        for (const char c : host) {
            if (!isIpv6Character(c)) {
                return malformed(name, shortenedForMessage(host) + " is not an IPv6 address");
            }
        }
    } else {
        for (const char c : host) {
            if (!isHostNameCharacter(c)) {
                return malformed(name, shortenedForMessage(host) + " is not a host name or address");
            }
        }
    }
    if (end == rest.size() || end + 1 == rest.size()) {
        return malformed(name, "no port number (" + form + ")");
    }
    if (rest[end] != ':') {
        return malformed(name, "the host must be followed by :PORT (" + form + ")");
    }
    const std::string_view portText = rest.substr(end + 1);
    for (const char c : portText) {
        if (c < '0' || c > '9') {
            return malformed(name, "port " + shortenedForMessage(portText) + " is not a number");
        }
    }
    unsigned long port = 0;
    const auto [last, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || last != portText.data() + portText.size() || port < 1 || port > 65535) {
        return malformed(name, "port " + shortenedForMessage(portText) + " is out of range (1 to 65535)");
    }
    NetworkPortNameParse parse;
    NetworkPortName& parsed = parse.port.emplace();
    parsed.protocol = scheme->protocol;
    parsed.host = std::string(host);
    parsed.port = static_cast<std::uint16_t>(port);
    parsed.text = std::string(name);
    return parse;
}

std::vector<std::string> splitPortNames(std::string_view list, char separator) {
    std::vector<std::string> names;
    while (!list.empty()) {
        std::size_t length = list.find(separator);
        if (separator == ':' && schemeOf(list) != nullptr) {
            // scheme://HOST:PORT: the entry runs past the host's own colon
            // (and through a bracketed address) to the separator after the port.
            const std::size_t hostStart = schemeOf(list)->prefix.size();
            const std::size_t hostLength = hostEnd(list.substr(hostStart));
            const std::size_t portStart = hostStart + hostLength + 1;
            length = portStart > list.size() ? std::string_view::npos : list.find(separator, portStart);
        }
        const std::string_view entry = list.substr(0, length);
        if (!entry.empty()) {
            names.emplace_back(entry);
        }
        list = length == std::string_view::npos ? std::string_view() : list.substr(length + 1);
    }
    return names;
}

}  // namespace platform
