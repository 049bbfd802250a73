#include "cli/ReportFormatter.h"

#include <cstdio>

#include "cli/JsonFields.h"
#include "cli/TextTable.h"
#include "core/PortNotes.h"

namespace cli {

namespace {

constexpr std::size_t kRowIndent = 2;

std::string hexWord(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

std::string hexByte(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
    return text;
}

// An empty version text (nothing read yet, no image file) shows as a dash.
std::string shown(const std::string& text) {
    return text.empty() ? "-" : text;
}

}  // namespace

std::string ReportFormatter::hexAddress(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

nlohmann::ordered_json ReportFormatter::unitJson(const UnitSnapshot& unit) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : unit.rows) {
        rows.push_back({{"cpu", row.cpu},
                        {"rom", row.rom},
                        {"file", row.file},
                        {"fileName", row.fileName},
                        {"selected", row.selected},
                        {"topAddress", row.topAddress},
                        {"flashAddress", row.flashAddress}});
    }
    return {{"name", unit.name},
            {"rom", unit.rom},
            {"file", unit.file},
            {"updateNeeded", unit.updateNeeded},
            {"resultText", unit.resultText},
            {"rows", std::move(rows)}};
}

nlohmann::ordered_json ReportFormatter::unitsJson(const std::vector<UnitSnapshot>& units) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& unit : units) {
        list.push_back(unitJson(unit));
    }
    return list;
}

nlohmann::ordered_json ReportFormatter::portDescriptionJson(const platform::PortDescription& description) {
    const std::string warning = core::PortNotes::latencyWarning(description);
    return {
        {"port", description.port},
        {"byId", description.byIdPath},
        {"usbVendorId", description.usbVendorId},
        {"usbProductId", description.usbProductId},
        {"manufacturer", description.manufacturer},
        {"product", description.product},
        {"serialNumber", description.serialNumber},
        {"friendlyName", description.friendlyName},
        {"hardwareId", description.hardwareId},
        {"latencyTimerMs", description.latencyTimerMs ? nlohmann::ordered_json(*description.latencyTimerMs)
                                                      : nlohmann::ordered_json(nullptr)},
        {"warning", warning.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(warning)}};
}

nlohmann::ordered_json ReportFormatter::portsJson(
    const std::vector<std::string>& ports, const std::vector<core::RejectedPort>& rejected,
    const std::vector<platform::PortDescription>& descriptions) {
    nlohmann::ordered_json leftOut = nlohmann::ordered_json::array();
    for (const auto& port : rejected) {
        leftOut.push_back({{"port", port.name}, {"reason", port.reason}});
    }
    nlohmann::ordered_json described = nlohmann::ordered_json::array();
    for (const auto& description : descriptions) {
        described.push_back(portDescriptionJson(description));
    }
    return {{"ports", ports}, {"rejected", std::move(leftOut)}, {"descriptions", std::move(described)}};
}

std::string ReportFormatter::jsonText(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

nlohmann::ordered_json ReportFormatter::imageJson(const ImageSummary& image) {
    auto orNull = [](const std::optional<std::uint32_t>& address) {
        return address ? nlohmann::ordered_json(*address) : nlohmann::ordered_json(nullptr);
    };
    nlohmann::ordered_json object = {
        {"lowest", orNull(image.lowest)}, {"highest", orNull(image.highest)}, {"checksum", image.checksum}};
    if (image.clipped) {
        object["blockMask"] = image.blockMask;
    }
    object["error"] =
        image.error.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(image.error);
    if (!image.detail.empty()) {
        object["detail"] = image.detail;
    }
    return object;
}

nlohmann::ordered_json ReportFormatter::operationJson(const OperationReport& report) {
    nlohmann::ordered_json object = {
        {"operation", report.operation}, {"result", report.result}, {"status", report.status}};
    if (!report.reason.empty()) {
        object["reason"] = report.reason;
    }
    object["units"] = unitsJson(report.units);
    return object;
}

std::optional<OperationReport> ReportFormatter::operationFromJson(const nlohmann::json& object) {
    using namespace json_fields;
    if (!object.is_object() || !object.contains("units") || !object["units"].is_array()) {
        return std::nullopt;
    }
    OperationReport report;
    report.operation = textOf(object, "operation");
    report.result = textOf(object, "result");
    report.status = textOf(object, "status");
    report.reason = textOf(object, "reason");
    for (const auto& unitObject : object["units"]) {
        UnitSnapshot unit;
        unit.name = textOf(unitObject, "name");
        unit.rom = textOf(unitObject, "rom");
        unit.file = textOf(unitObject, "file");
        unit.updateNeeded = flagOf(unitObject, "updateNeeded");
        unit.resultText = textOf(unitObject, "resultText");
        const auto rows = unitObject.is_object() ? unitObject.find("rows") : unitObject.end();
        if (rows != unitObject.end() && rows->is_array()) {
            for (const auto& rowObject : *rows) {
                unit.rows.push_back({textOf(rowObject, "cpu"), textOf(rowObject, "rom"),
                                     textOf(rowObject, "file"), textOf(rowObject, "fileName"),
                                     flagOf(rowObject, "selected"),
                                     numberOf<std::uint32_t>(rowObject, "topAddress"),
                                     numberOf<std::uint32_t>(rowObject, "flashAddress")});
            }
        }
        report.units.push_back(std::move(unit));
    }
    return report;
}

void ReportFormatter::printUnits(std::ostream& out, const std::vector<UnitSnapshot>& units) {
    if (units.empty()) {
        out << "no units\n";
        return;
    }
    // One table: a line per unit, its image rows indented below it.
    TextTable table({"Unit / CPU", "Sel", "ROM", "File", "File name", "Top", "Flash", "Update", "Result"});
    for (const auto& unit : units) {
        table.addRow({unit.name, "", shown(unit.rom), shown(unit.file), "", "", "",
                      unit.updateNeeded ? "needed" : "-", unit.resultText.empty() ? "-" : unit.resultText});
        for (const auto& row : unit.rows) {
            table.addRow({std::string(kRowIndent, ' ') + row.cpu, row.selected ? "[x]" : "[ ]",
                          shown(row.rom), shown(row.file), shown(row.fileName), hexAddress(row.topAddress),
                          hexAddress(row.flashAddress)});
        }
    }
    table.print(out);
}

void ReportFormatter::printPortNames(std::ostream& out, const std::vector<std::string>& ports) {
    for (const auto& port : ports) {
        out << port << '\n';
    }
}

void ReportFormatter::printPorts(std::ostream& out, const std::vector<platform::PortDescription>& ports) {
    for (const auto& port : ports) {
        out << port.port << '\n';
        if (!port.friendlyName.empty()) {
            out << "  device: " << port.friendlyName << '\n';
        }
        if (!port.hardwareId.empty()) {
            out << "  hardware id: " << port.hardwareId << '\n';
        }
        if (!port.byIdPath.empty()) {
            out << "  by-id: " << port.byIdPath << '\n';
        }
        if (!port.usbVendorId.empty()) {
            std::string usb = "  USB: " + port.usbVendorId + ":" + port.usbProductId;
            for (const std::string* word : {&port.manufacturer, &port.product}) {
                usb += word->empty() ? "" : " " + *word;
            }
            out << usb << (port.serialNumber.empty() ? "" : ", serial " + port.serialNumber) << '\n';
        }
        if (port.latencyTimerMs) {
            out << "  latency timer: " << *port.latencyTimerMs << " ms\n";
        }
    }
}

void ReportFormatter::printImage(std::ostream& out, const ImageSummary& image) {
    // A load that stored nothing has no range to show.
    TextTable table({"lowest", image.lowest ? hexAddress(*image.lowest) : "-"});
    table.addRow({"highest", image.highest ? hexAddress(*image.highest) : "-"});
    table.addRow({"checksum", hexWord(image.checksum)});
    if (image.clipped) {
        table.addRow({"blockMask", hexByte(image.blockMask)});
    }
    table.print(out);
}

void ReportFormatter::printOperation(std::ostream& out, const OperationReport& report) {
    printUnits(out, report.units);
    out << '\n' << "result: " << report.result;
    if (!report.status.empty()) {
        out << "  (" << report.status << ')';
    }
    out << '\n';
}

}  // namespace cli
