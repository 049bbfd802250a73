#include "core/PortList.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "TestDirectory.h"

using core::PortList;
using testing_support::PtyPair;
using testing_support::TempDirectory;

namespace {

// A fake machine: hardware ttys in the tty class folder, their device nodes
// in a fake /dev (links to real ptys where the port should work), plus
// virtual lines offered through the extra-port list.
class FakeMachine {
  public:
    void addHardware(const std::string& name, const std::string& deviceTarget) {
        std::string folder = root.makeDirectory("sys/" + name);
        std::filesystem::create_directory_symlink(root.path(), folder + "/device");
        if (!deviceTarget.empty())
            std::filesystem::create_symlink(deviceTarget, devices() + "/" + name);
    }
    void addBrokenHardware(const std::string& name) {
        addHardware(name, "");
        root.writeFile("dev/" + name, "a plain file, not a terminal");
    }
    std::string devices() const { return root.makeDirectory("dev"); }

    platform::PortDiscoveryOptions options(const std::string& extraPorts = {}) const {
        platform::PortDiscoveryOptions result;
        result.ttyClassDirectory = root.makeDirectory("sys");
        result.deviceDirectory = devices();
        result.extraPorts = extraPorts;
        return result;
    }

    TempDirectory root;
};

}  // namespace

TEST(PortList, KeepsTheSystemOrderAndDropsUnusablePorts) {
    PtyPair lineA, lineB, simulated;
    ASSERT_TRUE(lineA.valid() && lineB.valid() && simulated.valid());
    FakeMachine machine;
    machine.addHardware("ttyS10", lineB.slavePath());
    machine.addHardware("ttyS2", lineA.slavePath());
    machine.addBrokenHardware("ttyUSB0");
    machine.addHardware("ttyS3", machine.root / "nothing-there");

    PortList ports;
    ASSERT_TRUE(ports.discover(machine.options(simulated.slavePath() + ":/no/such/line")));
    EXPECT_EQ(ports.size(), 6u);
    EXPECT_EQ(ports.filter(), 3u);
    std::string dev = machine.devices();
    EXPECT_EQ(ports.names(),
              (std::vector<std::string>{dev + "/ttyS2", dev + "/ttyS10", simulated.slavePath()}));

    ASSERT_EQ(ports.rejected().size(), 3u);
    EXPECT_EQ(ports.rejected()[0].name, dev + "/ttyS3");
    EXPECT_EQ(ports.rejected()[0].reason, "no such device");
    EXPECT_EQ(ports.rejected()[1].name, dev + "/ttyUSB0");
    EXPECT_EQ(ports.rejected()[1].reason, "not a serial line");
    EXPECT_EQ(ports.rejected()[2].name, "/no/such/line");
}

TEST(PortList, ARefusedPermissionIsKeptWithTheDialoutAdvice) {
    PtyPair open, refused;
    ASSERT_TRUE(open.valid() && refused.valid());
    FakeMachine machine;
    PortList ports;
    ASSERT_TRUE(ports.discover(machine.options(open.slavePath() + ":" + refused.slavePath())));
    // Root opens every device, so the refusal a user would meet is handed in.
    std::vector<std::string> probed;
    const auto probe = [&](const std::string& path) {
        probed.push_back(path);
        if (path == refused.slavePath())
            return platform::PortProbeResult{platform::PortUsability::PermissionDenied,
                                             platform::SystemError::fromCode(EACCES)};
        return platform::probePort(path);
    };
    EXPECT_EQ(ports.filter(probe), 1u);
    EXPECT_EQ(probed, (std::vector<std::string>{open.slavePath(), refused.slavePath()}));
    EXPECT_EQ(ports.names(), std::vector<std::string>{open.slavePath()});
    ASSERT_EQ(ports.rejected().size(), 1u);
    EXPECT_EQ(ports.rejected()[0].leftOutText(),
              refused.slavePath() + " left out: permission denied: add the user to the dialout group");
}

TEST(PortList, UnreadableTableOrNoUsablePortLeavesItEmpty) {
    TempDirectory root;
    platform::PortDiscoveryOptions options;
    options.ttyClassDirectory = root / "missing";
    PortList ports;
    EXPECT_FALSE(ports.discover(options));

    FakeMachine machine;
    machine.addBrokenHardware("ttyS0");
    ASSERT_TRUE(ports.discover(machine.options()));
    EXPECT_EQ(ports.filter(), 0u);
    EXPECT_TRUE(ports.empty());
}

TEST(PortList, DeviceNameIsCorrectedCaseSensitively) {
    PtyPair first, second;
    ASSERT_TRUE(first.valid() && second.valid());
    PortList ports;
    FakeMachine machine;
    ASSERT_TRUE(ports.discover(machine.options(first.slavePath() + ":" + second.slavePath())));
    ASSERT_EQ(ports.filter(), 2u);

    data::CommSettings comm;
    comm.deviceName = second.slavePath();
    EXPECT_FALSE(ports.correctDeviceName(comm));
    EXPECT_EQ(comm.deviceName, second.slavePath());

    comm.deviceName = "COM1";
    EXPECT_TRUE(ports.correctDeviceName(comm));
    EXPECT_EQ(comm.deviceName, first.slavePath());

    std::string upper = second.slavePath();
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    comm.deviceName = upper;
    EXPECT_TRUE(ports.correctDeviceName(comm));
    EXPECT_EQ(comm.deviceName, first.slavePath());

    comm.deviceName.clear();
    EXPECT_TRUE(ports.correctDeviceName(comm));
    EXPECT_EQ(comm.deviceName, first.slavePath());
}

TEST(PortList, AByIdLinkOfAListedTtyIsKeptAsTheDeviceName) {
    PtyPair first, second;
    ASSERT_TRUE(first.valid() && second.valid());
    PortList ports;
    FakeMachine machine;
    ASSERT_TRUE(ports.discover(machine.options(first.slavePath() + ":" + second.slavePath())));
    ASSERT_EQ(ports.filter(), 2u);
    // As udev makes them: a stable name that leads to whichever tty the adapter got.
    const std::string byId =
        machine.root.makeDirectory("serial/by-id") + "/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0";
    std::filesystem::create_symlink(second.slavePath(), byId);

    EXPECT_EQ(ports.find(byId), 1u);
    EXPECT_EQ(ports.find(second.slavePath()), 1u);
    data::CommSettings comm;
    comm.deviceName = byId;
    EXPECT_FALSE(ports.correctDeviceName(comm));
    EXPECT_EQ(comm.deviceName, byId) << "not replaced by the tty, nor by the first port";

    // A link that leads nowhere, or to a device that is not listed, is no port of the list.
    const std::string dangling = machine.root.path() + "/serial/by-id/usb-gone-if00-port0";
    std::filesystem::create_symlink(machine.root.path() + "/no-such-tty", dangling);
    EXPECT_FALSE(ports.find(dangling));
    comm.deviceName = dangling;
    EXPECT_TRUE(ports.correctDeviceName(comm));
    EXPECT_EQ(comm.deviceName, first.slavePath());
    EXPECT_FALSE(ports.find(""));
}

TEST(PortList, NetworkPortsAreOfferedWithoutBeingOpenedAndMalformedOnesAreLeftOut) {
    PtyPair line;
    ASSERT_TRUE(line.valid());
    FakeMachine machine;
    PortList ports;
    ASSERT_TRUE(ports.discover(machine.options("rfc2217://127.0.0.5:2217:" + line.slavePath() +
                                               ":socket://[::1]:4001:rfc2217://127.0.0.5:99999")));
    std::vector<std::string> probed;
    const auto probe = [&](const std::string& path) {
        probed.push_back(path);
        return platform::probePort(path);
    };
    EXPECT_EQ(ports.filter(probe), 3u);
    // Only the local line was opened; the two servers were not even asked.
    EXPECT_EQ(probed, std::vector<std::string>{line.slavePath()});
    EXPECT_EQ(ports.names(),
              (std::vector<std::string>{"rfc2217://127.0.0.5:2217", line.slavePath(), "socket://[::1]:4001"}));
    ASSERT_EQ(ports.rejected().size(), 1u);
    EXPECT_EQ(ports.rejected()[0].leftOutText(),
              "rfc2217://127.0.0.5:99999 left out: port 99999 is out of range (1 to 65535)");

    // A network port of the settings is offered once, and kept as the device.
    data::CommSettings comm;
    comm.deviceName = "socket://rack-7:4001";
    EXPECT_TRUE(ports.offerNetworkPort(comm.deviceName));
    EXPECT_FALSE(ports.offerNetworkPort(comm.deviceName));
    EXPECT_FALSE(ports.offerNetworkPort("socket://rack-7"));
    EXPECT_FALSE(ports.offerNetworkPort("/dev/ttyS9"));
    EXPECT_FALSE(ports.correctDeviceName(comm));
    EXPECT_EQ(comm.deviceName, "socket://rack-7:4001");
    EXPECT_EQ(ports.names().back(), "socket://rack-7:4001");
}
