#include "cli/FleetReport.h"

#include "cli/ReportFormatter.h"
#include "cli/TextTable.h"
#include "cli/UpdateReportFormatter.h"

namespace cli {

namespace {

constexpr const char* kOk = "Ok";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kFailed = "Failed";
constexpr const char* kUpdate = "update";
constexpr std::string_view kProgramPrefix = "flashkit-cli: ";

std::string shown(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string resultOf(const FleetConsole& console) {
    return console.single.is_object() && console.single.contains("result") &&
                   console.single["result"].is_string()
               ? console.single["result"].get<std::string>()
               : std::string();
}

// The rows of one console in the summary; cells after the first group are
// empty on the lines that only name a further unit.
void addUpdateRows(TextTable& table, const FleetConsole& console, bool withLog) {
    const std::string result = FleetReport::consoleResult(console);
    const std::string time = UpdateReportFormatter::secondsText(console.seconds);
    const auto report = UpdateReportFormatter::fromJson(console.single);
    std::vector<std::string> first = {console.port, "-", "-", "-", "-", "-", "-", result, time};
    if (withLog) {
        first.push_back(shown(console.logPath));
    }
    if (!report || report->units.empty()) {
        table.addRow(std::move(first));
        return;
    }
    int written = 0;
    int verified = 0;
    for (const auto& unit : report->units) {
        bool anyWritten = false;
        for (const auto& row : unit.rows) {
            anyWritten = anyWritten || row.written;
        }
        written += anyWritten ? 1 : 0;
        verified += unit.verified ? 1 : 0;
    }
    first[1] = std::to_string(report->plannedCount());
    first[2] = std::to_string(written);
    first[3] = std::to_string(verified);
    bool firstUnit = true;
    for (const auto& unit : report->units) {
        if (firstUnit) {
            first[4] = unit.name;
            first[5] = shown(unit.before);
            first[6] = shown(unit.after);
            table.addRow(std::move(first));
            firstUnit = false;
        } else {
            table.addRow({"", "", "", "", unit.name, shown(unit.before), shown(unit.after)});
        }
    }
}

void addGetverRows(TextTable& table, const FleetConsole& console, bool withLog) {
    const std::string result = FleetReport::consoleResult(console);
    const std::string time = UpdateReportFormatter::secondsText(console.seconds);
    const auto report = ReportFormatter::operationFromJson(console.single);
    std::vector<std::string> first = {console.port, "-", "-", "-", result, time};
    if (withLog) {
        first.push_back(shown(console.logPath));
    }
    if (!report || report->units.empty()) {
        table.addRow(std::move(first));
        return;
    }
    first[1] = std::to_string(report->units.size());
    bool firstUnit = true;
    for (const auto& unit : report->units) {
        if (firstUnit) {
            first[2] = unit.name;
            first[3] = shown(unit.rom);
            table.addRow(std::move(first));
            firstUnit = false;
        } else {
            table.addRow({"", "", unit.name, shown(unit.rom)});
        }
    }
}

}  // namespace

std::string FleetReport::consoleResult(const FleetConsole& console) {
    const std::string result = resultOf(console);
    if (result == kCancelled) {
        return kCancelled;
    }
    // A result that was not seen, or a program that ended badly, is no success.
    return result == kOk && console.exitCode == 0 ? kOk : kFailed;
}

std::string FleetReport::overallResult(const std::vector<FleetConsole>& consoles, bool cancelled) {
    if (cancelled) {
        return kCancelled;
    }
    for (const auto& console : consoles) {
        if (consoleResult(console) != kOk) {
            return kFailed;
        }
    }
    return kOk;
}

std::vector<std::string> FleetReport::failedPorts(const std::vector<FleetConsole>& consoles) {
    std::vector<std::string> ports;
    for (const auto& console : consoles) {
        if (consoleResult(console) != kOk) {
            ports.push_back(console.port);
        }
    }
    return ports;
}

std::string FleetReport::lastMessage(const FleetConsole& console) {
    if (console.messages.empty()) {
        return {};
    }
    std::string text = console.messages.back();
    if (text.compare(0, kProgramPrefix.size(), kProgramPrefix) == 0) {
        text.erase(0, kProgramPrefix.size());
    }
    return text;
}

std::vector<ServiceReport::ConsoleSection> FleetReport::serviceSections(
    const ServiceContext& context, const std::vector<FleetConsole>& consoles) {
    std::vector<ServiceReport::ConsoleSection> sections;
    for (const FleetConsole& console : consoles) {
        ServiceReport::ConsoleSection section;
        section.context = context;
        section.context.port = console.port;
        section.report = UpdateReportFormatter::fromJson(console.single);
        section.result = consoleResult(console);
        section.reason = lastMessage(console);
        sections.push_back(std::move(section));
    }
    return sections;
}

nlohmann::ordered_json FleetReport::consoleJson(const std::string& operation, const FleetConsole& console) {
    nlohmann::ordered_json object = {
        {"port", console.port}, {"exitCode", console.exitCode}, {"seconds", console.seconds}};
    if (console.single.is_object()) {
        for (auto entry = console.single.begin(); entry != console.single.end(); ++entry) {
            // The fleet's own keys stay as the fleet saw them.
            if (!object.contains(entry.key())) {
                object[entry.key()] = entry.value();
            }
        }
    } else {
        // The program printed no result of its own: say what is known.
        object["operation"] = operation;
        object["result"] = consoleResult(console);
        const std::string reason = lastMessage(console);
        if (!reason.empty()) {
            object["reason"] = reason;
        }
    }
    return object;
}

nlohmann::ordered_json FleetReport::json(const std::string& operation,
                                         const std::vector<FleetConsole>& consoles, bool cancelled,
                                         const std::optional<std::string>& retry) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& console : consoles) {
        list.push_back(consoleJson(operation, console));
    }
    return {{"operation", operation},
            {"result", overallResult(consoles, cancelled)},
            {"consoles", std::move(list)},
            {"retry", retry ? nlohmann::ordered_json(*retry) : nlohmann::ordered_json(nullptr)}};
}

void FleetReport::printConsoleTables(std::ostream& out, const std::string& operation,
                                     const std::vector<FleetConsole>& consoles) {
    for (const auto& console : consoles) {
        if (&console != &consoles.front()) {
            out << '\n';
        }
        out << "== " << console.port << ": " << consoleResult(console) << " in "
            << UpdateReportFormatter::secondsText(console.seconds) << '\n';
        if (operation == kUpdate) {
            if (const auto report = UpdateReportFormatter::fromJson(console.single)) {
                UpdateReportFormatter::printSummary(out, *report);
                for (const auto& unit : report->units) {
                    if (unit.planned && !report->dryRun) {
                        out << UpdateReportFormatter::unitOutcomeLine(unit) << '\n';
                    }
                }
                continue;
            }
        } else if (const auto report = ReportFormatter::operationFromJson(console.single)) {
            ReportFormatter::printOperation(out, *report);
            continue;
        }
        const std::string reason = lastMessage(console);
        out << "no result" << (reason.empty() ? "" : ": " + reason) << '\n';
    }
}

void FleetReport::printSummary(std::ostream& out, const std::string& operation,
                               const std::vector<FleetConsole>& consoles) {
    bool withLog = false;
    for (const auto& console : consoles) {
        withLog = withLog || !console.logPath.empty();
    }
    std::vector<std::string> header =
        operation == kUpdate ? std::vector<std::string>{"Port",   "Planned", "Written", "Verified", "Unit",
                                                        "Before", "After",   "Result",  "Time"}
                             : std::vector<std::string>{"Port", "Units", "Unit", "Version", "Result", "Time"};
    if (withLog) {
        header.push_back("Log");
    }
    TextTable table(std::move(header));
    for (const auto& console : consoles) {
        if (operation == kUpdate) {
            addUpdateRows(table, console, withLog);
        } else {
            addGetverRows(table, console, withLog);
        }
    }
    table.print(out);
}

}  // namespace cli
