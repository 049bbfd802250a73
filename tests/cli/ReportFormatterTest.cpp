#include <gtest/gtest.h>

#include <sstream>

#include "cli/ReportFormatter.h"
#include "core/PortNotes.h"

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
    OperationReport report{"write", "TimedOut", "Retry TimeOut !!!", {sampleUnit()}, ""};
    auto json = ReportFormatter::operationJson(report);
    EXPECT_EQ(json["operation"], "write");
    EXPECT_EQ(json["result"], "TimedOut");
    EXPECT_EQ(json["status"], "Retry TimeOut !!!");
    ASSERT_EQ(json["units"].size(), 1u);
    EXPECT_EQ(json["units"][0]["name"], "SRF7");
    EXPECT_FALSE(json.contains("reason"));

    report.result = "OpenFailed";
    report.reason = "/dev/pts/3: in use by another program";
    json = ReportFormatter::operationJson(report);
    EXPECT_EQ(json["reason"], "/dev/pts/3: in use by another program");
}

TEST(ReportFormatter, JsonTextIsValidUtf8WhateverBytesTheNamesHold) {
    // A Latin-1 file name, a stray 0xFF, a cut multi-byte sequence and a NUL.
    UnitSnapshot unit = sampleUnit();
    unit.name = "UNIT\xFF";
    unit.rows[0].fileName = "M\xC4IN0103.mot";
    unit.rows[1].cpu = std::string("SUB\xE2\x82") + std::string(1, '\0');
    OperationReport report{"getver", "Ok", "caf\xE9", {unit}, ""};
    const std::string text = ReportFormatter::jsonText(ReportFormatter::operationJson(report));

    const auto parsed = nlohmann::json::parse(text);  // throws if the text were not valid JSON
    EXPECT_EQ(parsed["units"][0]["name"], "UNIT\xEF\xBF\xBD");
    EXPECT_EQ(parsed["units"][0]["rows"][0]["fileName"], "M\xEF\xBF\xBDIN0103.mot");
    EXPECT_EQ(parsed["status"], "caf\xEF\xBF\xBD");
    EXPECT_EQ(parsed["units"][0]["rows"][1]["cpu"], std::string("SUB\xEF\xBF\xBD") + std::string(1, '\0'));
    // Valid UTF-8 passes unchanged.
    EXPECT_EQ(ReportFormatter::jsonText(nlohmann::ordered_json("\xC3\xA9t\xC3\xA9")),
              "\"\xC3\xA9t\xC3\xA9\"");

    // The ports list and the image report take the same way out.
    const std::string ports = ReportFormatter::jsonText(
        ReportFormatter::portsJson({"/dev/tty\xFF"}, {{"/tmp/\xFE", "no such device"}}));
    EXPECT_EQ(nlohmann::json::parse(ports)["ports"][0], "/dev/tty\xEF\xBF\xBD");
}

TEST(ReportFormatter, ImageJsonShowsTheBlockMaskOnlyWhenClipped) {
    ImageSummary image{0x200000, 0x20FFFF, 0xBEEF, false, 0, "", ""};
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
    EXPECT_FALSE(json.contains("detail"));
}

TEST(ReportFormatter, ImageThatStoredNothingShowsNoRange) {
    ImageSummary image{std::nullopt, std::nullopt, 0xFFFE, true, 0xFF, "", ""};
    const auto json = ReportFormatter::imageJson(image);
    EXPECT_TRUE(json["lowest"].is_null());
    EXPECT_TRUE(json["highest"].is_null());
    std::ostringstream out;
    ReportFormatter::printImage(out, image);
    EXPECT_EQ(out.str(),
              "lowest     -\n"
              "highest    -\n"
              "checksum   0xFFFE\n"
              "blockMask  0xFF\n");

    image.error = "File open Error!";
    image.detail = "not a regular file";
    EXPECT_EQ(ReportFormatter::imageJson(image)["detail"], "not a regular file");
}

TEST(ReportFormatter, PortsJsonKeepsMenuOrderAndSaysWhyPortsWereLeftOut) {
    auto json = ReportFormatter::portsJson({"/dev/ttyS1", "/dev/pts/4"}, {});
    EXPECT_EQ(json.dump(), R"({"ports":["/dev/ttyS1","/dev/pts/4"],"rejected":[],"descriptions":[]})");

    json = ReportFormatter::portsJson(
        {"/dev/pts/4"}, {{"/dev/ttyS0", "no UART behind this port"},
                         {"/dev/ttyUSB0", "permission denied: add the user to the dialout group"}});
    EXPECT_EQ(json.dump(),
              R"({"ports":["/dev/pts/4"],"rejected":[)"
              R"({"port":"/dev/ttyS0","reason":"no UART behind this port"},)"
              R"({"port":"/dev/ttyUSB0","reason":"permission denied: add the user to the dialout group"}],)"
              R"("descriptions":[]})");
}

platform::PortDescription ftdiOnLinux() {
    platform::PortDescription port;
    port.port = "/dev/ttyUSB0";
    port.byIdPath = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0";
    port.usbVendorId = "0403";
    port.usbProductId = "6001";
    port.manufacturer = "FTDI";
    port.product = "FT232R USB UART";
    port.serialNumber = "A10K3X2Q";
    port.latencyTimerMs = 16;
    return port;
}

platform::PortDescription ftdiOnWindows(int latency) {
    platform::PortDescription port;
    port.port = "COM5";
    port.friendlyName = "USB Serial Port (COM5)";
    port.hardwareId = "FTDIBUS\\COMPORT&VID_0403&PID_6001";
    port.usbVendorId = "0403";
    port.usbProductId = "6001";
    port.latencyTimerMs = latency;
    port.latencyTimerFixed = true;
    return port;
}

TEST(ReportFormatter, PortsShowTheirNameAloneThenWhatIsKnownOfTheirDevice) {
    platform::PortDescription pty;
    pty.port = "/dev/pts/4";
    std::ostringstream out;
    ReportFormatter::printPorts(out, {ftdiOnLinux(), pty, ftdiOnWindows(16)});
    EXPECT_EQ(out.str(),
              "/dev/ttyUSB0\n"
              "  by-id: /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0\n"
              "  USB: 0403:6001 FTDI FT232R USB UART, serial A10K3X2Q\n"
              "  latency timer: 16 ms\n"
              "/dev/pts/4\n"
              "COM5\n"
              "  device: USB Serial Port (COM5)\n"
              "  hardware id: FTDIBUS\\COMPORT&VID_0403&PID_6001\n"
              "  USB: 0403:6001\n"
              "  latency timer: 16 ms\n");

    const auto json = ReportFormatter::portsJson({"/dev/ttyUSB0", "/dev/pts/4"}, {}, {ftdiOnLinux(), pty});
    ASSERT_EQ(json["ports"], nlohmann::ordered_json({"/dev/ttyUSB0", "/dev/pts/4"}))
        << "still the list of names";
    ASSERT_EQ(json["descriptions"].size(), 2u);
    EXPECT_EQ(
        json["descriptions"][0].dump(),
        R"({"port":"/dev/ttyUSB0","byId":"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0",)"
        R"("usbVendorId":"0403","usbProductId":"6001","manufacturer":"FTDI","product":"FT232R USB UART",)"
        R"("serialNumber":"A10K3X2Q","friendlyName":"","hardwareId":"","latencyTimerMs":16,"warning":null})");
    EXPECT_TRUE(json["descriptions"][1]["latencyTimerMs"].is_null());
    EXPECT_EQ(json["descriptions"][1]["byId"], "");
}

TEST(ReportFormatter, OnlyALatencyTimerTheProgramCannotLowerAndAboveTwoMillisecondsIsWarnedOf) {
    const std::string warning =
        "COM5: the adapter's latency timer is 16 ms: a write can take twice as long; set it to 1 ms in "
        "Device Manager \u25b8 Port Settings \u25b8 Advanced";
    EXPECT_EQ(core::PortNotes::latencyWarning(ftdiOnWindows(16)), warning);
    EXPECT_EQ(ReportFormatter::portDescriptionJson(ftdiOnWindows(16))["warning"], warning);
    EXPECT_NE(core::PortNotes::latencyWarning(ftdiOnWindows(3)), "");
    EXPECT_EQ(core::PortNotes::latencyWarning(ftdiOnWindows(2)), "");
    EXPECT_EQ(core::PortNotes::latencyWarning(ftdiOnWindows(1)), "");
    // Linux: the low-latency request the program makes on the line lowers it.
    EXPECT_EQ(core::PortNotes::latencyWarning(ftdiOnLinux()), "");
}

TEST(ReportFormatter, APortLabelNamesTheDeviceShortly) {
    EXPECT_EQ(core::PortNotes::label(ftdiOnLinux(), 60), "FTDI FT232R USB UART A10K3X2Q");
    EXPECT_EQ(core::PortNotes::label(ftdiOnWindows(1), 60), "USB Serial Port (COM5)");
    EXPECT_EQ(core::PortNotes::label(ftdiOnLinux(), 15), "FTDI FT232R...");
    platform::PortDescription bare;
    bare.usbVendorId = "1a86";
    bare.usbProductId = "7523";
    EXPECT_EQ(core::PortNotes::label(bare, 60), "USB 1a86:7523");
    EXPECT_EQ(core::PortNotes::label(platform::PortDescription{}, 60), "");
    // A cut never splits a character.
    bare.product =
        "K\xC3\xA4"
        "bel-Adapter";
    EXPECT_EQ(core::PortNotes::label(bare, 5), "K...");
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
                                    {"write", "Ok", "=== Write Completed (Retry=0) ===", {sampleUnit()}, ""});
    const std::string text = out.str();
    const std::string last = "result: Ok  (=== Write Completed (Retry=0) ===)\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST(ReportFormatter, ImageTextUsesHexadecimal) {
    std::ostringstream out;
    ReportFormatter::printImage(out, {0x300000, 0x31FFFF, 0x00A5, true, 0x02, "", ""});
    EXPECT_EQ(out.str(),
              "lowest     0x00300000\n"
              "highest    0x0031FFFF\n"
              "checksum   0x00A5\n"
              "blockMask  0x02\n");
}

}  // namespace
}  // namespace cli
