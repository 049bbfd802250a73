#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "CliConsoleFixture.h"

namespace clitest {
namespace {

// Several simulated consoles, each on a pseudo-terminal of its own, and one
// flashkit-cli that updates or reads them all at once.
class CliFleet : public ::testing::Test {
  protected:
    void SetUp() override {
        // Two units that write in a second or two each: generic (two images) and block read.
        folder.write("TWO.LST", "SRF7, " + kDemoRoot + "/SRF7\nENG7, " + kDemoRoot + "/ENG7\n");
    }

    // Starts count consoles; faults[i] are the fault switches of console i.
    void startConsoles(std::size_t count, const std::map<std::size_t, std::string>& faults = {},
                       int bootIn = 1, const std::vector<std::string>& consoleFiles = {}) {
        for (std::size_t index = 0; index < count; ++index) {
            const std::string dump = folder.file("dump-" + std::to_string(index));
            std::filesystem::create_directories(dump);
            dumps.push_back(dump);
            std::vector<std::string> arguments = {
                "--console", index < consoleFiles.size() ? consoleFiles[index] : kDemoRoot + "/console.json",
                "--dump", dump};
            if (faults.count(index) != 0) {
                arguments.insert(arguments.end(), {"--fault", faults.at(index)});
            }
            consoles.push_back(std::make_unique<simtest::SimProcess>());
            ASSERT_TRUE(consoles.back()->start(arguments)) << consoles.back()->error();
            ports.push_back(consoles.back()->portPath());
        }
        folder.write("FLASHKIT.INI", settingsText(ports.front(), bootIn));
    }

    std::map<std::string, std::string> environment() const {
        std::string offered;
        for (const auto& port : ports) {
            offered += (offered.empty() ? "" : ":") + port;
        }
        return {{"FLASHKIT_PORTS", offered}};
    }

    // --ini, then --port for every console, then the rest.
    std::vector<std::string> onEveryConsole(const std::vector<std::string>& rest) const {
        std::vector<std::string> arguments = {"--ini", folder.file("FLASHKIT.INI"), "--list",
                                              folder.file("TWO.LST")};
        for (const auto& port : ports) {
            arguments.insert(arguments.end(), {"--port", port});
        }
        arguments.insert(arguments.end(), rest.begin(), rest.end());
        return arguments;
    }

    ProgramRun::Outcome fleet(const std::vector<std::string>& rest) {
        return ProgramRun::run(cliProgram(), onEveryConsole(rest), environment(), std::chrono::seconds(120));
    }

    // The console's events, once it has stopped.
    json eventsOf(std::size_t index) {
        EXPECT_EQ(consoles[index]->stop(), 0);
        return json::parse(contentOf(dumps[index] + "/events.json"));
    }

    ScratchFolder folder;
    std::vector<std::unique_ptr<simtest::SimProcess>> consoles;
    std::vector<std::string> ports;
    std::vector<std::string> dumps;
};

TEST_F(CliFleet, FourConsolesAreUpdatedAtOnceAndTheOneWithAFailingUnitIsRetriedAlone) {
    // The third console's SRF7 refuses the erase of its MAIN image.
    startConsoles(4, {{2, "SRF7/MAIN:reject-erase"}});
    const std::string report = folder.file("visit.json");
    const auto outcome = fleet({"--json", "update", "--report", report});
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.err;
    const json result = json::parse(outcome.out);
    EXPECT_EQ(result["operation"], "update");
    EXPECT_EQ(result["result"], "Failed");
    ASSERT_EQ(result["consoles"].size(), 4u) << outcome.out;
    for (std::size_t index = 0; index < 4; ++index) {
        const json& console = result["consoles"][index];
        EXPECT_EQ(console["port"], ports[index]);
        EXPECT_GT(console["seconds"].get<double>(), 0.0);
        EXPECT_EQ(console["operation"], "update");
        ASSERT_EQ(console["units"].size(), 2u) << console.dump();
        if (index == 2) {
            EXPECT_EQ(console["exitCode"], 1);
            EXPECT_EQ(console["result"], "Failed");
            EXPECT_NE(console["units"][0]["result"], "Ok") << console.dump();
            EXPECT_EQ(console["units"][0]["verified"], false);
            continue;
        }
        EXPECT_EQ(console["exitCode"], 0) << console.dump();
        EXPECT_EQ(console["result"], "Ok");
        for (const auto& unit : console["units"]) {
            EXPECT_EQ(unit["result"], "Ok") << unit.dump();
            EXPECT_EQ(unit["verified"], true) << unit.dump();
        }
        EXPECT_EQ(console["units"][0]["after"], "1.06");
        EXPECT_EQ(console["units"][1]["after"], "2.03");
    }
    // The retry names the failing port alone, keeps the other options and a new report.
    const std::string retry = result["retry"];
    EXPECT_NE(retry.find("--port " + ports[2]), std::string::npos) << retry;
    for (const std::size_t other : {0u, 1u, 3u}) {
        EXPECT_EQ(retry.find(ports[other] + " "), std::string::npos) << retry;
    }
    EXPECT_TRUE(matches(retry, "--json update --report " + folder.file("visit-retry.json") + "$")) << retry;
    EXPECT_NE(retry.find("--list " + folder.file("TWO.LST")), std::string::npos) << retry;

    // One service report, a section per console.
    const json kept = json::parse(contentOf(report));
    ASSERT_EQ(kept["consoles"].size(), 4u);
    EXPECT_EQ(kept["result"], "Failed");
    EXPECT_EQ(kept["consoles"][3]["port"], ports[3]);
    EXPECT_EQ(kept["consoles"][3]["units"][1]["after"], "2.03");
    EXPECT_EQ(kept["consoles"][2]["result"], "Failed");

    // The same command as text: the three written consoles have nothing left
    // to do, the failing one fails again, and the retry names a new report.
    const auto again = fleet({"update", "--report", folder.file("visit.txt")});
    EXPECT_EQ(again.exitStatus, 1) << again.err;
    for (std::size_t index = 0; index < 4; ++index) {
        EXPECT_NE(again.out.find("== " + ports[index] + ": " + (index == 2 ? "Failed" : "Ok")),
                  std::string::npos)
            << again.out;
    }
    // The summary: per console the units planned, written, verified, versions and result.
    EXPECT_TRUE(matches(again.out, ports[0] + R"( +0 +0 +0 +SRF7 +1\.06 +1\.06 +Ok +[0-9.]+ s)"))
        << again.out;
    EXPECT_TRUE(matches(again.out, ports[2] + R"( +1 +0 +0 +SRF7 +1\.05 +1\.05 +Failed)")) << again.out;
    EXPECT_TRUE(matches(again.out, R"(\n +ENG7 +2\.03 +2\.03\n)")) << again.out;
    const std::regex retryLine("\nretry: (.*)\n");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(again.out, found, retryLine)) << again.out;
    EXPECT_NE(
        found[1].str().find("--port " + ports[2] + " update --report " + folder.file("visit-retry.txt")),
        std::string::npos)
        << found[1];
    EXPECT_NE(again.out.find("\nresult: Failed\n"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("service report: " + folder.file("visit.txt")), std::string::npos) << again.out;
    // The plain lines of the run tell what each console did.
    EXPECT_NE(again.out.find(ports[2] + ": SRF7 writing: Erase Failed"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find(ports[2] + ": done: Failed (1 failed)\n"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find(ports[3] + ": done: Ok\n"), std::string::npos) << again.out;

    // The retry line runs as it stands, on the failing console only.
    const auto failing =
        runCli({"--ini", folder.file("FLASHKIT.INI"), "--port", ports[2], "--json", "getver", "SRF7"},
               environment());
    EXPECT_EQ(json::parse(failing.out)["units"][0]["rom"], "1.05");
}

TEST_F(CliFleet, GetverOnThreePortsReportsEachConsolesVersions) {
    std::vector<std::string> files;
    for (const char* version : {"1.01", "1.02", "1.03"}) {
        const std::string file = folder.file(std::string("console-") + version + ".json");
        folder.write(std::string("console-") + version + ".json",
                     R"({"dataRoot": ")" + kDemoRoot + R"(", "units": {"SRF7": {"version": ")" + version +
                         R"(", "cpus": {"MAIN": {"version": ")" + version + R"("}, "SUB": {"version": ")" +
                         version + R"("}}}}})");
        files.push_back(file);
    }
    startConsoles(3, {}, 1, files);
    const auto outcome = fleet({"--json", "getver", "SRF7"});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    const json result = json::parse(outcome.out);
    EXPECT_EQ(result["operation"], "getver");
    EXPECT_EQ(result["result"], "Ok");
    EXPECT_TRUE(result["retry"].is_null());
    ASSERT_EQ(result["consoles"].size(), 3u);
    for (std::size_t index = 0; index < 3; ++index) {
        const json& console = result["consoles"][index];
        EXPECT_EQ(console["port"], ports[index]);
        EXPECT_EQ(console["operation"], "getver");
        EXPECT_EQ(console["result"], "Ok");
        EXPECT_EQ(console["units"][0]["name"], "SRF7");
        EXPECT_EQ(console["units"][0]["rom"], "1.0" + std::to_string(index + 1)) << console.dump();
    }

    // As text, from a ports file: each console's table and one summary. The
    // files are named relative to where the program starts, as a technician
    // in the folder of the site's files would name them.
    folder.write("bench.txt", "# the three consoles on the bench\n" + ports[0] + "\n" + ports[1] +
                                  "  # middle\n\n" + ports[2] + "\n");
    const auto relative = [this](const char* name) {
        return std::filesystem::relative(folder.file(name), std::filesystem::current_path()).string();
    };
    const auto text = ProgramRun::run(cliProgram(),
                                      {"--ini", relative("FLASHKIT.INI"), "--list", relative("TWO.LST"),
                                       "--ports-file", relative("bench.txt"), "getver"},
                                      environment());
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    for (std::size_t index = 0; index < 3; ++index) {
        EXPECT_TRUE(
            matches(text.out, ports[index] + R"( +2 +SRF7 +1\.0)" + std::to_string(index + 1) + " +Ok"))
            << text.out;
        // A plain line per step of each console while it worked.
        EXPECT_NE(text.out.find(ports[index] + ": ENG7 reading versions\n"), std::string::npos) << text.out;
    }
    EXPECT_EQ(text.out.find("retry:"), std::string::npos);
    EXPECT_NE(text.out.find("\nresult: Ok\n"), std::string::npos) << text.out;
}

TEST_F(CliFleet, APortNamedTwiceOrByTwoNamesIsRefusedBeforeAnyConsoleIsTouched) {
    startConsoles(2);
    // A stable name, as udev makes them under /dev/serial/by-id, for the first console's tty.
    const std::string byId = folder.file("by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0");
    std::filesystem::create_directories(folder.file("by-id"));
    std::filesystem::create_symlink(ports[0], byId);
    const std::string settings = folder.file("FLASHKIT.INI");

    auto outcome =
        runCli({"--ini", settings, "--port", ports[0], "--port", ports[1], "--port", ports[0], "update"},
               environment());
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.err, "flashkit-cli: the port " + ports[0] + " is named twice\n");
    EXPECT_TRUE(outcome.out.empty()) << outcome.out;

    outcome = runCli({"--ini", settings, "--port", byId, "--port", ports[1], "--port", ports[0], "getver"},
                     environment());
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find(" and " + ports[0] + " are the same port (" + ports[0] + ")\n"),
              std::string::npos)
        << outcome.err;

    folder.write("bench.txt", ports[1] + "\n" + byId + "\n");
    outcome =
        runCli({"--ini", settings, "--port", ports[0], "--ports-file", folder.file("bench.txt"), "getver"},
               environment());
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("are the same port"), std::string::npos) << outcome.err;

    // Other bad usage of several ports is refused as early.
    outcome = runCli({"--ini", settings, "--port", ports[0], "--port", ports[1], "update", "NOSUCH"},
                     environment());
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("no unit named NOSUCH"), std::string::npos) << outcome.err;
    folder.write("visit.txt", "the last visit");
    outcome = runCli({"--ini", settings, "--port", ports[0], "--port", ports[1], "update", "--report",
                      folder.file("visit.txt")},
                     environment());
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("exists already"), std::string::npos) << outcome.err;
    outcome =
        runCli({"--ini", settings, "--ports-file", folder.file("no-such-file.txt"), "getver"}, environment());
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("cannot read the ports file"), std::string::npos) << outcome.err;

    // None of this sent a console a single message...
    for (std::size_t index = 0; index < 2; ++index) {
        for (const auto& event : eventsOf(index)) {
            EXPECT_NE(event["event"], "read") << event.dump();
        }
    }
}

TEST_F(CliFleet, TheByIdNameOfAPortIsTakenAsThePortItself) {
    // The second console holds other versions, so that the console read tells which port was used.
    folder.write("other.json",
                 R"({"dataRoot": ")" + kDemoRoot +
                     R"(", "units": {"SRF7": {"version": "1.01", "cpus": {"MAIN": {"version": "1.01"}}}}})");
    startConsoles(2, {}, 1, {kDemoRoot + "/console.json", folder.file("other.json")});
    // Short enough for DEVICE, which takes 63 characters at most.
    const std::string byId = folder.file("by-id/usb-A10K3X2Q-if00");
    ASSERT_LT(byId.size(), 64u);
    std::filesystem::create_directories(folder.file("by-id"));
    std::filesystem::create_symlink(ports[0], byId);
    // In the settings: kept as written, not replaced by the first port (the other console's).
    folder.write("BYID.INI", settingsText(byId));
    const std::map<std::string, std::string> offered = {{"FLASHKIT_PORTS", ports[1] + ":" + ports[0]}};
    auto outcome = runCli({"--ini", folder.file("BYID.INI"), "--json", "getver", "SRF7"}, offered);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(json::parse(outcome.out)["units"][0]["rom"], "1.05");
    // On the command line.
    outcome =
        runCli({"--ini", folder.file("FLASHKIT.INI"), "--port", byId, "--json", "getver", "SRF7"}, offered);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(json::parse(outcome.out)["result"], "Ok");
}

TEST_F(CliFleet, CtrlCDuringAFleetUpdateCancelsEveryConsoleAndEachLeavesBootMode) {
    startConsoles(3, {}, 5);
    ProgramRun run;
    ASSERT_TRUE(run.start(cliProgram(), onEveryConsole({"update", "SRF7"}), environment()));
    // Every console waits in boot mode.
    for (const auto& port : ports) {
        ASSERT_TRUE(run.waitForText(port + ": SRF7 writing: BOOT Change Wait", std::chrono::seconds(20)))
            << run.out() << run.err();
    }
    run.interrupt();
    const auto outcome = run.finish(std::chrono::seconds(30));
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
    EXPECT_NE(outcome.err.find("cancelling every console"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.out.find("\nresult: Cancelled\n"), std::string::npos) << outcome.out;
    for (std::size_t index = 0; index < 3; ++index) {
        EXPECT_NE(outcome.out.find("== " + ports[index] + ": Cancelled"), std::string::npos) << outcome.out;
        // The console went into boot mode and was switched back.
        bool entered = false;
        json last;
        for (const auto& event : eventsOf(index)) {
            if (event["event"] == "broadcast") {
                entered = entered || event["bootMode"] == true;
                last = event;
            }
        }
        EXPECT_TRUE(entered);
        EXPECT_EQ(last["bootMode"], false) << "console " << index << " left in boot mode";
    }
    // The retry takes every cancelled console.
    EXPECT_TRUE(
        matches(outcome.out, "retry: .*--port " + ports[0] + " --port " + ports[1] + " --port " + ports[2]))
        << outcome.out;
}

TEST_F(CliFleet, TerminationCancelsEveryConsoleAndTheJsonSaysSo) {
    startConsoles(2, {}, 5);
    ProgramRun run;
    ASSERT_TRUE(run.start(cliProgram(), onEveryConsole({"--json", "update", "SRF7"}), environment()));
    // JSON shows nothing before its end: give both consoles time to reach the five-second boot wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    run.terminate();
    const auto outcome = run.finish(std::chrono::seconds(30));
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.err;
    const json result = json::parse(outcome.out);
    EXPECT_EQ(result["result"], "Cancelled");
    ASSERT_EQ(result["consoles"].size(), 2u);
    for (std::size_t index = 0; index < 2; ++index) {
        EXPECT_EQ(result["consoles"][index]["result"], "Cancelled") << result.dump();
        EXPECT_EQ(result["consoles"][index]["units"][0]["result"], "Cancelled") << result.dump();
        json last;
        for (const auto& event : eventsOf(index)) {
            if (event["event"] == "broadcast") {
                last = event;
            }
        }
        EXPECT_EQ(last["bootMode"], false) << "console " << index << " left in boot mode";
    }
    EXPECT_NE(result["retry"].get<std::string>().find("--port " + ports[1] + " --json update SRF7"),
              std::string::npos)
        << result["retry"];
}

TEST_F(CliFleet, EachConsolesCommunicationLogHasAFolderOfItsOwnNamedInTheSummary) {
    startConsoles(2);
    // A program folder of the test's own: the logs go beside the program.
    const std::filesystem::path app = folder.path() / "app";
    std::filesystem::create_directories(app);
    std::filesystem::copy_file(cliProgram(), app / "flashkit-cli");
    const auto built = std::filesystem::path(cliProgram()).parent_path();
    for (const char* library : {"libtrx.so", "libcmpak.so"}) {
        std::filesystem::create_symlink(built / library, app / library);
    }
    std::string settings = settingsText(ports.front());
    settings.replace(settings.find("BAUDRATE"), 0, "DEBUG=1\n");
    folder.write("FLASHKIT.INI", settings);

    const auto outcome =
        ProgramRun::run((app / "flashkit-cli").string(), onEveryConsole({"getver", "SRF7"}), environment());
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    for (const auto& port : ports) {
        const std::filesystem::path log =
            app / ("COMMU-pts_" + port.substr(port.rfind('/') + 1)) / "COMMU.LOG";
        ASSERT_TRUE(std::filesystem::exists(log)) << log;
        EXPECT_EQ(contentOf(log.string()).rfind("**********LogStart**********\r\n", 0), 0u);
        EXPECT_TRUE(matches(outcome.out, port + " .* Ok +[0-9.]+ s +" + log.string())) << outcome.out;
    }
    EXPECT_FALSE(std::filesystem::exists(app / "COMMU.LOG")) << "no console wrote beside the program";
}

}  // namespace
}  // namespace clitest
