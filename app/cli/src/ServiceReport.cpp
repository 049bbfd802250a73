#include "cli/ServiceReport.h"

#include <cstdio>
#include <sstream>

#include "cli/TextTable.h"
#include "cli/UpdateReportFormatter.h"

namespace cli {

std::string ServiceReport::localTimeText(const platform::LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

namespace {

// Everything a report says about one console, after its title.
void printBody(std::ostream& out, const ServiceContext& context, const UpdateReport& report) {
    TextTable facts({"Date", context.dateTime});
    facts.addRow({"Program", context.programVersion + " (" + context.programNumbers + ")"});
    facts.addRow({"Interface library", context.interfaceLibrary});
    facts.addRow({"Compression library", context.compressionLibrary});
    facts.addRow({"Port", context.port});
    facts.addRow({"Connection point", context.connectionPoint});
    facts.addRow({"Writing port", context.writingPort});
    facts.addRow({"Unit list", context.unitList});
    facts.addRow(
        {"Update", report.dryRun ? "dry run: versions read, nothing written" : "read, write, verify"});
    facts.print(out);
    out << "\nImages\n";
    UpdateReportFormatter::printImages(out, report);
    out << "\nUnits\n";
    UpdateReportFormatter::printSummary(out, report);
    for (const auto& unit : report.units) {
        if (unit.planned) {
            out << UpdateReportFormatter::unitOutcomeLine(unit) << '\n';
        }
    }
}

}  // namespace

std::string ServiceReport::text(const ServiceContext& context, const UpdateReport& report) {
    std::ostringstream out;
    out << kTitle << "\n\n";
    printBody(out, context, report);
    return out.str();
}

std::string ServiceReport::fleetText(const std::string& dateTime, const std::string& result,
                                     const std::vector<ConsoleSection>& consoles) {
    std::ostringstream out;
    out << kTitle << "\n\n";
    TextTable facts({"Date", dateTime});
    std::string counts;
    for (const char* kind : {"Ok", "Failed", "Cancelled"}) {
        int count = 0;
        for (const auto& console : consoles) {
            count += console.result == kind ? 1 : 0;
        }
        if (count > 0) {
            counts += (counts.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
        }
    }
    facts.addRow({"Consoles", std::to_string(consoles.size()) + (counts.empty() ? "" : " (" + counts + ")")});
    facts.addRow({"Result", result});
    facts.print(out);
    for (std::size_t index = 0; index < consoles.size(); ++index) {
        const ConsoleSection& console = consoles[index];
        out << "\n== Console " << index + 1 << " of " << consoles.size() << ": " << console.context.port
            << ": " << console.result << "\n\n";
        if (console.report) {
            printBody(out, console.context, *console.report);
        } else {
            out << "No update report" << (console.reason.empty() ? "" : ": " + console.reason) << '\n';
        }
    }
    return out.str();
}

nlohmann::ordered_json ServiceReport::fleetJson(const std::string& dateTime, const std::string& result,
                                                const std::vector<ConsoleSection>& consoles) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& console : consoles) {
        if (console.report) {
            list.push_back(json(console.context, *console.report));
        } else {
            list.push_back(
                {{"port", console.context.port}, {"result", console.result}, {"reason", console.reason}});
        }
    }
    return {{"report", kTitle}, {"date", dateTime}, {"result", result}, {"consoles", std::move(list)}};
}

nlohmann::ordered_json ServiceReport::json(const ServiceContext& context, const UpdateReport& report) {
    nlohmann::ordered_json object = {{"report", kTitle},
                                     {"date", context.dateTime},
                                     {"program", context.programVersion},
                                     {"programVersions", context.programNumbers},
                                     {"interfaceLibrary", context.interfaceLibrary},
                                     {"compressionLibrary", context.compressionLibrary},
                                     {"port", context.port},
                                     {"connectionPoint", context.connectionPoint},
                                     {"writingPort", context.writingPort},
                                     {"unitList", context.unitList}};
    const nlohmann::ordered_json update = UpdateReportFormatter::json(report);
    for (auto entry = update.begin(); entry != update.end(); ++entry) {
        object[entry.key()] = entry.value();
    }
    return object;
}

}  // namespace cli
