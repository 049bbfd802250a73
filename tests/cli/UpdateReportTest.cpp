#include <gtest/gtest.h>

#include <sstream>

#include "cli/OperationRunner.h"
#include "cli/ServiceReport.h"
#include "cli/UpdateReportFormatter.h"

namespace cli {
namespace {

UpdateImage image(std::string cpu, std::string before, std::string after, std::string file, bool planned,
                  bool verified) {
    UpdateImage row;
    row.cpu = std::move(cpu);
    row.before = std::move(before);
    row.after = std::move(after);
    row.file = std::move(file);
    row.fileName = row.cpu + "0106.mot";
    row.filePath = "/data/SRF7/" + row.fileName;
    row.checksum = 0x75F2;
    row.bytes = 49408;
    row.planned = planned;
    row.written = planned;
    row.verified = verified;
    return row;
}

// SRF7 written with one image still reporting its old version, ENG7 up to
// date, LIO7 not read, XDG7D never reached.
UpdateReport sampleReport() {
    UpdateReport report;
    report.result = "Failed";
    UpdateUnit srf7;
    srf7.name = "SRF7";
    srf7.before = "1.05";
    srf7.after = "1.06";
    srf7.file = "1.06";
    srf7.planned = true;
    srf7.result = std::string(update_result::kNotVerified);
    srf7.bytes = 98816;
    srf7.seconds = 3.64;
    srf7.retries = 1;
    srf7.status = "=== Write Completed (Retry=1) ===";
    srf7.rows = {image("MAIN", "1.05", "1.05", "1.06", true, false),
                 image("SUB", "1.05", "1.06", "1.06", true, true)};
    UpdateUnit eng7;
    eng7.name = "ENG7";
    eng7.before = eng7.after = eng7.file = "2.03";
    eng7.result = std::string(update_result::kUpToDate);
    eng7.rows = {image("CTRL", "2.03", "2.03", "2.03", false, false)};
    UpdateUnit lio7;
    lio7.name = "LIO7";
    lio7.file = "1.12";
    lio7.result = "TimedOut";
    lio7.status = "versions not read, so not planned";
    UpdateUnit xdg7d;
    xdg7d.name = "XDG7D";
    xdg7d.before = "1.18";
    xdg7d.file = "1.20";
    xdg7d.planned = true;
    xdg7d.result = std::string(update_result::kSkipped);
    xdg7d.rows = {image("CARD", "1.18", "", "1.20", true, false)};
    xdg7d.rows[0].written = false;
    report.units = {srf7, eng7, lio7, xdg7d};
    return report;
}

TEST(UpdateReport, JsonHasTheUpdatesShapeUnitByUnitAndImageByImage) {
    const auto json = UpdateReportFormatter::json(sampleReport());
    std::vector<std::string> keys;
    for (auto entry = json.begin(); entry != json.end(); ++entry) {
        keys.push_back(entry.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"operation", "result", "dryRun", "units"}));
    EXPECT_EQ(json["operation"], "update");
    EXPECT_EQ(json["result"], "Failed");
    ASSERT_EQ(json["units"].size(), 4u);
    const auto& srf7 = json["units"][0];
    keys.clear();
    for (auto entry = srf7.begin(); entry != srf7.end(); ++entry) {
        keys.push_back(entry.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "before", "after", "file", "planned", "result",
                                              "verified", "bytes", "seconds", "retries", "status", "rows"}));
    EXPECT_EQ(srf7["result"], "NotVerified");
    EXPECT_EQ(srf7["retries"], 1);
    EXPECT_DOUBLE_EQ(srf7["seconds"].get<double>(), 3.64);
    const auto& main = srf7["rows"][0];
    EXPECT_EQ(main["checksum"], 0x75F2);
    EXPECT_EQ(main["filePath"], "/data/SRF7/MAIN0106.mot");
    EXPECT_EQ(main["verified"], false);
    EXPECT_FALSE(main.contains("imageError"));
    EXPECT_EQ(json["units"][2]["rows"].size(), 0u);
}

TEST(UpdateReport, PlanListsThePlannedImagesAndNamesTheRest) {
    std::ostringstream out;
    UpdateReportFormatter::printPlan(out, sampleReport());
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("Plan: 2 of 4 units to write\n", 0), 0u) << text;
    EXPECT_NE(text.find("SRF7   MAIN  1.05  ->  1.06  MAIN0106.mot  49408\n"), std::string::npos) << text;
    EXPECT_NE(text.find("       SUB   1.05  ->  1.06  SUB0106.mot   49408\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("CTRL"), std::string::npos) << text;
    EXPECT_NE(text.find("Up to date: ENG7 2.03\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Not planned: LIO7 (TimedOut)\n"), std::string::npos) << text;
}

TEST(UpdateReport, OutcomeLinesSayWhatHappenedToEachUnit) {
    const UpdateReport report = sampleReport();
    EXPECT_EQ(UpdateReportFormatter::unitStartLine(report.units[0], 1, 2),
              "== SRF7 (1 of 2): MAIN, SUB  1.05 -> 1.06");
    EXPECT_EQ(UpdateReportFormatter::unitOutcomeLine(report.units[0]),
              "SRF7: NotVerified: the write ended well, yet MAIN reports 1.05 instead of 1.06");
    EXPECT_EQ(UpdateReportFormatter::unitOutcomeLine(report.units[2]),
              "LIO7: TimedOut (versions not read, so not planned)");
    UpdateUnit written = report.units[0];
    written.result = std::string(update_result::kOk);
    EXPECT_EQ(UpdateReportFormatter::unitOutcomeLine(written), "SRF7: Ok, verified: now 1.06");
}

TEST(UpdateReport, SummaryShowsFiguresOnlyForUnitsThatWereWritten) {
    std::ostringstream out;
    UpdateReportFormatter::printSummary(out, sampleReport());
    EXPECT_EQ(out.str(),
              "Unit   Before  After  Result       Bytes  Time   Retries\n"
              "SRF7   1.05    1.06   NotVerified  98816  3.6 s  1\n"
              "ENG7   2.03    2.03   UpToDate     -      -      -\n"
              "LIO7   -       -      TimedOut     -      -      -\n"
              "XDG7D  1.18    -      Skipped      -      -      -\n"
              "result: Failed\n");
}

ServiceContext sampleContext() {
    ServiceContext context;
    context.dateTime = "2024-05-02 14:03:22";
    context.programVersion = "FLASHKIT Version 2.00";
    context.programNumbers = "product version 2, 0, 0, 0, file version 5, 23, 2, 0";
    context.interfaceLibrary = "TRX.DLL 1, 9, 0, 0 (/usr/lib/flashkit/libtrx.so)";
    context.compressionLibrary = "cmpak.dll 1, 0, 0, 0 (/usr/lib/flashkit/libcmpak.so)";
    context.port = "/dev/ttyUSB0";
    context.connectionPoint = "ENG7";
    context.writingPort = "Host I/F";
    context.unitList = "/srv/console/UNIT.LST";
    return context;
}

TEST(ServiceReport, TextNamesTheVisitThenEveryImageThenEveryUnit) {
    const std::string text = ServiceReport::text(sampleContext(), sampleReport());
    for (const char* fact :
         {"FLASHKIT service report\n", "Date                 2024-05-02 14:03:22\n",
          "Program              FLASHKIT Version 2.00 (product version 2, 0, 0, 0, file version 5, 23, 2, "
          "0)\n",
          "Interface library    TRX.DLL 1, 9, 0, 0 (/usr/lib/flashkit/libtrx.so)\n",
          "Compression library  cmpak.dll 1, 0, 0, 0 (/usr/lib/flashkit/libcmpak.so)\n",
          "Port                 /dev/ttyUSB0\n", "Connection point     ENG7\n",
          "Writing port         Host I/F\n", "Unit list            /srv/console/UNIT.LST\n",
          "Update               read, write, verify\n"}) {
        EXPECT_NE(text.find(fact), std::string::npos) << fact << "\n" << text;
    }
    EXPECT_NE(text.find("SRF7   MAIN  1.05    1.05   1.06  MAIN0106.mot  0x75F2    49408  yes      no\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("XDG7D  CARD  1.18    -      1.20  CARD0106.mot  0x75F2    49408  -        no\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("LIO7   -     -       -      1.12  (no image)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SRF7: NotVerified: the write ended well"), std::string::npos) << text;
    EXPECT_NE(text.find("XDG7D: Skipped"), std::string::npos) << text;
}

TEST(ServiceReport, JsonPutsTheVisitBeforeTheUpdate) {
    const auto json = ServiceReport::json(sampleContext(), sampleReport());
    std::vector<std::string> keys;
    for (auto entry = json.begin(); entry != json.end(); ++entry) {
        keys.push_back(entry.key());
    }
    EXPECT_EQ(keys,
              (std::vector<std::string>{"report", "date", "program", "programVersions", "interfaceLibrary",
                                        "compressionLibrary", "port", "connectionPoint", "writingPort",
                                        "unitList", "operation", "result", "dryRun", "units"}));
    EXPECT_EQ(json["connectionPoint"], "ENG7");
    EXPECT_EQ(json["units"], UpdateReportFormatter::json(sampleReport())["units"]);
}

TEST(ServiceReport, LocalTimeIsWrittenWithLeadingZeros) {
    platform::LocalTime time;
    time.year = 2024;
    time.month = 5;
    time.day = 2;
    time.hour = 7;
    time.minute = 3;
    time.second = 9;
    EXPECT_EQ(ServiceReport::localTimeText(time), "2024-05-02 07:03:09");
}

TEST(OperationRunner, RetriesAreReadFromTheStatusTextsThatCountThem) {
    EXPECT_EQ(OperationRunner::retriesShown("=== Write Completed (Retry=2) ==="), 2);
    EXPECT_EQ(OperationRunner::retriesShown("=== Erase Completed (Retry=0) ==="), 0);
    EXPECT_EQ(OperationRunner::retriesShown("Time Out - Failed(3)"), 3);
    for (const char* other : {"Retry TimeOut !!!", "No anyting !!!", "Write Completed", "Completed (Retry=x)",
                              "Completed (Retry=2", "Time Out - Failed(-1)", ""}) {
        EXPECT_FALSE(OperationRunner::retriesShown(other).has_value()) << other;
    }
}

}  // namespace
}  // namespace cli
