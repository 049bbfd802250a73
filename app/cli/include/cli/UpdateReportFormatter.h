#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>

#include "cli/UpdateReport.h"

namespace cli {

// The update command's output, for a person and as JSON. Pure functions of
// the report so that both forms can be checked without a console.
class UpdateReportFormatter {
  public:
    // {"operation":"update","result",..,"dryRun",..,"units":[{"name","before",
    // "after","file","planned","result","verified","bytes","seconds","retries",
    // "status","rows":[...]}]}
    static nlohmann::ordered_json json(const UpdateReport& report);
    static nlohmann::ordered_json unitJson(const UpdateUnit& unit);
    // The report back from its JSON (as another flashkit-cli printed it);
    // nothing when the object is not an update's. Missing keys keep their
    // defaults.
    static std::optional<UpdateReport> fromJson(const nlohmann::json& object);

    // The plan: every image of every planned unit with its version now and
    // the file's, the file and its bytes; then the units that need nothing.
    static void printPlan(std::ostream& out, const UpdateReport& report);
    // "== SRF7 (1 of 3): MAIN, SUB  1.05 -> 1.06"
    static std::string unitStartLine(const UpdateUnit& unit, int position, int count);
    // "SRF7: Ok, now 1.06" or what went wrong, naming the images concerned.
    static std::string unitOutcomeLine(const UpdateUnit& unit);
    // The closing table (unit, before, after, result, bytes, time) and the result line.
    static void printSummary(std::ostream& out, const UpdateReport& report);
    // Every image with its file, checksum and versions (the service report's detail).
    static void printImages(std::ostream& out, const UpdateReport& report);

    // "3.6 s"
    static std::string secondsText(double seconds);
};

}  // namespace cli
