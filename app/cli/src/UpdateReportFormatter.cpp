#include "cli/UpdateReportFormatter.h"

#include <cstdio>
#include <utility>

#include "cli/JsonFields.h"
#include "cli/TextTable.h"

namespace cli {

namespace {

constexpr const char* kArrow = "->";

// An empty version text (not read, no image file) shows as a dash.
std::string shown(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string hexWord(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

std::string plannedCpus(const UpdateUnit& unit) {
    std::string names;
    for (const auto& row : unit.rows) {
        if (row.planned) {
            names += (names.empty() ? "" : ", ") + row.cpu;
        }
    }
    return names.empty() ? "no image" : names;
}

}  // namespace

std::string UpdateReportFormatter::secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

nlohmann::ordered_json UpdateReportFormatter::unitJson(const UpdateUnit& unit) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : unit.rows) {
        nlohmann::ordered_json entry = {
            {"cpu", row.cpu},           {"before", row.before},     {"after", row.after},
            {"file", row.file},         {"fileName", row.fileName}, {"filePath", row.filePath},
            {"checksum", row.checksum}, {"bytes", row.bytes},       {"planned", row.planned},
            {"written", row.written},   {"verified", row.verified}};
        if (!row.imageError.empty()) {
            entry["imageError"] = row.imageError;
        }
        rows.push_back(std::move(entry));
    }
    return {{"name", unit.name},         {"before", unit.before},   {"after", unit.after},
            {"file", unit.file},         {"planned", unit.planned}, {"result", unit.result},
            {"verified", unit.verified}, {"bytes", unit.bytes},     {"seconds", unit.seconds},
            {"retries", unit.retries},   {"status", unit.status},   {"rows", std::move(rows)}};
}

nlohmann::ordered_json UpdateReportFormatter::json(const UpdateReport& report) {
    nlohmann::ordered_json units = nlohmann::ordered_json::array();
    for (const auto& unit : report.units) {
        units.push_back(unitJson(unit));
    }
    return {{"operation", "update"},
            {"result", report.result},
            {"dryRun", report.dryRun},
            {"units", std::move(units)}};
}

std::optional<UpdateReport> UpdateReportFormatter::fromJson(const nlohmann::json& object) {
    using namespace json_fields;
    if (!object.is_object() || object.value("operation", std::string()) != "update" ||
        !object.contains("units") || !object["units"].is_array()) {
        return std::nullopt;
    }
    UpdateReport report;
    report.result = textOf(object, "result");
    report.dryRun = flagOf(object, "dryRun");
    for (const auto& unitObject : object["units"]) {
        if (!unitObject.is_object()) {
            return std::nullopt;
        }
        UpdateUnit unit;
        unit.name = textOf(unitObject, "name");
        unit.before = textOf(unitObject, "before");
        unit.after = textOf(unitObject, "after");
        unit.file = textOf(unitObject, "file");
        unit.planned = flagOf(unitObject, "planned");
        unit.result = textOf(unitObject, "result");
        unit.verified = flagOf(unitObject, "verified");
        unit.bytes = numberOf<std::uint64_t>(unitObject, "bytes");
        unit.seconds = numberOf<double>(unitObject, "seconds");
        unit.retries = numberOf<int>(unitObject, "retries");
        unit.status = textOf(unitObject, "status");
        const auto rows = unitObject.find("rows");
        if (rows != unitObject.end() && rows->is_array()) {
            for (const auto& rowObject : *rows) {
                UpdateImage row;
                row.cpu = textOf(rowObject, "cpu");
                row.before = textOf(rowObject, "before");
                row.after = textOf(rowObject, "after");
                row.file = textOf(rowObject, "file");
                row.fileName = textOf(rowObject, "fileName");
                row.filePath = textOf(rowObject, "filePath");
                row.checksum = numberOf<std::uint16_t>(rowObject, "checksum");
                row.bytes = numberOf<std::uint64_t>(rowObject, "bytes");
                row.imageError = textOf(rowObject, "imageError");
                row.planned = flagOf(rowObject, "planned");
                row.written = flagOf(rowObject, "written");
                row.verified = flagOf(rowObject, "verified");
                unit.rows.push_back(std::move(row));
            }
        }
        report.units.push_back(std::move(unit));
    }
    return report;
}

void UpdateReportFormatter::printPlan(std::ostream& out, const UpdateReport& report) {
    const int planned = report.plannedCount();
    out << "Plan: " << planned << " of " << report.units.size()
        << (report.units.size() == 1 ? " unit" : " units") << " to write\n";
    if (planned > 0) {
        TextTable table({"Unit", "CPU", "ROM", "", "File", "Image file", "Bytes"});
        for (const auto& unit : report.units) {
            if (!unit.planned) {
                continue;
            }
            std::string name = unit.name;
            for (const auto& row : unit.rows) {
                if (!row.planned) {
                    continue;
                }
                table.addRow({std::exchange(name, ""), row.cpu, shown(row.before), kArrow, shown(row.file),
                              shown(row.fileName),
                              row.imageError.empty() ? std::to_string(row.bytes) : row.imageError});
            }
            if (!name.empty()) {
                table.addRow(
                    {name, "-", shown(unit.before), kArrow, shown(unit.file), "(no image selected)", ""});
            }
        }
        table.print(out);
    }
    std::string upToDate;
    std::string unread;
    for (const auto& unit : report.units) {
        if (unit.planned) {
            continue;
        }
        std::string& list = unit.result == update_result::kUpToDate ? upToDate : unread;
        list +=
            (list.empty() ? "" : ", ") + unit.name +
            (unit.result == update_result::kUpToDate ? " " + shown(unit.before) : " (" + unit.result + ")");
    }
    if (!upToDate.empty()) {
        out << "Up to date: " << upToDate << '\n';
    }
    if (!unread.empty()) {
        out << "Not planned: " << unread << '\n';
    }
}

std::string UpdateReportFormatter::unitStartLine(const UpdateUnit& unit, int position, int count) {
    return "== " + unit.name + " (" + std::to_string(position) + " of " + std::to_string(count) +
           "): " + plannedCpus(unit) + "  " + shown(unit.before) + " " + kArrow + " " + shown(unit.file);
}

std::string UpdateReportFormatter::unitOutcomeLine(const UpdateUnit& unit) {
    std::string line = unit.name + ": " + unit.result;
    if (unit.result == update_result::kOk) {
        return line + ", verified: now " + shown(unit.after);
    }
    if (unit.result == update_result::kNotVerified) {
        std::string stale;
        for (const auto& row : unit.rows) {
            if (row.planned && !row.verified) {
                stale += (stale.empty() ? "" : ", ") + row.cpu + " reports " + shown(row.after) +
                         " instead of " + shown(row.file);
            }
        }
        return line + ": the write ended well, yet " + (stale.empty() ? "its versions were not read" : stale);
    }
    if (!unit.status.empty()) {
        line += " (" + unit.status + ")";
    }
    return line;
}

void UpdateReportFormatter::printSummary(std::ostream& out, const UpdateReport& report) {
    TextTable table({"Unit", "Before", "After", "Result", "Bytes", "Time", "Retries"});
    for (const auto& unit : report.units) {
        const bool written = unit.planned && unit.seconds > 0;
        table.addRow({unit.name, shown(unit.before), shown(unit.after), unit.result,
                      written ? std::to_string(unit.bytes) : "-", written ? secondsText(unit.seconds) : "-",
                      written ? std::to_string(unit.retries) : "-"});
    }
    table.print(out);
    out << "result: " << report.result << '\n';
}

void UpdateReportFormatter::printImages(std::ostream& out, const UpdateReport& report) {
    TextTable table(
        {"Unit", "CPU", "Before", "After", "File", "Image file", "Checksum", "Bytes", "Written", "Verified"});
    for (const auto& unit : report.units) {
        std::string name = unit.name;
        for (const auto& row : unit.rows) {
            table.addRow({std::exchange(name, ""), row.cpu, shown(row.before), shown(row.after),
                          shown(row.file), shown(row.fileName),
                          row.imageError.empty() ? hexWord(row.checksum) : row.imageError,
                          std::to_string(row.bytes), row.written ? "yes" : "-",
                          row.planned ? (row.verified ? "yes" : "no") : "-"});
        }
        if (!name.empty()) {
            table.addRow({name, "-", shown(unit.before), shown(unit.after), shown(unit.file), "(no image)"});
        }
    }
    table.print(out);
}

}  // namespace cli
