#include "platform/NetworkPortName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/PortDiscovery.h"

namespace {

using platform::NetworkProtocol;
using platform::parseNetworkPortName;

TEST(NetworkPortName, WellFormedNamesGiveProtocolHostAndPort) {
    struct Case {
        std::string name;
        NetworkProtocol protocol;
        std::string host;
        unsigned port;
    };
    const std::vector<Case> cases = {
        {"rfc2217://127.0.0.5:2217", NetworkProtocol::Rfc2217, "127.0.0.5", 2217},
        {"socket://127.0.0.1:1", NetworkProtocol::RawTcp, "127.0.0.1", 1},
        {"rfc2217://devserver.service-net:65535", NetworkProtocol::Rfc2217, "devserver.service-net", 65535},
        {"RFC2217://Rack-7:4001", NetworkProtocol::Rfc2217, "Rack-7", 4001},
        {"socket://[::1]:7000", NetworkProtocol::RawTcp, "::1", 7000},
        {"rfc2217://[fe80::1:2]:2217", NetworkProtocol::Rfc2217, "fe80::1:2", 2217},
    };
    for (const Case& test : cases) {
        EXPECT_TRUE(platform::isNetworkPortName(test.name)) << test.name;
        const auto parse = parseNetworkPortName(test.name);
        ASSERT_TRUE(parse.port.has_value()) << test.name << ": " << parse.error;
        EXPECT_EQ(parse.port->protocol, test.protocol) << test.name;
        EXPECT_EQ(parse.port->host, test.host) << test.name;
        EXPECT_EQ(parse.port->port, test.port) << test.name;
        EXPECT_EQ(parse.port->text, test.name);
        EXPECT_TRUE(parse.error.empty());
    }
}

TEST(NetworkPortName, MalformedNamesSayWhatIsWrongAndNameThePort) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"rfc2217://127.0.0.5", "rfc2217://127.0.0.5: no port number (rfc2217://HOST:PORT)"},
        {"rfc2217://127.0.0.5:", "rfc2217://127.0.0.5:: no port number (rfc2217://HOST:PORT)"},
        {"socket://127.0.0.5:99999", "socket://127.0.0.5:99999: port 99999 is out of range (1 to 65535)"},
        {"socket://127.0.0.5:0", "socket://127.0.0.5:0: port 0 is out of range (1 to 65535)"},
        {"rfc2217://127.0.0.5:99999999999999999999",
         "rfc2217://127.0.0.5:99999999999999999999: port 99999999999999999999 is out of range (1 to 65535)"},
        {"rfc2217://127.0.0.5:abc", "rfc2217://127.0.0.5:abc: port abc is not a number"},
        {"rfc2217://127.0.0.5:-1", "rfc2217://127.0.0.5:-1: port -1 is not a number"},
        {"rfc2217://127.0.0.5:22/x", "rfc2217://127.0.0.5:22/x: port 22/x is not a number"},
        {"rfc2217://:2217", "rfc2217://:2217: no host (rfc2217://HOST:PORT)"},
        {"socket://", "socket://: no host (socket://HOST:PORT)"},
        {"socket://bad host:1", "socket://bad host:1: bad host is not a host name or address"},
        {"socket://[::1:7000",
         "socket://[::1:7000: an IPv6 address needs its closing bracket ([ADDRESS]:PORT)"},
        {"socket://[::1]7000", "socket://[::1]7000: the host must be followed by :PORT (socket://HOST:PORT)"},
        {"socket://[zz]:1", "socket://[zz]:1: zz is not an IPv6 address"},
    };
    for (const auto& [name, error] : cases) {
        ASSERT_TRUE(platform::isNetworkPortName(name)) << name;
        const auto parse = parseNetworkPortName(name);
        EXPECT_FALSE(parse.port.has_value()) << name;
        EXPECT_EQ(parse.error, error);
    }
}

TEST(NetworkPortName, DevicesAndOtherNamesAreNotNetworkPorts) {
    for (const char* name :
         {"/dev/ttyUSB0", "COM3", "rfc2217:/x", "http://127.0.0.5:80", "socket:", "", "UPL"}) {
        EXPECT_FALSE(platform::isNetworkPortName(name)) << name;
    }
}

TEST(NetworkPortName, AColonSeparatedListKeepsEachNetworkPortWhole) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(platform::splitPortNames("rfc2217://127.0.0.5:2217:/dev/ttyUSB0", ':'),
              (Names{"rfc2217://127.0.0.5:2217", "/dev/ttyUSB0"}));
    EXPECT_EQ(platform::splitPortNames("/dev/pts/3:socket://[::1]:4000::rfc2217://h:1", ':'),
              (Names{"/dev/pts/3", "socket://[::1]:4000", "rfc2217://h:1"}));
    // A name without its port takes no more than it has.
    EXPECT_EQ(platform::splitPortNames("socket://h", ':'), (Names{"socket://h"}));
    EXPECT_EQ(platform::splitPortNames("socket://h:", ':'), (Names{"socket://h:"}));
    // Semicolons (Windows) leave every colon alone.
    EXPECT_EQ(platform::splitPortNames("COM3;rfc2217://127.0.0.5:2217;;socket://h", ';'),
              (Names{"COM3", "rfc2217://127.0.0.5:2217", "socket://h"}));

    platform::PortTable table;
    table.ports = {"/dev/ttyS0"};
    platform::appendExtraPorts(table, std::string("rfc2217://127.0.0.1:2217") +
                                          platform::kExtraPortsSeparator + "/dev/ttyS0" +
                                          platform::kExtraPortsSeparator + "rfc2217://127.0.0.1:2217");
    EXPECT_EQ(table.ports, (Names{"/dev/ttyS0", "rfc2217://127.0.0.1:2217"}));
}

}  // namespace
