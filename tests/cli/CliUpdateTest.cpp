#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "CliConsoleFixture.h"

namespace clitest {
namespace {

const json* findRow(const json& unit, const std::string& cpu) {
    for (const auto& row : unit["rows"]) {
        if (row["cpu"] == cpu) {
            return &row;
        }
    }
    return nullptr;
}

// update against the simulated console. Most cases work on three units of
// the demo data root: SRF7 (generic, two images), ENG7 (block read) and
// XDG7D (its own boot loader), which write in a few seconds each.
class CliUpdate : public CliConsole {
  protected:
    void SetUp() override {
        folder.write("THREE.LST", "SRF7, " + kDemoRoot + "/SRF7\nENG7, " + kDemoRoot + "/ENG7\nXDG7D, " +
                                      kDemoRoot + "/XDG7D\n");
    }

    // A console whose ENG7 holds its file version already, so that two of
    // the three units need an update.
    void useConsoleWithEng7UpToDate() {
        folder.write("console.json", R"({
          "dataRoot": ")" + kDemoRoot + R"(",
          "units": {
            "SRF7": { "version": "1.05", "cpus": { "MAIN": { "version": "1.05" }, "SUB": { "version": "1.05" } } },
            "ENG7": { "cpus": { "CTRL": { "version": "2.03" }, "DSP1": { "version": "2.03" },
                                "DSP2": { "version": "2.03" } } },
            "LIO7": { "cpus": { "IOA": { "idByte": 1 }, "IOB": { "idByte": 2 } } },
            "XDG7": { "cpus": { "MAIN": { "idByte": 5 } } },
            "XDG7D": { "cpus": { "CARD": { "version": "1.18" } } }
          }
        })");
        consoleFile = folder.file("console.json");
    }

    std::vector<std::string> onThreeUnits(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--list", folder.file("THREE.LST")});
        return arguments;
    }

    // The image checksum the image command reports for a file, as the report prints it.
    std::string imageChecksumText(const std::string& file, bool segmented) {
        std::vector<std::string> arguments = {"--json", "image", file};
        if (segmented) {
            arguments.insert(arguments.end(), {"--base", "0x300000", "--window", "0x100000", "--clip"});
        }
        const auto outcome = runCli(arguments);
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
        char text[8];
        std::snprintf(text, sizeof text, "0x%04X", json::parse(outcome.out)["checksum"].get<unsigned>());
        return text;
    }
};

TEST_F(CliUpdate, TwoOfThreeUnitsAreWrittenVerifiedAndReportedThenNothingIsLeftToDo) {
    useConsoleWithEng7UpToDate();
    startConsole();
    const std::string reportPath = folder.file("visit.txt");
    const auto outcome = cli(onThreeUnits({"update", "--report", reportPath}));
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    const std::string& out = outcome.out;

    // The plan, then a line as each planned unit starts, in list order.
    EXPECT_NE(out.find("Plan: 2 of 3 units to write"), std::string::npos) << out;
    EXPECT_TRUE(matches(out, R"(SRF7 +MAIN +1\.05 +-> +1\.06 +MAIN0106\.mot +49408)")) << out;
    EXPECT_NE(out.find("Up to date: ENG7 2.03"), std::string::npos) << out;
    const auto srf7Start = out.find("== SRF7 (1 of 2): MAIN, SUB  1.05 -> 1.06");
    const auto xdg7dStart = out.find("== XDG7D (2 of 2): CARD  1.18 -> 1.20");
    ASSERT_NE(srf7Start, std::string::npos) << out;
    ASSERT_NE(xdg7dStart, std::string::npos) << out;
    EXPECT_LT(srf7Start, xdg7dStart);
    EXPECT_EQ(out.find("== ENG7"), std::string::npos) << out;
    // Within each unit the usual progress (plain lines on a pipe).
    EXPECT_NE(out.find("  BOOT Change Wait 1 seconds\n", srf7Start), std::string::npos) << out;
    EXPECT_NE(out.find("SRF7: Ok, verified: now 1.06"), std::string::npos) << out;
    EXPECT_NE(out.find("XDG7D: Ok, verified: now 1.20"), std::string::npos) << out;
    // The closing table: unit, before, after, result, bytes, time.
    EXPECT_TRUE(matches(out, R"(SRF7 +1\.05 +1\.06 +Ok +74240 +[0-9]+\.[0-9] s +0)")) << out;
    EXPECT_TRUE(matches(out, R"(ENG7 +2\.03 +2\.03 +UpToDate +- +- +-)")) << out;
    EXPECT_TRUE(matches(out, R"(XDG7D +1\.18 +1\.20 +Ok +131072 )")) << out;
    EXPECT_NE(out.find("\nresult: Ok\n"), std::string::npos) << out;
    EXPECT_NE(out.find("service report: " + reportPath), std::string::npos) << out;

    // The report: the same units with before and after, plus the visit's facts.
    const std::string report = contentOf(reportPath);
    EXPECT_EQ(report.rfind("FLASHKIT service report\n", 0), 0u) << report;
    EXPECT_TRUE(matches(report, R"(Date +[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2})")) << report;
    EXPECT_NE(report.find("FLASHKIT Version 2.00 (product version 2, 0, 0, 0, file version 5, 23, 2, 0)"),
              std::string::npos)
        << report;
    EXPECT_TRUE(matches(report, R"(Interface library +TRX\.DLL 1, 9, 0, 0 \(/.*/libtrx\.so\))")) << report;
    EXPECT_TRUE(matches(report, R"(Compression library +cmpak\.dll 1, 0, 0, 0 \(/.*/libcmpak\.so\))"))
        << report;
    EXPECT_TRUE(matches(report, "Port +" + console.portPath() + "\n")) << report;
    EXPECT_TRUE(matches(report, "Connection point +SRF7\n")) << report;
    EXPECT_TRUE(matches(report, "Writing port +Host I/F\n")) << report;
    EXPECT_NE(report.find("Unit list            " + folder.file("THREE.LST")), std::string::npos) << report;
    EXPECT_TRUE(matches(report, R"(SRF7 +1\.05 +1\.06 +Ok)")) << report;
    EXPECT_TRUE(matches(report, R"(ENG7 +2\.03 +2\.03 +UpToDate)")) << report;
    EXPECT_TRUE(matches(report, R"(XDG7D +1\.18 +1\.20 +Ok)")) << report;
    // Every image with its file name and checksum.
    EXPECT_TRUE(matches(report, "MAIN +1\\.05 +1\\.06 +1\\.06 +MAIN0106\\.mot +" +
                                    imageChecksumText(kDemoRoot + "/SRF7/MAIN0106.mot", false) +
                                    " +49408 +yes +yes"))
        << report;
    EXPECT_TRUE(matches(report, "CARD +1\\.18 +1\\.20 +1\\.20 +CARD0120\\.mot +" +
                                    imageChecksumText(kDemoRoot + "/XDG7D/CARD0120.mot", true)))
        << report;

    // The console now holds the new versions: nothing is left to do.
    const auto again = cli(onThreeUnits({"update"}));
    EXPECT_EQ(again.exitStatus, 0) << again.out << again.err;
    EXPECT_NE(again.out.find("Plan: 0 of 3 units to write"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("Up to date: SRF7 1.06, ENG7 2.03, XDG7D 1.20"), std::string::npos) << again.out;
}

TEST_F(CliUpdate, JsonCarriesEveryUnitAndImageAndForceWritesAUnitThatIsUpToDate) {
    useConsoleWithEng7UpToDate();
    startConsole();
    const json report = cliJson(onThreeUnits({"update", "--report", folder.file("visit.json")}), 0);
    EXPECT_EQ(report["operation"], "update");
    EXPECT_EQ(report["result"], "Ok");
    EXPECT_EQ(report["dryRun"], false);
    ASSERT_EQ(report["units"].size(), 3u);

    const json& srf7 = report["units"][0];
    EXPECT_EQ(srf7["name"], "SRF7");
    EXPECT_EQ(srf7["before"], "1.05");
    EXPECT_EQ(srf7["after"], "1.06");
    EXPECT_EQ(srf7["file"], "1.06");
    EXPECT_EQ(srf7["planned"], true);
    EXPECT_EQ(srf7["result"], "Ok");
    EXPECT_EQ(srf7["verified"], true);
    EXPECT_EQ(srf7["bytes"], 74240);
    EXPECT_GT(srf7["seconds"].get<double>(), 0.0);
    EXPECT_EQ(srf7["retries"], 0);
    EXPECT_EQ(srf7["status"], "=== Write Completed (Retry=0) ===");
    ASSERT_EQ(srf7["rows"].size(), 2u);
    const json& main = srf7["rows"][0];
    EXPECT_EQ(main["cpu"], "MAIN");
    EXPECT_EQ(main["before"], "1.05");
    EXPECT_EQ(main["after"], "1.06");
    EXPECT_EQ(main["fileName"], "MAIN0106.mot");
    EXPECT_EQ(main["filePath"], kDemoRoot + "/SRF7/MAIN0106.mot");
    EXPECT_EQ(main["bytes"], 49408);
    EXPECT_EQ(main["planned"], true);
    EXPECT_EQ(main["written"], true);
    EXPECT_EQ(main["verified"], true);

    const json& eng7 = report["units"][1];
    EXPECT_EQ(eng7["planned"], false);
    EXPECT_EQ(eng7["result"], "UpToDate");
    EXPECT_EQ(eng7["before"], "2.03");
    EXPECT_EQ(eng7["after"], "2.03");
    EXPECT_EQ(eng7["bytes"], 0);
    EXPECT_EQ(report["units"][2]["result"], "Ok");

    // The JSON report: the same object with the visit's facts in front.
    const json file = json::parse(contentOf(folder.file("visit.json")));
    EXPECT_EQ(file["report"], "FLASHKIT service report");
    EXPECT_FALSE(file["date"].get<std::string>().empty());
    EXPECT_EQ(file["port"], console.portPath());
    EXPECT_EQ(file["writingPort"], "Host I/F");
    EXPECT_EQ(file["unitList"], folder.file("THREE.LST"));
    EXPECT_EQ(file["units"], report["units"]);

    // --force writes a named unit whose versions match; in a block-read unit
    // the image shared by two CPUs is written once.
    const json forced = cliJson(onThreeUnits({"update", "ENG7", "--force"}), 0);
    ASSERT_EQ(forced["units"].size(), 1u);
    const json& unit = forced["units"][0];
    EXPECT_EQ(unit["planned"], true);
    EXPECT_EQ(unit["result"], "Ok");
    EXPECT_EQ(unit["verified"], true);
    EXPECT_EQ((*findRow(unit, "CTRL"))["written"], true);
    EXPECT_EQ((*findRow(unit, "DSP1"))["written"], true);
    EXPECT_EQ((*findRow(unit, "DSP2"))["planned"], false);
}

TEST_F(CliUpdate, AFailedWriteAndAnUnreadUnitFailTheUpdateWhileTheOthersAreWritten) {
    // SRF7's MAIN refuses its erase; ENG7 does not answer at all.
    startConsole({"SRF7/MAIN:reject-erase", "ENG7:silent"});
    const std::string reportPath = folder.file("visit.json");
    const json report = cliJson(onThreeUnits({"update", "--report", reportPath}), 1);
    EXPECT_EQ(report["result"], "Failed");
    const json& srf7 = report["units"][0];
    EXPECT_EQ(srf7["planned"], true);
    EXPECT_EQ(srf7["result"], "EraseFailed");
    EXPECT_EQ(srf7["status"], "Erase Failed");
    EXPECT_EQ(srf7["verified"], false);
    EXPECT_EQ(srf7["bytes"], 0);
    EXPECT_EQ((*findRow(srf7, "MAIN"))["written"], false);
    // Its versions were read again after the failure: nothing changed.
    EXPECT_EQ(srf7["after"], "1.05");
    const json& eng7 = report["units"][1];
    EXPECT_EQ(eng7["result"], "TimedOut");
    EXPECT_EQ(eng7["planned"], false);
    EXPECT_EQ(eng7["status"], "versions not read, so not planned");
    // The unit after the failed one is still brought up to date.
    EXPECT_EQ(report["units"][2]["result"], "Ok");
    EXPECT_EQ(report["units"][2]["after"], "1.20");

    // The report is written all the same, since that is when it matters most;
    // it takes the form of the output.
    const json file = json::parse(contentOf(reportPath));
    EXPECT_EQ(file["result"], "Failed");
    EXPECT_EQ(file["units"], report["units"]);
    EXPECT_EQ(file["compressionLibrary"].get<std::string>().rfind("cmpak.dll 1, 0, 0, 0 (", 0), 0u);
}

TEST_F(CliUpdate, AWriteThatLeavesTheOldVersionIsNotVerifiedAndFails) {
    // The write of MAIN is taken and its checksum accepted, but MAIN keeps reporting 1.05.
    startConsole({"SRF7/MAIN:keep-version"});
    const json report = cliJson({"update", "SRF7"}, 1);
    EXPECT_EQ(report["result"], "Failed");
    ASSERT_EQ(report["units"].size(), 1u);
    const json& unit = report["units"][0];
    EXPECT_EQ(unit["result"], "NotVerified");
    EXPECT_EQ(unit["verified"], false);
    EXPECT_EQ(unit["status"], "=== Write Completed (Retry=0) ===");
    const json& main = *findRow(unit, "MAIN");
    EXPECT_EQ(main["written"], true);
    EXPECT_EQ(main["verified"], false);
    EXPECT_EQ(main["after"], "1.05");
    const json& sub = *findRow(unit, "SUB");
    EXPECT_EQ(sub["verified"], true);
    EXPECT_EQ(sub["after"], "1.06");

    // The unit's own word took SUB's new version, so only --force writes it again; MAIN stays behind.
    const auto text = cli({"update", "SRF7", "--force"});
    EXPECT_EQ(text.exitStatus, 1);
    EXPECT_NE(text.out.find("SRF7: NotVerified: the write ended well, yet MAIN reports 1.05 instead of 1.06"),
              std::string::npos)
        << text.out;
}

TEST_F(CliUpdate, CtrlCCancelsTheUnitAtWorkAndSkipsTheRestButTheReportIsWritten) {
    startConsole({}, 5);
    const std::string reportPath = folder.file("visit.txt");
    ProgramRun run;
    ASSERT_TRUE(run.start(cliProgram(),
                          withSettings(onThreeUnits({"update", "SRF7", "XDG7D", "--report", reportPath})),
                          {{"FLASHKIT_PORTS", console.portPath()}}));
    ASSERT_TRUE(run.waitForText("BOOT Change Wait", std::chrono::seconds(20))) << run.out() << run.err();
    run.interrupt();
    const auto outcome = run.finish(std::chrono::seconds(30));
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
    EXPECT_NE(outcome.err.find("cancelling"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.out.find("SRF7: Cancelled"), std::string::npos) << outcome.out;
    EXPECT_EQ(outcome.out.find("== XDG7D"), std::string::npos) << outcome.out;
    EXPECT_TRUE(matches(outcome.out, R"(XDG7D +1\.18 +- +Skipped)")) << outcome.out;
    EXPECT_NE(outcome.out.find("result: Cancelled"), std::string::npos) << outcome.out;

    const std::string report = contentOf(reportPath);
    EXPECT_TRUE(matches(report, R"(SRF7 +1\.05 +- +Cancelled)")) << report;
    EXPECT_TRUE(matches(report, R"(XDG7D +1\.18 +- +Skipped)")) << report;
    EXPECT_NE(report.find("result: Cancelled"), std::string::npos) << report;

    // The skipped unit was not touched.
    EXPECT_EQ(cliJson({"getver", "XDG7D"}, 0)["units"][0]["rom"], "1.18");
}

TEST_F(CliUpdate, DryRunShowsThePlanAndWritesNothing) {
    startConsole();
    const auto text = cli(onThreeUnits({"update", "--dry-run"}));
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_NE(text.out.find("Plan: 3 of 3 units to write"), std::string::npos) << text.out;
    EXPECT_TRUE(matches(text.out, R"(DSP1 +2\.02 +-> +2\.03 +DSP_0203\.mot)")) << text.out;
    EXPECT_EQ(text.out.find("=="), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("result: Ok  (dry run: nothing written)"), std::string::npos) << text.out;

    const json plan = cliJson(onThreeUnits({"update", "--dry-run"}), 0);
    EXPECT_EQ(plan["dryRun"], true);
    EXPECT_EQ(plan["result"], "Ok");
    for (const auto& unit : plan["units"]) {
        EXPECT_EQ(unit["planned"], true) << unit.dump();
        EXPECT_EQ(unit["result"], "Planned") << unit.dump();
        EXPECT_EQ(unit["bytes"], 0) << unit.dump();
    }
    EXPECT_EQ(cliJson({"getver", "SRF7"}, 0)["units"][0]["rom"], "1.05");
}

TEST_F(CliUpdate, AnExistingReportIsBadUsageBeforeTheConsoleIsTouched) {
    const std::string dump = folder.file("dump");
    std::filesystem::create_directories(dump);
    startConsole({}, 1, {"--dump", dump});
    folder.write("visit.txt", "the last visit");
    const auto outcome = cli({"update", "--report", folder.file("visit.txt")});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_TRUE(outcome.out.empty()) << outcome.out;
    EXPECT_NE(outcome.err.find("the report " + folder.file("visit.txt") + " exists already"),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(contentOf(folder.file("visit.txt")), "the last visit");

    // Other bad usage: a report in a folder that does not exist, Card Direct, an unknown unit.
    auto bad = cli({"update", "--report", folder.file("no/such/visit.txt")});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.err.find("no such folder"), std::string::npos) << bad.err;
    bad = cli({"--mode", "card", "update"});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.err.find("update works through Host I/F"), std::string::npos) << bad.err;
    bad = cli({"update", "SRF7", "NOSUCH"});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.err.find("no unit named NOSUCH"), std::string::npos) << bad.err;

    // None of these sent the console a single message.
    ASSERT_EQ(console.stop(), 0);
    const json events = json::parse(contentOf(dump + "/events.json"));
    ASSERT_FALSE(events.empty());
    for (const auto& event : events) {
        EXPECT_NE(event["event"], "read") << event.dump();
    }
}

}  // namespace
}  // namespace clitest
