#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "cli/CommandLineParser.h"
#include "cli/FleetCommand.h"
#include "cli/FleetDisplay.h"
#include "cli/FleetFeed.h"
#include "cli/FleetPorts.h"
#include "cli/FleetReport.h"
#include "cli/ProgressDisplay.h"
#include "cli/ReportFormatter.h"
#include "cli/ServiceReport.h"
#include "cli/UpdateReportFormatter.h"
#include "platform/CommandLine.h"

namespace cli {
namespace {

using Clock = FleetDisplay::Clock;

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(FleetFeed, RecordsSurviveTheirLineAndMessagesAreNoRecords) {
    const FeedRecord started = FeedRecord::started("write", "SRF7");
    const FeedRecord progress = FeedRecord::progress("Writing 00200100H", 42);
    const FeedRecord failed = FeedRecord::ended("write", "XDG7D", "TimedOut");
    const FeedRecord error = FeedRecord::progress("Erase Error!", 0, true);
    for (const FeedRecord& record : {started, progress, failed, error}) {
        const std::string line = FleetFeed::line(record);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_EQ(FleetFeed::parse(line), record) << line;
    }
    EXPECT_EQ(FleetFeed::line(started), R"(@fleet {"started":"write","unit":"SRF7"})");

    for (const char* other : {"flashkit-cli: error: SRF7: Failed", "@fleet", "@fleet {", "@fleet []",
                              "@fleet {\"unknown\":1}", "  @fleet {\"status\":\"x\"}"}) {
        EXPECT_FALSE(FleetFeed::parse(other)) << other;
    }
    // Out-of-range and mistyped values do no harm.
    const auto odd = FleetFeed::parse(R"(@fleet {"status":7,"percent":250,"error":"yes"})");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->status, "");
    EXPECT_EQ(odd->percent, 100);
    EXPECT_FALSE(odd->error);
}

TEST(FleetFeed, AConsolesProgramReportsStepsAndProgressWithoutFlooding) {
    std::ostringstream progress;
    std::ostringstream messages;
    ProgressDisplay display(progress, messages, ProgressDisplay::Style::Feed);
    const auto start = Clock::now();
    auto snapshot = [](std::string status, int overall) {
        ProgressSnapshot shown;
        shown.statusText = std::move(status);
        shown.overallTotal = 100;
        shown.overallPos = overall;
        return shown;
    };
    display.beginOperation(false);
    display.stepStarted("getver", "SRF7");
    display.update(snapshot("ignored: getver shows no progress", 0), start);
    display.stepEnded("getver", "SRF7", "Ok");
    display.beginOperation(true);
    display.stepStarted("write", "SRF7");
    display.update(snapshot("  BOOT Change Wait 2 seconds", 0), start);
    display.update(snapshot("  BOOT Change Wait 2 seconds", 0), start);
    // Counting on within the period waits; a new kind of status goes at once.
    display.update(snapshot("  BOOT Change Wait 1 seconds", 0), start + std::chrono::milliseconds(100));
    display.update(snapshot("Writing 00200100H", 10), start + std::chrono::milliseconds(150));
    display.update(snapshot("Writing 00200180H", 11), start + std::chrono::milliseconds(200));
    display.update(snapshot("Writing 00200200H", 12), start + std::chrono::milliseconds(450));
    display.message("SUB: Erase Error!", core::MessageIcon::Stop);
    display.stepEnded("write", "SRF7", "Ok");
    display.finish();

    EXPECT_TRUE(progress.str().empty()) << "standard output is the result's alone";
    std::vector<FeedRecord> records;
    std::vector<std::string> others;
    for (const std::string& line : split(messages.str())) {
        if (const auto record = FleetFeed::parse(line)) {
            records.push_back(*record);
        } else {
            others.push_back(line);
        }
    }
    EXPECT_EQ(others, (std::vector<std::string>{"flashkit-cli: error: SUB: Erase Error!"}));
    std::vector<std::string> seen;
    for (const FeedRecord& record : records) {
        seen.push_back(record.kind == FeedRecord::Kind::Progress
                           ? record.status + " " + std::to_string(record.percent)
                           : record.operation + " " + record.unit + " " + record.result);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"getver SRF7 ", "getver SRF7 Ok", "write SRF7 ",
                                              "  BOOT Change Wait 2 seconds 0", "Writing 00200100H 10",
                                              "Writing 00200200H 12", "write SRF7 Ok"}));
}

TEST(FleetPorts, APortsFileHasOnePortALineWithComments) {
    EXPECT_EQ(FleetPorts::parse("# the depot's bench\r\n/dev/ttyUSB0\n\n  COM5  # left console\r\n\t#\n"
                                "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0"),
              (std::vector<std::string>{"/dev/ttyUSB0", "COM5",
                                        "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0"}));
    EXPECT_TRUE(FleetPorts::parse("").empty());
    EXPECT_TRUE(FleetPorts::parse("# nothing\n   \n").empty());
}

TEST(FleetPorts, TwoNamesOfOneDeviceAreADuplicate) {
    const auto identity = [](const std::string& port) {
        return port == "/dev/serial/by-id/usb-FTDI-A10K3X2Q" ? std::string("/dev/ttyUSB1") : port;
    };
    EXPECT_FALSE(FleetPorts::firstDuplicate({"/dev/ttyUSB0", "/dev/ttyUSB1", "COM5"}, identity));
    EXPECT_EQ(FleetPorts::firstDuplicate({"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB0"}, identity),
              std::make_pair(std::size_t{0}, std::size_t{2}));
    EXPECT_EQ(FleetPorts::firstDuplicate(
                  {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/serial/by-id/usb-FTDI-A10K3X2Q"}, identity),
              std::make_pair(std::size_t{1}, std::size_t{2}));
    EXPECT_FALSE(FleetPorts::firstDuplicate({}, identity));
}

TEST(FleetPorts, EachPortsLogFolderIsNamedAfterIt) {
    EXPECT_EQ(FleetPorts::logFolderName("/dev/ttyUSB0"), "COMMU-ttyUSB0");
    EXPECT_EQ(FleetPorts::logFolderName("/dev/pts/3"), "COMMU-pts_3");
    EXPECT_EQ(FleetPorts::logFolderName("COM5"), "COMMU-COM5");
    EXPECT_EQ(FleetPorts::logFolderName("/dev/serial/by-id/usb-FTDI_X-if00-port0"),
              "COMMU-serial_by-id_usb-FTDI_X-if00-port0");
    EXPECT_EQ(FleetPorts::logFolderName("rfc2217://127.0.0.1:7000"), "COMMU-rfc2217___127.0.0.1_7000");
    EXPECT_EQ(FleetPorts::logFolderName("../x"), "COMMU-.._x") << "never leaves the program's folder";
}

TEST(FleetPorts, TheRetryKeepsEveryOtherOptionAndNamesANewReport) {
    const std::vector<std::string> original = {
        "--ini", "site.ini", "--port",  "/dev/pts/3", "--port=/dev/pts/4", "--json",   "update",
        "SRF7",  "ENG7",     "--force", "--list",     "two.lst",           "--report", "visit.txt"};
    EXPECT_EQ(
        FleetPorts::retryArguments(original, {"/dev/pts/4"}, std::string("visit-retry.txt")),
        (std::vector<std::string>{"--ini", "site.ini", "--port", "/dev/pts/4", "--json", "update", "SRF7",
                                  "ENG7", "--force", "--list", "two.lst", "--report", "visit-retry.txt"}));
    EXPECT_EQ(FleetPorts::withoutPortsAndReport(original),
              (std::vector<std::string>{"--ini", "site.ini", "--json", "update", "SRF7", "ENG7", "--force",
                                        "--list", "two.lst"}));
    // A ports file gives way to the failed ports themselves.
    EXPECT_EQ(FleetPorts::retryArguments({"--ports-file", "bench.txt", "getver", "--report=x"},
                                         {"COM5", "COM7"}, std::nullopt),
              (std::vector<std::string>{"--port", "COM5", "--port", "COM7", "getver"}));

    std::set<std::string> existing = {"visit-retry.txt", "visit-retry2.txt"};
    const auto exists = [&existing](const std::string& path) { return existing.count(path) != 0; };
    EXPECT_EQ(FleetPorts::retryReportFile("visit.txt", exists), "visit-retry3.txt");
    EXPECT_EQ(FleetPorts::retryReportFile("reports/visit.json", exists), "reports/visit-retry.json");
    EXPECT_EQ(FleetPorts::retryReportFile("v1.2/visit", exists), "v1.2/visit-retry");
    EXPECT_EQ(FleetPorts::retryReportFile(".report", exists), ".report-retry");

    EXPECT_EQ(platform::shellQuoted("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(platform::shellQuoted("my visit's report.txt"), R"('my visit'\''s report.txt')");
    EXPECT_EQ(platform::shellQuoted(""), "''");
    EXPECT_EQ(platform::windowsQuoted("COM5"), "COM5");
    EXPECT_EQ(platform::windowsQuoted(R"(C:\My Reports\)"), R"("C:\My Reports\\")");
    EXPECT_EQ(platform::windowsQuoted(R"(say "hi"\)"), R"("say \"hi\"\\")");
    EXPECT_EQ(platform::windowsQuoted(""), R"("")");
}

TEST(FleetCommand, EachConsolesProgramGetsItsPortAndReportsAsJson) {
    EXPECT_EQ(FleetCommand::consoleArguments({"--ini", "a.ini", "update", "SRF7"}, "/dev/pts/3"),
              (std::vector<std::string>{"--port", "/dev/pts/3", "--fleet-child", "--json", "--ini", "a.ini",
                                        "update", "SRF7"}));
    EXPECT_EQ(FleetCommand::consoleArguments({"--json", "getver"}, "COM5"),
              (std::vector<std::string>{"--port", "COM5", "--fleet-child", "--json", "getver"}));
}

TEST(CommandLineParser, SeveralPortsWorkWithUpdateAndGetverOnly) {
    auto outcome = CommandLineParser::parse({"--port", "A", "--port", "B", "update", "SRF7"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->ports, (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(outcome.options->port);
    EXPECT_EQ(outcome.options->arguments,
              (std::vector<std::string>{"--port", "A", "--port", "B", "update", "SRF7"}));

    outcome = CommandLineParser::parse({"getver", "--ports-file", "bench.txt"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->portsFile, "bench.txt");

    outcome = CommandLineParser::parse({"--port", "A", "getver"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->port, "A") << "one port is the single-console command";

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--port", "A", "--port", "B", "write", "SRF7"},
          {"--ports-file", "bench.txt", "erase", "SRF7"},
          {"--port", "A", "--port", "B", "ports"},
          {"--ports-file", "", "getver"},
          {"--fleet-child", "--port", "A", "--port", "B", "getver"}}) {
        outcome = CommandLineParser::parse(bad);
        EXPECT_FALSE(outcome.options) << bad.front();
        EXPECT_EQ(outcome.exitStatus, 2);
    }
    // The option for the program's own consoles is not offered to people.
    outcome = CommandLineParser::parse({"--help"});
    EXPECT_EQ(outcome.helpText.find("fleet-child"), std::string::npos);
    EXPECT_NE(outcome.helpText.find("--ports-file"), std::string::npos);
}

// SRF7 written and verified, ENG7 up to date.
nlohmann::ordered_json updateObject(const std::string& result, bool srf7Verified) {
    UpdateReport report;
    report.result = result;
    UpdateUnit srf7;
    srf7.name = "SRF7";
    srf7.before = "1.05";
    srf7.after = srf7Verified ? "1.06" : "1.05";
    srf7.file = "1.06";
    srf7.planned = true;
    srf7.result = srf7Verified ? "Ok" : "NotVerified";
    srf7.verified = srf7Verified;
    srf7.bytes = 74240;
    srf7.seconds = 12.25;
    UpdateImage main;
    main.cpu = "MAIN";
    main.before = "1.05";
    main.after = srf7.after;
    main.file = "1.06";
    main.fileName = "MAIN0106.mot";
    main.checksum = 0x75F2;
    main.bytes = 74240;
    main.planned = main.written = true;
    main.verified = srf7Verified;
    srf7.rows = {main};
    UpdateUnit eng7;
    eng7.name = "ENG7";
    eng7.before = eng7.after = eng7.file = "2.03";
    eng7.result = "UpToDate";
    report.units = {srf7, eng7};
    return UpdateReportFormatter::json(report);
}

std::vector<FleetConsole> threeConsoles() {
    FleetConsole ok{"/dev/pts/3", 0, 14.0, updateObject("Ok", true), {}, ""};
    FleetConsole notVerified{"/dev/pts/4",
                             1,
                             15.5,
                             updateObject("Failed", false),
                             {"flashkit-cli: error: SRF7: NotVerified"},
                             "/opt/fk/COMMU-pts_4/COMMU.LOG"};
    FleetConsole silent{"/dev/pts/5",
                        2,
                        0.2,
                        nullptr,
                        {"flashkit-cli: --port /dev/pts/5 is not a usable serial port (usable: /dev/pts/3)"},
                        ""};
    return {ok, notVerified, silent};
}

TEST(FleetReport, AnUpdateReportComesBackWholeFromItsJson) {
    const nlohmann::ordered_json object = updateObject("Failed", false);
    const auto report = UpdateReportFormatter::fromJson(nlohmann::json::parse(object.dump()));
    ASSERT_TRUE(report);
    EXPECT_EQ(UpdateReportFormatter::json(*report).dump(), object.dump());
    EXPECT_FALSE(
        UpdateReportFormatter::fromJson(nlohmann::json::parse(R"({"operation":"getver","units":[]})")));
    EXPECT_FALSE(
        UpdateReportFormatter::fromJson(nlohmann::json::parse(R"({"operation":"update","units":[1]})")));
    // Values of the wrong type or range are left at their defaults.
    const auto odd = UpdateReportFormatter::fromJson(nlohmann::json::parse(
        R"({"operation":"update","units":[{"name":5,"bytes":-1,"retries":1e30,"rows":[{"checksum":70000}]}]})"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->units[0].name, "");
    EXPECT_EQ(odd->units[0].bytes, 0u);
    EXPECT_EQ(odd->units[0].retries, 0);
    EXPECT_EQ(odd->units[0].rows[0].checksum, 0);

    OperationReport getver{"getver", "Ok", "", {}, ""};
    UnitSnapshot unit;
    unit.name = "SRF7";
    unit.rom = "1.05";
    unit.rows.push_back({"MAIN", "1.05", "1.06", "MAIN0106.mot", true, 0x200000, 0x200000});
    getver.units = {unit};
    const auto back = ReportFormatter::operationFromJson(
        nlohmann::json::parse(ReportFormatter::operationJson(getver).dump()));
    ASSERT_TRUE(back);
    EXPECT_EQ(ReportFormatter::operationJson(*back).dump(), ReportFormatter::operationJson(getver).dump());
}

TEST(FleetReport, ResultsJsonAndSummaryOfThreeConsoles) {
    const std::vector<FleetConsole> consoles = threeConsoles();
    EXPECT_EQ(FleetReport::consoleResult(consoles[0]), "Ok");
    EXPECT_EQ(FleetReport::consoleResult(consoles[1]), "Failed");
    EXPECT_EQ(FleetReport::consoleResult(consoles[2]), "Failed");
    EXPECT_EQ(FleetReport::failedPorts(consoles), (std::vector<std::string>{"/dev/pts/4", "/dev/pts/5"}));
    EXPECT_EQ(FleetReport::overallResult(consoles, false), "Failed");
    EXPECT_EQ(FleetReport::overallResult(consoles, true), "Cancelled");
    EXPECT_EQ(FleetReport::overallResult({consoles[0], consoles[0]}, false), "Ok");
    // A result the program printed but did not stand by (exit status 1) is no success.
    FleetConsole unseen = consoles[0];
    unseen.exitCode = 1;
    EXPECT_EQ(FleetReport::consoleResult(unseen), "Failed");

    const auto json =
        FleetReport::json("update", consoles, false, std::string("flashkit-cli --port /dev/pts/4 update"));
    EXPECT_EQ(json["operation"], "update");
    EXPECT_EQ(json["result"], "Failed");
    EXPECT_EQ(json["retry"], "flashkit-cli --port /dev/pts/4 update");
    ASSERT_EQ(json["consoles"].size(), 3u);
    const auto& first = json["consoles"][0];
    std::vector<std::string> keys;
    for (auto entry = first.begin(); entry != first.end(); ++entry) {
        keys.push_back(entry.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"port", "exitCode", "seconds", "operation", "result", "dryRun",
                                              "units"}));
    EXPECT_EQ(first["units"][0]["after"], "1.06");
    EXPECT_EQ(json["consoles"][2].dump(),
              R"x({"port":"/dev/pts/5","exitCode":2,"seconds":0.2,"operation":"update","result":"Failed",)x"
              R"x("reason":"--port /dev/pts/5 is not a usable serial port (usable: /dev/pts/3)"})x");
    EXPECT_TRUE(FleetReport::json("getver", {consoles[0]}, false, std::nullopt)["retry"].is_null());

    std::ostringstream summary;
    FleetReport::printSummary(summary, "update", consoles);
    EXPECT_EQ(summary.str(),
              "Port        Planned  Written  Verified  Unit  Before  After  Result  Time    Log\n"
              "/dev/pts/3  1        1        1         SRF7  1.05    1.06   Ok      14.0 s  -\n"
              "                                        ENG7  2.03    2.03\n"
              "/dev/pts/4  1        1        0         SRF7  1.05    1.05   Failed  15.5 s  "
              "/opt/fk/COMMU-pts_4/COMMU.LOG\n"
              "                                        ENG7  2.03    2.03\n"
              "/dev/pts/5  -        -        -         -     -       -      Failed  0.2 s   -\n");

    std::ostringstream tables;
    FleetReport::printConsoleTables(tables, "update", consoles);
    const std::string text = tables.str();
    EXPECT_NE(text.find("== /dev/pts/4: Failed in 15.5 s\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SRF7: NotVerified: the write ended well, yet MAIN reports 1.05 instead of 1.06"),
              std::string::npos)
        << text;
    EXPECT_NE(
        text.find("== /dev/pts/5: Failed in 0.2 s\nno result: --port /dev/pts/5 is not a usable serial port"),
        std::string::npos)
        << text;
}

TEST(FleetReport, GetverSummaryListsEachConsolesVersions) {
    OperationReport getver{"getver", "Ok", "", {}, ""};
    for (const auto& [name, rom] : {std::pair{"SRF7", "1.05"}, std::pair{"ENG7", "2.02"}}) {
        UnitSnapshot unit;
        unit.name = name;
        unit.rom = rom;
        getver.units.push_back(unit);
    }
    FleetConsole read{"COM5", 0, 2.04, ReportFormatter::operationJson(getver), {}, ""};
    getver.result = "TimedOut";
    getver.units[1].rom = "";
    FleetConsole timedOut{"COM7", 1, 3.0, ReportFormatter::operationJson(getver), {}, ""};
    std::ostringstream summary;
    FleetReport::printSummary(summary, "getver", {read, timedOut});
    EXPECT_EQ(summary.str(),
              "Port  Units  Unit  Version  Result  Time\n"
              "COM5  2      SRF7  1.05     Ok      2.0 s\n"
              "             ENG7  2.02\n"
              "COM7  2      SRF7  1.05     Failed  3.0 s\n"
              "             ENG7  -\n");
}

TEST(FleetReport, OneServiceReportHasASectionPerConsole) {
    ServiceContext context;
    context.dateTime = "2024-05-02 14:03:22";
    context.programVersion = "FLASHKIT Version 2.00";
    context.connectionPoint = "SRF7";
    context.writingPort = "Host I/F";
    const auto sections = FleetReport::serviceSections(context, threeConsoles());
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[1].context.port, "/dev/pts/4");
    EXPECT_EQ(sections[1].context.programVersion, "FLASHKIT Version 2.00");
    EXPECT_FALSE(sections[2].report);
    const std::string text = ServiceReport::fleetText(context.dateTime, "Failed", sections);
    EXPECT_EQ(
        text.rfind("FLASHKIT service report\n\nDate      2024-05-02 14:03:22\nConsoles  3 (1 Ok, 2 Failed)\n"
                   "Result    Failed\n",
                   0),
        0u)
        << text;
    EXPECT_NE(text.find("== Console 1 of 3: /dev/pts/3: Ok\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Port                 /dev/pts/4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("== Console 3 of 3: /dev/pts/5: Failed\n\nNo update report: --port /dev/pts/5"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find(ServiceReport::kTitle, 1), std::string::npos) << "one title for the whole report";

    const auto json = ServiceReport::fleetJson(context.dateTime, "Failed", sections);
    ASSERT_EQ(json["consoles"].size(), 3u);
    EXPECT_EQ(json["consoles"][1]["port"], "/dev/pts/4");
    EXPECT_EQ(json["consoles"][1]["units"][0]["result"], "NotVerified");
    EXPECT_EQ(json["consoles"][2]["reason"],
              "--port /dev/pts/5 is not a usable serial port (usable: /dev/pts/3)");
}

TEST(FleetDisplay, LiveLinesFollowEachConsoleAndAreRedrawnInPlace) {
    std::ostringstream progress;
    std::ostringstream messages;
    FleetDisplay display(progress, messages, FleetDisplay::Style::Redrawn,
                         {"/dev/pts/3", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0"},
                         100);
    const auto start = Clock::now();
    display.record(0, FeedRecord::started("getver", "SRF7"), start);
    EXPECT_EQ(display.liveLine(0), "/dev/pts/3                        SRF7    reading versions");
    display.record(0, FeedRecord::started("write", "SRF7"), start);
    const FeedRecord writing = FeedRecord::progress("Writing 00200100H", 42);
    display.record(0, writing, start);
    EXPECT_EQ(display.liveLine(0),
              "/dev/pts/3                        SRF7    writing            42%    Writing 00200100H");
    display.record(0, FeedRecord::ended("write", "SRF7", "Ok"), start);
    display.record(0, FeedRecord::started("getver", "SRF7"), start);
    EXPECT_EQ(display.liveLine(0),
              "/dev/pts/3                        SRF7    verifying               1 written");
    display.record(0, FeedRecord::ended("write", "ENG7", "TimedOut"), start);
    EXPECT_EQ(display.tally(0), "1 written, 1 failed");
    display.finished(0, "Failed", start);
    EXPECT_EQ(display.liveLine(0), "/dev/pts/3                        done: Failed (1 written, 1 failed)");
    // A long name shows its end, where a by-id link carries the serial number.
    EXPECT_EQ(display.liveLine(1), "..._USB_UART_A10K3X2Q-if00-port0  -       starting");

    display.refresh(start);
    display.message(1, "flashkit-cli: error: SRF7: TimedOut");
    display.refresh(start + FleetDisplay::kRedrawPeriod);
    display.finish();
    // Two lines drawn, taken back up for the message, drawn again: never more than the two.
    const std::string drawn = progress.str();
    EXPECT_NE(drawn.find("\x1b[2A\r\x1b[J"), std::string::npos);
    EXPECT_EQ(messages.str(),
              "flashkit-cli: /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0: error: SRF7: "
              "TimedOut\n");
    EXPECT_EQ(drawn.substr(drawn.size() - 1), "\n");

    // A narrow terminal cuts the lines instead of wrapping them.
    FleetDisplay narrow(progress, messages, FleetDisplay::Style::Redrawn, {"/dev/pts/3"}, 20);
    narrow.record(0, writing, start);
    EXPECT_EQ(narrow.liveLine(0).size(), 19u);
}

TEST(FleetDisplay, PlainLinesTellEachNewStepAndHoldCountingBack) {
    std::ostringstream progress;
    std::ostringstream messages;
    FleetDisplay display(progress, messages, FleetDisplay::Style::PlainLines, {"COM5", "COM7"});
    const auto start = Clock::now();
    display.record(0, FeedRecord::started("write", "SRF7"), start);
    display.record(0, FeedRecord::progress("  Writing 00200100H", 10), start);
    display.record(0, FeedRecord::progress("Writing 00200180H", 11), start + std::chrono::seconds(1));
    display.record(1, FeedRecord::started("getver", "SRF7"), start + std::chrono::seconds(1));
    display.refresh(start + std::chrono::seconds(2));
    display.record(0, FeedRecord::progress("Writing 00200200H", 12), start + std::chrono::seconds(3));
    display.refresh(start + FleetDisplay::kPlainLinePeriod + std::chrono::seconds(1));
    display.finished(1, "Ok", start + std::chrono::seconds(7));
    display.finish();
    EXPECT_EQ(progress.str(),
              "COM5: SRF7 writing\n"
              "COM5: SRF7 writing: Writing 00200100H (10%)\n"
              "COM7: SRF7 reading versions\n"
              "COM5: SRF7 writing: Writing 00200200H (12%)\n"
              "COM7: done: Ok\n");
    EXPECT_TRUE(messages.str().empty());
}

}  // namespace
}  // namespace cli
