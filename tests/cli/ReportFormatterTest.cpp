#include <gtest/gtest.h>

#include <sstream>

#include "cli/ReportFormatter.h"

namespace cli {
namespace {

UnitSnapshot sampleUnit() {
    UnitSnapshot unit;
    unit.name = "SRF7";
    unit.rom = "01.02";
    unit.file = "01.03";
    unit.updateNeeded = true;
    unit.resultText = "Completed";
    unit.rows.push_back({"MAIN", "01.02", "01.03", "MAIN0103R.mot", true, 0x200000, 0x200000});
    unit.rows.push_back({"SUB", "", "", "", false, 0x300000, 0x200000});
    return unit;
}

TEST(ReportFormatter, UnitJsonCarriesEveryField) {
    const auto json = ReportFormatter::unitJson(sampleUnit());
    EXPECT_EQ(json["name"], "SRF7");
    EXPECT_EQ(json["rom"], "01.02");
    EXPECT_EQ(json["file"], "01.03");
    EXPECT_EQ(json["updateNeeded"], true);
    EXPECT_EQ(json["resultText"], "Completed");
    ASSERT_EQ(json["rows"].size(), 2u);
    const auto& row = json["rows"][0];
    EXPECT_EQ(row["cpu"], "MAIN");
    EXPECT_EQ(row["rom"], "01.02");
    EXPECT_EQ(row["file"], "01.03");
    EXPECT_EQ(row["fileName"], "MAIN0103R.mot");
    EXPECT_EQ(row["selected"], true);
    EXPECT_EQ(row["topAddress"], 0x200000);
    EXPECT_EQ(row["flashAddress"], 0x200000);
    EXPECT_EQ(json["rows"][1]["selected"], false);
    EXPECT_EQ(json["rows"][1]["topAddress"], 0x300000);
}

TEST(ReportFormatter, OperationJsonHasOperationResultStatusAndUnits) {
    OperationReport report{"write", "TimedOut", "Retry TimeOut !!!", {sampleUnit()}};
    const auto json = ReportFormatter::operationJson(report);
    EXPECT_EQ(json["operation"], "write");
    EXPECT_EQ(json["result"], "TimedOut");
    EXPECT_EQ(json["status"], "Retry TimeOut !!!");
    ASSERT_EQ(json["units"].size(), 1u);
    EXPECT_EQ(json["units"][0]["name"], "SRF7");
}

TEST(ReportFormatter, ImageJsonShowsTheBlockMaskOnlyWhenClipped) {
    ImageSummary image{0x200000, 0x20FFFF, 0xBEEF, false, 0, ""};
    auto json = ReportFormatter::imageJson(image);
    EXPECT_EQ(json["lowest"], 0x200000);
    EXPECT_EQ(json["highest"], 0x20FFFF);
    EXPECT_EQ(json["checksum"], 0xBEEF);
    EXPECT_FALSE(json.contains("blockMask"));
    EXPECT_TRUE(json["error"].is_null());

    image.clipped = true;
    image.blockMask = 0x06;
    image.error = "Checksum Error! line=3";
    json = ReportFormatter::imageJson(image);
    EXPECT_EQ(json["blockMask"], 6);
    EXPECT_EQ(json["error"], "Checksum Error! line=3");
}

TEST(ReportFormatter, PortsJsonKeepsMenuOrderAndSaysWhyPortsWereLeftOut) {
    auto json = ReportFormatter::portsJson({"/dev/ttyS1", "/dev/pts/4"}, {});
    EXPECT_EQ(json.dump(), R"({"ports":["/dev/ttyS1","/dev/pts/4"],"rejected":[]})");

    json = ReportFormatter::portsJson(
        {"/dev/pts/4"}, {{"/dev/ttyS0", "no UART behind this port"},
                         {"/dev/ttyUSB0", "permission denied: add the user to the dialout group"}});
    EXPECT_EQ(json.dump(),
              R"({"ports":["/dev/pts/4"],"rejected":[)"
              R"({"port":"/dev/ttyS0","reason":"no UART behind this port"},)"
              R"({"port":"/dev/ttyUSB0","reason":"permission denied: add the user to the dialout group"}]})");
}

TEST(ReportFormatter, UnitTableAlignsRowsUnderTheirUnit) {
    UnitSnapshot second;
    second.name = "ENG7";
    second.file = "2.03";
    std::ostringstream out;
    ReportFormatter::printUnits(out, {sampleUnit(), second});
    EXPECT_EQ(out.str(),
              "Unit / CPU  Sel  ROM    File   File name      Top         Flash       Update  Result\n"
              "SRF7             01.02  01.03                                         needed  Completed\n"
              "  MAIN      [x]  01.02  01.03  MAIN0103R.mot  0x00200000  0x00200000\n"
              // Nothing read yet shows as a dash, so the columns stay aligned.
              "  SUB       [ ]  -      -      -              0x00300000  0x00200000\n"
              "ENG7             -      2.03                                          -       -\n");
}

TEST(ReportFormatter, NoUnitsIsSaidInWords) {
    std::ostringstream out;
    ReportFormatter::printUnits(out, {});
    EXPECT_EQ(out.str(), "no units\n");
}

TEST(ReportFormatter, OperationTextEndsWithResultAndStatus) {
    std::ostringstream out;
    ReportFormatter::printOperation(out,
                                    {"write", "Ok", "=== Write Completed (Retry=0) ===", {sampleUnit()}});
    const std::string text = out.str();
    const std::string last = "result: Ok  (=== Write Completed (Retry=0) ===)\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST(ReportFormatter, ImageTextUsesHexadecimal) {
    std::ostringstream out;
    ReportFormatter::printImage(out, {0x300000, 0x31FFFF, 0x00A5, true, 0x02, ""});
    EXPECT_EQ(out.str(),
              "lowest     0x00300000\n"
              "highest    0x0031FFFF\n"
              "checksum   0x00A5\n"
              "blockMask  0x02\n");
}

}  // namespace
}  // namespace cli
