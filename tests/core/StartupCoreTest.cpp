#include "core/StartupCore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "RecordingNotifier.h"
#include "TestDirectory.h"
#include "platform/InstanceLock.h"

using core::MessageIcon;
using core::StartupCore;
using core::StartupOptions;
using core::StartupStatus;
using testing_support::CurrentDirectoryGuard;
using testing_support::PtyPair;
using testing_support::RecordingNotifier;
using testing_support::TempDirectory;

namespace {

class StartupCoreTest : public ::testing::Test {
  protected:
    StartupOptions options(const std::string& libraryVariant = "complete") const {
        StartupOptions result;
        result.lockDirectory = locks.path();
        result.programDirectory = program;
        result.libraryDirectory = std::string(FAKE_LIBRARY_ROOT) + "/" + libraryVariant;
        platform::PortDiscoveryOptions ports;
        ports.ttyClassDirectory = machine.makeDirectory("sys");
        ports.extraPorts = line.slavePath() + ":" + spareLine.slavePath();
        result.ports = ports;
        return result;
    }
    void writeSettings(const std::string& text) const { folder.writeFile("program/FLASHKIT.INI", text); }

    CurrentDirectoryGuard restore;
    TempDirectory folder;
    TempDirectory locks;
    TempDirectory machine;
    PtyPair line;
    PtyPair spareLine;
    std::string program = std::filesystem::canonical(folder.makeDirectory("program")).string();
    RecordingNotifier notifier;
};

std::string callLog(const StartupCore& startup) {
    // The fake library records what start-up called; looked up by name like any export.
    const auto log = startup.library().function<const char* (*)()>("FakeCallLog");
    return log ? (*log)() : "<no log>";
}

}  // namespace

TEST_F(StartupCoreTest, StartsWithTheSettingsPortsAndLibrary) {
    ASSERT_TRUE(line.valid() && spareLine.valid());
    std::string data = folder.makeDirectory("program/data");
    writeSettings("[HOST]\nDEVICE=" + spareLine.slavePath() + "\nBAUDRATE=38400\n[DATA]\nROOT=data\n");

    StartupCore startup(options());
    EXPECT_FALSE(startup.alreadyRunning());
    ASSERT_EQ(startup.start(notifier), StartupStatus::Ready);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ(startup.settingsPath(), program + "/FLASHKIT.INI");
    EXPECT_EQ(startup.comm().deviceName, spareLine.slavePath());
    EXPECT_EQ(startup.comm().baudRate, 38400);
    EXPECT_EQ(startup.dataRoot(), program + "/data");
    EXPECT_EQ(std::filesystem::current_path().string(), program + "/data");
    EXPECT_EQ(startup.defaultListPath(), program + "/data/UNIT.LST");
    EXPECT_EQ(startup.ports().names(), (std::vector<std::string>{line.slavePath(), spareLine.slavePath()}));
    EXPECT_TRUE(startup.api().complete());
    EXPECT_EQ(startup.connectionPoint(), 0x00);
    // Loop-back off first, then active sense off.
    EXPECT_EQ(callLog(startup), "LoopBackModeChange(0);ActiveSenseOnOff(0);");
}

TEST_F(StartupCoreTest, AbsentDeviceBecomesTheFirstPort) {
    ASSERT_TRUE(line.valid() && spareLine.valid());
    StartupCore startup(options());
    ASSERT_EQ(startup.start(notifier), StartupStatus::Ready);
    EXPECT_EQ(startup.comm().deviceName, line.slavePath());
    EXPECT_EQ(startup.dataRoot(), program);
}

TEST_F(StartupCoreTest, ASecondInstanceIsRefusedAndTheFirstKeepsRunning) {
    ASSERT_TRUE(line.valid());
    StartupCore first(options());
    ASSERT_EQ(first.start(notifier), StartupStatus::Ready);

    RecordingNotifier secondNotifier;
    StartupCore second(options());
    EXPECT_TRUE(second.alreadyRunning());
    EXPECT_EQ(second.start(secondNotifier), StartupStatus::AlreadyRunning);
    ASSERT_EQ(secondNotifier.messages.size(), 1u);
    EXPECT_EQ(secondNotifier.messages[0],
              (RecordingNotifier::Message{"QX7A LOADER is already running.", MessageIcon::Stop}));
    second.shutdown();
    EXPECT_TRUE(first.api().complete());
    EXPECT_TRUE(first.library().loaded());

    // Without the guard (the command-line program) a second copy starts.
    StartupOptions unguarded = options();
    unguarded.useInstanceGuard = false;
    StartupCore cli(unguarded);
    EXPECT_EQ(cli.start(notifier), StartupStatus::Ready);
}

TEST_F(StartupCoreTest, ShutdownUnloadsTheLibraryAndReleasesTheGuard) {
    ASSERT_TRUE(line.valid());
    StartupCore startup(options());
    ASSERT_EQ(startup.start(notifier), StartupStatus::Ready);
    startup.shutdown();
    EXPECT_FALSE(startup.library().loaded());
    EXPECT_EQ(startup.api().boundCount(), 0u);
    EXPECT_TRUE(platform::InstanceLock::acquire(StartupCore::kGuardName, locks.path()));
}

TEST_F(StartupCoreTest, ANetworkDeviceIsKeptAndCountsAsAPortWithoutAConnection) {
    writeSettings("[HOST]\nDEVICE=rfc2217://127.0.0.1:2217\n");
    StartupOptions noLocalPort = options();
    noLocalPort.ports->extraPorts = "/no/such/port";
    StartupCore startup(noLocalPort);
    ASSERT_EQ(startup.start(notifier), StartupStatus::Ready);
    EXPECT_EQ(startup.comm().deviceName, "rfc2217://127.0.0.1:2217");
    EXPECT_EQ(startup.ports().names(), std::vector<std::string>{"rfc2217://127.0.0.1:2217"});
    startup.shutdown();

    // A network port the front end names is offered beside the local ones;
    // a DEVICE that is not one of them becomes the first port as before.
    writeSettings("[HOST]\nDEVICE=COM1\n");
    StartupOptions named = options();
    named.networkPort = "socket://127.0.0.1:4001";
    StartupCore withNamed(named);
    ASSERT_EQ(withNamed.start(notifier), StartupStatus::Ready);
    EXPECT_EQ(withNamed.ports().names(),
              (std::vector<std::string>{line.slavePath(), spareLine.slavePath(), "socket://127.0.0.1:4001"}));
    EXPECT_EQ(withNamed.comm().deviceName, line.slavePath());
}

TEST_F(StartupCoreTest, NoUsablePortEndsStartUp) {
    StartupOptions noPorts = options();
    noPorts.ports->extraPorts = "/no/such/port";
    StartupCore startup(noPorts);
    EXPECT_EQ(startup.start(notifier), StartupStatus::NoPort);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0],
              (RecordingNotifier::Message{"COM port is not found.", MessageIcon::None}));
    EXPECT_FALSE(startup.library().loaded());
    startup.shutdown();

    RecordingNotifier unreadable;
    StartupOptions noTable = options();
    noTable.ports->ttyClassDirectory = machine / "no-such-class";
    StartupCore other(noTable);
    EXPECT_EQ(other.start(unreadable), StartupStatus::NoPort);
    ASSERT_EQ(unreadable.messages.size(), 1u);
    EXPECT_EQ(unreadable.messages[0].text, "COM port is not found.");
}

TEST_F(StartupCoreTest, EveryLeftOutPortIsToldWithItsReasonBeforeAnyMessage) {
    ASSERT_TRUE(line.valid() && spareLine.valid());
    // The tests run as root, for whom no device refuses to open: the probe
    // answers as it does for a user outside the dialout group.
    StartupOptions refused = options();
    refused.ports->extraPorts = line.slavePath() + ":/no/such/port:" + spareLine.slavePath();
    refused.portProbe = [this](const std::string& path) {
        if (path == spareLine.slavePath())
            return platform::PortProbeResult{platform::PortUsability::PermissionDenied,
                                             platform::SystemError::fromCode(EACCES)};
        return platform::probePort(path);
    };
    std::vector<std::string> told;
    refused.portLeftOut = [&](const core::RejectedPort& port) { told.push_back(port.leftOutText()); };

    StartupCore startup(refused);
    ASSERT_EQ(startup.start(notifier), StartupStatus::Ready);
    EXPECT_EQ(startup.ports().names(), std::vector<std::string>{line.slavePath()});
    EXPECT_EQ(told, (std::vector<std::string>{
                        "/no/such/port left out: no such device",
                        spareLine.slavePath() +
                            " left out: permission denied: add the user to the dialout group"}));
    startup.shutdown();

    // With no port left the reasons come first, the box after them.
    StartupOptions none = options();
    none.ports->extraPorts = "/no/such/port";
    std::vector<std::string> order;
    none.portLeftOut = [&](const core::RejectedPort& port) { order.push_back("told " + port.name); };
    struct OrderNotifier : core::UserNotifier {
        std::vector<std::string>* order;
        void showMessage(const std::string& text, MessageIcon) override { order->push_back("box " + text); }
    } boxes;
    boxes.order = &order;
    StartupCore empty(none);
    EXPECT_EQ(empty.start(boxes), StartupStatus::NoPort);
    EXPECT_EQ(order, (std::vector<std::string>{"told /no/such/port", "box COM port is not found."}));
}

TEST_F(StartupCoreTest, FailedBindingEndsStartUpAfterItsMessage) {
    ASSERT_TRUE(line.valid());
    StartupCore startup(options("nextversion"));
    EXPECT_EQ(startup.start(notifier), StartupStatus::BindingFailed);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, "DLL Version Error.");
    // The loop-back and active-sense calls come only after a complete binding.
    EXPECT_EQ(callLog(startup), "");
    startup.shutdown();
    EXPECT_FALSE(startup.library().loaded());
}

TEST_F(StartupCoreTest, DataRootMessageComesBeforeAnyLaterFailure) {
    ASSERT_TRUE(line.valid());
    writeSettings("[DATA]\nROOT=missing\n");
    StartupCore startup(options("lackinglast"));
    EXPECT_EQ(startup.start(notifier), StartupStatus::BindingFailed);
    ASSERT_EQ(notifier.messages.size(), 2u);
    EXPECT_EQ(notifier.messages[0].text,
              "Data Root(missing) was not found. Data Root is set \"" + program + "\".");
    EXPECT_EQ(notifier.messages[1].text.rfind("DLL Load Error (CODE:", 0), 0u);
}

TEST_F(StartupCoreTest, ASettingsFileThatIsThereButCannotBeReadEndsStartUp) {
    ASSERT_TRUE(line.valid());
    // A FIFO would block a plain read; a folder or a device is no settings text.
    ASSERT_EQ(::mkfifo((program + "/FLASHKIT.INI").c_str(), 0600), 0);
    {
        StartupCore startup(options());
        EXPECT_EQ(startup.start(notifier), StartupStatus::SettingsUnreadable);
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_EQ(notifier.messages[0].text,
                  "Cannot read the settings file " + program + "/FLASHKIT.INI: not a regular file.");
        EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Stop);
        EXPECT_FALSE(startup.library().loaded());
    }
    for (const std::string& path : {std::string("/dev/zero"), folder.makeDirectory("INI.DIR")}) {
        StartupOptions named = options();
        named.settingsPath = path;
        StartupCore startup(named);
        EXPECT_EQ(startup.start(notifier), StartupStatus::SettingsUnreadable) << path;
    }
    // A missing file still means the defaults.
    std::filesystem::remove(program + "/FLASHKIT.INI");
    StartupCore startup(options());
    EXPECT_EQ(startup.start(notifier), StartupStatus::Ready);
}

TEST_F(StartupCoreTest, AnotherSettingsFileCanBeNamed) {
    ASSERT_TRUE(line.valid());
    std::string other = folder.writeFile("elsewhere/BENCH.INI", "[HOST]\nDEBUG=1\n");
    writeSettings("[HOST]\nDEBUG=2\n");
    StartupOptions named = options();
    named.settingsPath = other;
    StartupCore startup(named);
    ASSERT_EQ(startup.start(notifier), StartupStatus::Ready);
    EXPECT_EQ(startup.comm().debugLevel, 1);
    EXPECT_EQ(startup.settingsPath(), other);
}
