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

std::string ServiceReport::text(const ServiceContext& context, const UpdateReport& report) {
    std::ostringstream out;
    out << kTitle << "\n\n";
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
    return out.str();
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
