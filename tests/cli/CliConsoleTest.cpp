#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "CliConsoleFixture.h"

namespace clitest {
namespace {

TEST_F(CliConsole, PortsListsTheSimulatorsPortInTextAndJson) {
    startConsole();
    const auto text = cli({"ports"});
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_NE(text.out.find(console.portPath() + "\n"), std::string::npos) << text.out;

    const json ports = cliJson({"ports"}, 0);
    ASSERT_TRUE(ports["ports"].is_array());
    EXPECT_EQ(ports["ports"].back(), console.portPath());
}

TEST_F(CliConsole, PortsLeftOutAreNamedWithTheirReasonOnStandardErrorAndInJson) {
    startConsole();
    folder.write("not-a-line", "a plain file");
    const std::string plainFile = folder.file("not-a-line");
    const std::map<std::string, std::string> environment = {
        {"FLASHKIT_PORTS", plainFile + ":" + console.portPath()}};

    const auto text = runCli(withSettings({"ports"}), environment);
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_NE(text.err.find("flashkit-cli: " + plainFile + " left out: not a serial line\n"),
              std::string::npos)
        << text.err;
    EXPECT_EQ(text.out.find(plainFile), std::string::npos) << text.out;

    const auto outcome = runCli(withSettings({"--json", "ports"}), environment);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    const json ports = json::parse(outcome.out);
    ASSERT_TRUE(ports["rejected"].is_array());
    EXPECT_NE(std::find(ports["rejected"].begin(), ports["rejected"].end(),
                        json{{"port", plainFile}, {"reason", "not a serial line"}}),
              ports["rejected"].end())
        << outcome.out;
    EXPECT_EQ(ports["ports"].back(), console.portPath());

    // Every command that starts up says it, also when it then fails.
    const auto failed = runCli(withSettings({"--port", plainFile, "getver", "SRF7"}), environment);
    EXPECT_EQ(failed.exitStatus, 2);
    EXPECT_LT(failed.err.find(plainFile + " left out: not a serial line"),
              failed.err.find("is not a usable serial port"))
        << failed.err;
}

TEST_F(CliConsole, PortThatIsNotUsableIsBadUsage) {
    startConsole();
    const auto outcome = cli({"--port", "/dev/no-such-port", "getver", "SRF7"});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_TRUE(outcome.out.empty()) << outcome.out;
    EXPECT_NE(outcome.err.find("--port /dev/no-such-port is not a usable serial port"), std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find(console.portPath()), std::string::npos) << outcome.err;
}

TEST_F(CliConsole, UnitsShowsEveryUnitWithItsRowsAndTheSelectionOfTheMode) {
    startConsole();
    const auto text = cli({"units"});
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_NE(text.out.find("SRF7"), std::string::npos);
    EXPECT_NE(text.out.find("MAIN0106.mot"), std::string::npos) << text.out;

    const json host = cliJson({"units"}, 0);
    const json* srf7 = findUnit(host["units"], "SRF7");
    ASSERT_NE(srf7, nullptr) << host.dump();
    EXPECT_EQ((*srf7)["file"], "1.06");
    ASSERT_EQ((*srf7)["rows"].size(), 2u);
    const json& main = (*srf7)["rows"][0];
    EXPECT_EQ(main["cpu"], "MAIN");
    // The newer of MAIN0104.mot and MAIN0106.mot is the row's image.
    EXPECT_EQ(main["fileName"], "MAIN0106.mot");
    EXPECT_EQ(main["file"], "1.06");
    EXPECT_EQ(main["selected"], true);
    EXPECT_EQ(main["topAddress"], 0x200000);
    EXPECT_EQ(main["flashAddress"], 0x200000);

    // Card Direct starts with nothing selected.
    const json card = cliJson({"--mode", "card", "units"}, 0);
    const json* cardSrf7 = findUnit(card["units"], "SRF7");
    ASSERT_NE(cardSrf7, nullptr);
    EXPECT_EQ((*cardSrf7)["rows"][0]["selected"], false);
}

TEST_F(CliConsole, GetverReadsTheUnitsVersionsWithExitZero) {
    startConsole();
    const json report = cliJson({"getver", "SRF7"}, 0);
    EXPECT_EQ(report["operation"], "getver");
    EXPECT_EQ(report["result"], "Ok");
    ASSERT_EQ(report["units"].size(), 1u);
    const json& unit = report["units"][0];
    EXPECT_EQ(unit["name"], "SRF7");
    EXPECT_EQ(unit["rom"], "1.05");
    EXPECT_EQ(unit["updateNeeded"], true);
    EXPECT_EQ(unit["rows"][0]["rom"], "1.05");
    EXPECT_EQ(unit["rows"][1]["rom"], "1.05");

    const auto text = cli({"getver", "srf7"});
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_NE(text.out.find("result: Ok"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("1.05"), std::string::npos) << text.out;
}

TEST_F(CliConsole, ConnectionPointChoosesTheUnitThatAnswersReads) {
    // The PC is plugged into the ENG7 unit (bus address 0x10).
    startConsole({}, 1, {"--connection-point", "16"});
    EXPECT_EQ(cliJson({"--connection", "ENG7", "getver", "SRF7"}, 0)["result"], "Ok");
    EXPECT_EQ(cliJson({"getver", "SRF7"}, 1)["result"], "TimedOut");
}

TEST_F(CliConsole, SilentUnitTimesOutWithExitOne) {
    startConsole({"SRF7:silent"});
    const json report = cliJson({"getver", "SRF7"}, 1);
    EXPECT_EQ(report["result"], "TimedOut");
    const auto text = cli({"getver", "SRF7"});
    EXPECT_EQ(text.exitStatus, 1);
    EXPECT_NE(text.err.find("Get Version - Timeout Error !"), std::string::npos) << text.err;
    EXPECT_NE(text.out.find("result: TimedOut"), std::string::npos) << text.out;
}

TEST_F(CliConsole, GetverOfAllUnitsReportsTheWorstUnitNotTheLast) {
    // The first unit is silent; the last one (XDG7D) answers.
    startConsole({"SRF7:silent"});
    const json report = cliJson({"getver"}, 1);
    EXPECT_EQ(report["result"], "TimedOut");
    ASSERT_EQ(report["units"].size(), 5u);
    EXPECT_EQ(report["units"][4]["name"], "XDG7D");
    EXPECT_EQ(report["units"][4]["rom"], "1.18");
    EXPECT_EQ(report["units"][1]["rom"], "2.02");

    const auto text = cli({"getver"});
    EXPECT_EQ(text.exitStatus, 1);
    EXPECT_NE(text.err.find("flashkit-cli: error: SRF7: TimedOut"), std::string::npos) << text.err;
    EXPECT_NE(text.out.find("result: TimedOut"), std::string::npos) << text.out;
}

TEST_F(CliConsole, WriteRewritesTheFlashAndGetverShowsTheNewVersion) {
    startConsole();
    const auto text = cli({"write", "SRF7"});
    ASSERT_EQ(text.exitStatus, 0) << text.out << text.err;
    // Standard output is a pipe here: plain status lines, then the table and the figures.
    EXPECT_NE(text.out.find("  BOOT Change Wait 1 seconds\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("=== Write Completed (Retry=0) ==="), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Completed"), std::string::npos);
    EXPECT_NE(text.out.find(" bytes in "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" KB/s)"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("\x1b["), std::string::npos) << "no terminal control on a pipe";

    const json after = cliJson({"getver", "SRF7"}, 0);
    EXPECT_EQ(after["units"][0]["rom"], "1.06");
    EXPECT_EQ(after["units"][0]["updateNeeded"], false);
}

TEST_F(CliConsole, WriteJsonReportsResultStatusAndTheChosenCpu) {
    startConsole();
    const json report = cliJson({"write", "SRF7", "--cpu", "SUB"}, 0);
    EXPECT_EQ(report["operation"], "write");
    EXPECT_EQ(report["result"], "Ok");
    EXPECT_EQ(report["status"], "=== Write Completed (Retry=0) ===");
    const json& unit = report["units"][0];
    EXPECT_EQ(unit["resultText"], "Completed");
    // Each image the engine has written is unselected again.
    EXPECT_EQ(unit["rows"][1]["selected"], false);

    // Only SUB has the new firmware; MAIN, on a flash of its own, keeps the old one.
    const json after = cliJson({"getver", "SRF7"}, 0);
    EXPECT_EQ(after["units"][0]["rows"][0]["rom"], "1.05");
    EXPECT_EQ(after["units"][0]["rows"][1]["rom"], "1.06");
}

TEST_F(CliConsole, EraseReportsItsOwnCompletion) {
    startConsole();
    const json report = cliJson({"erase", "SRF7", "--json"}, 0);
    EXPECT_EQ(report["operation"], "erase");
    EXPECT_EQ(report["result"], "Ok");
    EXPECT_EQ(report["status"], "=== Erase Completed (Retry=0) ===");
    EXPECT_EQ(report["units"][0]["resultText"], "");
}

TEST_F(CliConsole, UnknownUnitOrCpuIsBadUsage) {
    startConsole();
    auto outcome = cli({"write", "NOSUCH"});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("no unit named NOSUCH (units: SRF7, ENG7"), std::string::npos) << outcome.err;
    outcome = cli({"getver", "NOSUCH"});
    EXPECT_EQ(outcome.exitStatus, 2);
    outcome = cli({"write", "SRF7", "--cpu", "MAIN", "--cpu", "DSP9"});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("unit SRF7 has no CPU named DSP9 (CPUs: MAIN, SUB)"), std::string::npos)
        << outcome.err;
    EXPECT_TRUE(outcome.out.empty()) << outcome.out;
}

TEST_F(CliConsole, WriteWithoutAnyImageIsNeverReportedOk) {
    startConsole();
    // A unit whose settings file has no CPU section has no row to write.
    folder.write("BARE/BARE.SET", "[SETTINGS]\nVERSION=0100\nSTATUS=256\n");
    folder.write("BARE.LST", "BARE, " + folder.file("BARE") + ", BARE.SET\n");
    const json report = cliJson({"--list", folder.file("BARE.LST"), "write", "BARE"}, 1);
    EXPECT_EQ(report["status"], "No anyting !!!");
    EXPECT_EQ(report["result"], "Failed");
}

TEST_F(CliConsole, MissingSettingsFileOrUnitListNamedOnTheCommandLineIsBadInput) {
    startConsole();
    auto outcome =
        runCli({"--ini", folder.file("NONE.INI"), "units"}, {{"FLASHKIT_PORTS", console.portPath()}});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.err, "flashkit-cli: cannot read the settings file " + folder.file("NONE.INI") + "\n");
    outcome = cli({"--list", folder.file("NONE.LST"), "units"});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.err, "flashkit-cli: cannot open the unit list " + folder.file("NONE.LST") + "\n");
    folder.write("EMPTY.LST", "\n  \n");
    outcome = cli({"--list", folder.file("EMPTY.LST"), "getver"});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("names no unit"), std::string::npos) << outcome.err;
}

TEST_F(CliConsole, WithoutSettingsFileTheDefaultsApply) {
    startConsole();
    // A copy of the program in a folder of its own, with the libraries it loads beside it:
    // no FLASHKIT.INI there, so the data root is that folder and the list UNIT.LST in it.
    const std::filesystem::path program = folder.path() / "bin" / "flashkit-cli";
    std::filesystem::create_directories(program.parent_path());
    std::filesystem::copy_file(cliProgram(), program);
    const auto buildBin = std::filesystem::path(cliProgram()).parent_path();
    for (const char* library : {"libtrx.so", "libcmpak.so"}) {
        std::filesystem::create_symlink(buildBin / library, program.parent_path() / library);
    }
    const std::map<std::string, std::string> environment = {{"FLASHKIT_PORTS", console.portPath()}};

    auto outcome = ProgramRun::run(program.string(), {"--json", "units"}, environment);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(json::parse(outcome.out)["units"].size(), 0u);
    EXPECT_NE(outcome.err.find("cannot open the unit list " + (program.parent_path() / "UNIT.LST").string()),
              std::string::npos)
        << outcome.err;

    folder.write("bin/UNIT.LST", "SRF7, " + kDemoRoot + "/SRF7\n");
    // DEVICE defaults to COM1, which is no port here: the first usable port is taken, so name the console's.
    outcome = ProgramRun::run(program.string(), {"--port", console.portPath(), "--json", "getver", "SRF7"},
                              environment);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(json::parse(outcome.out)["units"][0]["rom"], "1.05");
}

TEST_F(CliConsole, CtrlCDuringWriteCancelsAndExitsOne) {
    startConsole({}, 5);
    ProgramRun run;
    ASSERT_TRUE(
        run.start(cliProgram(), withSettings({"write", "SRF7"}), {{"FLASHKIT_PORTS", console.portPath()}}));
    ASSERT_TRUE(run.waitForText("BOOT Change Wait", std::chrono::seconds(10))) << run.out() << run.err();
    run.interrupt();
    const auto outcome = run.finish(std::chrono::seconds(20));
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
    EXPECT_NE(outcome.out.find("result: Cancelled"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("Canceled"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.err.find("cancelling"), std::string::npos) << outcome.err;
}

TEST_F(CliConsole, TerminationDuringWriteCancelsLikeCtrlC) {
    startConsole({}, 5);
    ProgramRun run;
    ASSERT_TRUE(run.start(cliProgram(), withSettings({"--json", "write", "SRF7"}),
                          {{"FLASHKIT_PORTS", console.portPath()}}));
    // The JSON run prints nothing before its end: give it time to reach the boot wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    run.terminate();
    const auto outcome = run.finish(std::chrono::seconds(20));
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.err;
    const json report = json::parse(outcome.out);
    EXPECT_EQ(report["result"], "Cancelled");
    EXPECT_EQ(report["units"][0]["resultText"], "Canceled");
}

TEST_F(CliConsole, TwoProgramsWorkOnTwoPortsButNeverShareOne) {
    startConsole({}, 3);
    simtest::SimProcess second;
    ASSERT_TRUE(second.start({"--console", kDemoRoot + "/console.json"})) << second.error();
    const std::map<std::string, std::string> bothPorts = {
        {"FLASHKIT_PORTS", console.portPath() + ":" + second.portPath()}};

    ProgramRun writing;
    ASSERT_TRUE(writing.start(cliProgram(), withSettings({"--port", console.portPath(), "write", "SRF7"}),
                              bothPorts));
    ASSERT_TRUE(writing.waitForText("BOOT Change Wait", std::chrono::seconds(10))) << writing.err();

    // No single-instance guard: another console is read at the same time...
    const auto other =
        runCli(withSettings({"--port", second.portPath(), "--json", "getver", "SRF7"}), bothPorts);
    EXPECT_EQ(other.exitStatus, 0) << other.err;
    EXPECT_EQ(json::parse(other.out)["result"], "Ok");
    // ...but the port in use stays with the program that holds it.
    const auto same =
        runCli(withSettings({"--port", console.portPath(), "--json", "getver", "SRF7"}), bothPorts);
    EXPECT_EQ(same.exitStatus, 1);
    EXPECT_EQ(json::parse(same.out)["result"], "OpenFailed");
    EXPECT_NE(same.err.find("Interface Open NG"), std::string::npos) << same.err;
    // ...and the technician is told why.
    EXPECT_EQ(json::parse(same.out)["reason"], console.portPath() + ": in use by another program");
    EXPECT_NE(same.err.find("flashkit-cli: " + console.portPath() + ": in use by another program\n"),
              std::string::npos)
        << same.err;

    const auto written = writing.finish(std::chrono::seconds(60));
    EXPECT_EQ(written.exitStatus, 0) << written.out << written.err;
}

TEST_F(CliConsole, HangUpDuringWriteCancelsLikeCtrlC) {
    startConsole({}, 5);
    ProgramRun run;
    ASSERT_TRUE(
        run.start(cliProgram(), withSettings({"write", "SRF7"}), {{"FLASHKIT_PORTS", console.portPath()}}));
    ASSERT_TRUE(run.waitForText("BOOT Change Wait", std::chrono::seconds(10))) << run.out() << run.err();
    run.hangUp();
    const auto outcome = run.finish(std::chrono::seconds(20));
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
    EXPECT_NE(outcome.out.find("result: Cancelled"), std::string::npos) << outcome.out;
    // The console was switched back: the next run reads its versions.
    EXPECT_EQ(cliJson({"getver", "SRF7"}, 0)["result"], "Ok");
}

TEST_F(CliConsole, ImageReplacedDuringTheBootWaitFailsCleanlyAndLeavesBootMode) {
    startConsole({}, 2);
    std::filesystem::copy(kDemoRoot + "/SRF7", folder.file("SRF7"), std::filesystem::copy_options::recursive);
    folder.write("COPY.LST", "SRF7, " + folder.file("SRF7") + ", SRF7.SET\n");
    const std::string newest = folder.file("SRF7/MAIN0106.mot");
    // A FIFO without a writer blocked the load for ever; a device that never ends filled the memory.
    for (const std::string& replacement : {std::string("fifo"), std::string("/dev/zero")}) {
        ProgramRun run;
        ASSERT_TRUE(run.start(
            cliProgram(), withSettings({"--list", folder.file("COPY.LST"), "write", "SRF7", "--cpu", "MAIN"}),
            {{"FLASHKIT_PORTS", console.portPath()}}));
        ASSERT_TRUE(run.waitForText("BOOT Change Wait", std::chrono::seconds(10))) << run.out() << run.err();
        std::filesystem::remove(newest);
        if (replacement == "fifo") {
            ASSERT_EQ(::mkfifo(newest.c_str(), 0600), 0);
        } else {
            std::filesystem::create_symlink(replacement, newest);
        }
        const auto outcome = run.finish(std::chrono::seconds(60));
        EXPECT_EQ(outcome.exitStatus, 1) << replacement << outcome.out << outcome.err;
        EXPECT_NE(outcome.out.find("File open Error!"), std::string::npos) << replacement << outcome.out;
        EXPECT_EQ(outcome.out.find("Completed"), std::string::npos) << replacement << outcome.out;
        // The console was switched back from boot mode: it answers a version read.
        EXPECT_EQ(cliJson({"getver", "SRF7"}, 0)["result"], "Ok") << replacement;
        std::filesystem::remove(newest);
        std::filesystem::copy_file(kDemoRoot + "/SRF7/MAIN0106.mot", newest);
    }
}

TEST_F(CliConsole, OutputThatGoesAwayNeitherStopsTheWriteNorPassesForSuccess) {
    startConsole({}, 2);
    ProgramRun run;
    ASSERT_TRUE(
        run.start(cliProgram(), withSettings({"write", "SRF7"}), {{"FLASHKIT_PORTS", console.portPath()}}));
    ASSERT_TRUE(run.waitForText("BOOT Change Wait", std::chrono::seconds(10))) << run.out() << run.err();
    // As "flashkit-cli write SRF7 | head -1" does once head has its line.
    run.stopReadingOutput();
    const auto outcome = run.finish(std::chrono::seconds(60));
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.err;
    EXPECT_NE(outcome.err.find("standard output could not be written"), std::string::npos) << outcome.err;
    // The write itself went to its end: the unit holds the new version.
    const json report = cliJson({"getver", "SRF7"}, 0);
    EXPECT_EQ(report["units"][0]["rom"], "1.06") << report.dump();
}

TEST_F(CliConsole, JsonIsValidWhateverBytesTheNamesHold) {
    startConsole();
    // A unit name with a byte that is not UTF-8, an image whose name holds a
    // Latin-1 letter, and a port name that is not UTF-8 either.
    const std::string unitName = "SRF7\xFF";
    std::filesystem::create_directories(folder.file("LATIN"));
    std::filesystem::copy(kDemoRoot + "/SRF7", folder.file("LATIN"),
                          std::filesystem::copy_options::recursive);
    std::filesystem::copy_file(folder.file("LATIN/MAIN0106.mot"), folder.file("LATIN/MAIN0107\xE9.mot"));
    folder.write("ODD.LST", unitName + ", " + folder.file("LATIN") + ", SRF7.SET\n");
    const std::string oddPort = folder.file("tty\xFE");
    const std::map<std::string, std::string> environment = {
        {"FLASHKIT_PORTS", console.portPath() + ":" + oddPort}};

    const auto write =
        runCli(withSettings({"--json", "--list", folder.file("ODD.LST"), "write", unitName, "--cpu", "MAIN"}),
               environment);
    EXPECT_EQ(write.exitStatus, 0) << write.err;
    const json written = json::parse(write.out);  // throws unless valid JSON
    EXPECT_EQ(written["result"], "Ok");
    EXPECT_EQ(written["units"][0]["name"], "SRF7\xEF\xBF\xBD");
    EXPECT_EQ(written["units"][0]["rows"][0]["fileName"], "MAIN0107\xEF\xBF\xBD.mot");

    const auto units =
        runCli(withSettings({"--json", "--list", folder.file("ODD.LST"), "units"}), environment);
    EXPECT_EQ(json::parse(units.out)["units"][0]["name"], "SRF7\xEF\xBF\xBD");
    const auto ports = runCli(withSettings({"--json", "ports"}), environment);
    EXPECT_EQ(json::parse(ports.out)["rejected"][0]["port"], folder.file("tty\xEF\xBF\xBD")) << ports.out;
}

TEST_F(CliConsole, SettingsOrUnitListThatCannotBeReadIsBadInputAndNothingHangs) {
    startConsole();
    ASSERT_EQ(::mkfifo(folder.file("FIFO").c_str(), 0600), 0);
    std::filesystem::create_directory(folder.file("FOLDER"));
    for (const std::string& path : {folder.file("FIFO"), folder.file("FOLDER"), std::string("/dev/zero")}) {
        auto outcome = runCli({"--ini", path, "units"}, {{"FLASHKIT_PORTS", console.portPath()}});
        EXPECT_EQ(outcome.exitStatus, 2) << path;
        EXPECT_EQ(outcome.err,
                  "flashkit-cli: cannot read the settings file " + path + ": not a regular file\n");
        outcome = cli({"--list", path, "units"});
        EXPECT_EQ(outcome.exitStatus, 2) << path;
        EXPECT_EQ(outcome.err, "flashkit-cli: cannot open the unit list " + path + ": not a regular file\n");
    }
}

TEST_F(CliConsole, ABaudRateThatIsNoNumberIsNamedAsTheReason) {
    startConsole();
    for (const std::string value : {"abc", "4294967296"}) {
        std::string settings = settingsText(console.portPath());
        settings.replace(settings.find("BAUDRATE=115200"), 15, "BAUDRATE=" + value);
        folder.write("BAUD.INI", settings);
        const auto outcome = runCli({"--ini", folder.file("BAUD.INI"), "--json", "getver", "SRF7"},
                                    {{"FLASHKIT_PORTS", console.portPath()}});
        EXPECT_EQ(outcome.exitStatus, 1) << outcome.err;
        const json report = json::parse(outcome.out);
        EXPECT_EQ(report["result"], "OpenFailed");
        EXPECT_EQ(report["reason"], "HOST/BAUDRATE=" + value + " is not a baud rate (read as 0)");
        EXPECT_NE(outcome.err.find("flashkit-cli: HOST/BAUDRATE=" + value), std::string::npos) << outcome.err;
    }
}

TEST_F(CliConsole, LongValuesAreCutInMessages) {
    startConsole();
    const std::string longName(10000, 'n');
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--list", folder.file(longName), "units"},
          std::vector<std::string>{"--port", longName, "getver"},
          std::vector<std::string>{"getver", longName}}) {
        const auto outcome = cli(arguments);
        EXPECT_EQ(outcome.exitStatus, 2);
        EXPECT_LT(outcome.err.size(), 600u) << outcome.err.substr(0, 200);
        EXPECT_NE(outcome.err.find("characters)"), std::string::npos) << outcome.err.substr(0, 200);
    }
}

}  // namespace
}  // namespace clitest
