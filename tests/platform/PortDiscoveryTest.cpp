#include "platform/PortDiscovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "TestDirectory.h"
#include "platform/Paths.h"
#include "platform/PortProbe.h"

using platform::PortDiscoveryOptions;
using testing_support::PtyPair;
using testing_support::TempDirectory;

namespace {

// A fake tty class folder: each name gets a folder, hardware ones a "device" link.
PortDiscoveryOptions fakeTree(const TempDirectory& root, std::initializer_list<const char*> hardware,
                              std::initializer_list<const char*> virtualOnly) {
    PortDiscoveryOptions options;
    options.ttyClassDirectory = root.makeDirectory("sys/class/tty");
    options.deviceDirectory = root.makeDirectory("dev");
    for (const char* name : hardware) {
        std::string folder = root.makeDirectory(std::string("sys/class/tty/") + name);
        std::filesystem::create_directory_symlink(root.path(), folder + "/device");
    }
    for (const char* name : virtualOnly)
        root.makeDirectory(std::string("sys/class/tty/") + name);
    return options;
}

}  // namespace

TEST(PortDiscovery, NaturalOrderComparesNumbersByValue) {
    EXPECT_TRUE(platform::naturalLess("ttyS2", "ttyS10"));
    EXPECT_FALSE(platform::naturalLess("ttyS10", "ttyS2"));
    EXPECT_TRUE(platform::naturalLess("ttyACM0", "ttyS0"));
    EXPECT_TRUE(platform::naturalLess("ttyS", "ttyS0"));
    EXPECT_TRUE(platform::naturalLess("ttyUSB1", "ttyUSB01a"));
    EXPECT_FALSE(platform::naturalLess("ttyS3", "ttyS3"));
}

TEST(PortDiscovery, HardwareTtysInNaturalOrderThenExtraPorts) {
    TempDirectory root;
    PortDiscoveryOptions options =
        fakeTree(root, {"ttyS10", "ttyUSB0", "ttyS2", "ttyACM1"}, {"tty0", "ptmx"});
    options.extraPorts = "/dev/pts/7::/tmp/sim-line:/dev/pts/7";
    platform::PortTable table = platform::discoverPorts(options);
    ASSERT_TRUE(table.readable);
    std::string dev = options.deviceDirectory;
    EXPECT_EQ(table.ports, (std::vector<std::string>{dev + "/ttyACM1", dev + "/ttyS2", dev + "/ttyS10",
                                                     dev + "/ttyUSB0", "/dev/pts/7", "/tmp/sim-line"}));
}

TEST(PortDiscovery, UnreadableTableIsReported) {
    TempDirectory root;
    PortDiscoveryOptions options;
    options.ttyClassDirectory = root / "no-such-class";
    options.extraPorts = "/dev/pts/1";
    platform::PortTable table = platform::discoverPorts(options);
    EXPECT_FALSE(table.readable);
    EXPECT_TRUE(table.ports.empty());
}

TEST(PortDiscovery, ExtraPortsComeFromTheEnvironment) {
    ::setenv("FLASHKIT_PORTS", "/dev/pts/3:/dev/pts/4", 1);
    EXPECT_EQ(PortDiscoveryOptions::systemDefaults().extraPorts, "/dev/pts/3:/dev/pts/4");
    ::unsetenv("FLASHKIT_PORTS");
    EXPECT_EQ(PortDiscoveryOptions::systemDefaults().extraPorts, "");
    EXPECT_EQ(PortDiscoveryOptions::systemDefaults().ttyClassDirectory, "/sys/class/tty");
}

TEST(PortDiscovery, WithoutSystemPortsOnlyTheExtraPortsAreOffered) {
    TempDirectory root;
    PortDiscoveryOptions options = fakeTree(root, {"ttyS0", "ttyUSB0"}, {});
    options.extraPorts = "/dev/pts/9";
    options.systemPorts = false;
    platform::PortTable table = platform::discoverPorts(options);
    EXPECT_TRUE(table.readable);
    EXPECT_EQ(table.ports, std::vector<std::string>{"/dev/pts/9"});

    // Not even a missing table is looked at.
    options.ttyClassDirectory = root / "no-such-class";
    EXPECT_TRUE(platform::discoverPorts(options).readable);
}

TEST(PortDiscovery, PortsOnlyVariableTurnsTheSystemTableOff) {
    const std::optional<std::string> saved = platform::environmentValue("FLASHKIT_PORTS_ONLY");
    ::setenv("FLASHKIT_PORTS_ONLY", "1", 1);
    EXPECT_FALSE(PortDiscoveryOptions::systemDefaults().systemPorts);
    ::setenv("FLASHKIT_PORTS_ONLY", "0", 1);
    EXPECT_TRUE(PortDiscoveryOptions::systemDefaults().systemPorts);
    ::setenv("FLASHKIT_PORTS_ONLY", "", 1);
    EXPECT_TRUE(PortDiscoveryOptions::systemDefaults().systemPorts);
    ::unsetenv("FLASHKIT_PORTS_ONLY");
    EXPECT_TRUE(PortDiscoveryOptions::systemDefaults().systemPorts);
    if (saved)
        ::setenv("FLASHKIT_PORTS_ONLY", saved->c_str(), 1);
}

TEST(PortProbe, APseudoTerminalIsASerialLine) {
    PtyPair pty;
    ASSERT_TRUE(pty.valid());
    EXPECT_TRUE(platform::probePort(pty.slavePath()).usable());
    EXPECT_EQ(platform::portUsabilityReason(platform::probePort(pty.slavePath())), "");
}

TEST(PortProbe, UnusablePortsSayWhy) {
    TempDirectory root;
    platform::PortProbeResult missing = platform::probePort(root / "ttyS99");
    EXPECT_EQ(missing.usability, platform::PortUsability::Missing);

    platform::PortProbeResult plainFile = platform::probePort(root.writeFile("ttyUSB0", ""));
    EXPECT_EQ(plainFile.usability, platform::PortUsability::NotASerialLine);
    EXPECT_EQ(platform::portUsabilityReason(plainFile), "not a serial line");

    platform::PortProbeResult denied{platform::PortUsability::PermissionDenied,
                                     platform::SystemError::fromCode(EACCES)};
    EXPECT_EQ(platform::portUsabilityReason(denied), "permission denied: add the user to the dialout group");
}

TEST(PortProbe, PermissionDeniedIsRecognised) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may open any file";
    TempDirectory root;
    std::string locked = root.writeFile("ttyS5", "");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    EXPECT_EQ(platform::probePort(locked).usability, platform::PortUsability::PermissionDenied);
}
