#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How a network serial server carries the line: telnet with the com-port
// option (line settings, modem signals and purges reach the device), or raw
// TCP (bytes only; the server's line settings stand).
enum class NetworkProtocol { Rfc2217, RawTcp };

// A port on a network serial server: rfc2217://HOST:PORT or socket://HOST:PORT.
// HOST is a name, an IPv4 address or an IPv6 address in brackets.
struct NetworkPortName {
    NetworkProtocol protocol = NetworkProtocol::Rfc2217;
    std::string host;  // without the brackets of an IPv6 address
    std::uint16_t port = 0;
    // The name as the user wrote it; messages about the port show it.
    std::string text;
};

// The outcome of reading a port name as a network port: the port, or why the
// name is malformed (the reason names it: "rfc2217://10.0.0.5: no port
// number (rfc2217://HOST:PORT)").
struct NetworkPortNameParse {
    std::optional<NetworkPortName> port;
    std::string error;
};

// Whether a port name is meant as a network port: it starts with rfc2217://
// or socket:// (in any case). Such a name is never opened as a device.
bool isNetworkPortName(std::string_view name);

// Reads a name that isNetworkPortName() accepted.
NetworkPortNameParse parseNetworkPortName(std::string_view name);

// Splits a list of port names at separator. With a colon as separator, a
// network port keeps its own colon (and the colons of a bracketed IPv6
// address) inside its entry:
// "rfc2217://10.0.0.5:2217:/dev/ttyUSB0" with ':' is two entries. Empty
// entries are left out.
std::vector<std::string> splitPortNames(std::string_view list, char separator);

}  // namespace platform
