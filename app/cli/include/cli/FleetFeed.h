#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace cli {

// One record of the progress a console's program reports to the program that
// started it (one line of its standard error each): an operation starts on a
// unit, its status and percent move on, it ends with a result.
struct FeedRecord {
    enum class Kind { Started, Progress, Ended };

    Kind kind = Kind::Progress;
    std::string operation;  // Started, Ended: "getver", "write", "erase"
    std::string unit;       // Started, Ended: the unit's name (empty: every unit)
    std::string status;     // Progress: the engine's status text
    int percent = 0;        // Progress: of the operation as a whole, 0..100
    bool error = false;     // Progress: the status is an error
    std::string result;     // Ended: the engine's result name

    static FeedRecord started(std::string operation, std::string unit) {
        FeedRecord record;
        record.kind = Kind::Started;
        record.operation = std::move(operation);
        record.unit = std::move(unit);
        return record;
    }
    static FeedRecord progress(std::string status, int percent, bool error = false) {
        FeedRecord record;
        record.status = std::move(status);
        record.percent = percent;
        record.error = error;
        return record;
    }
    static FeedRecord ended(std::string operation, std::string unit, std::string result) {
        FeedRecord record = started(std::move(operation), std::move(unit));
        record.kind = Kind::Ended;
        record.result = std::move(result);
        return record;
    }

    bool operator==(const FeedRecord&) const = default;
};

// The line form of the records: a marker no message line starts with, then
// one JSON object. Other lines of the stream are the program's messages.
class FleetFeed {
  public:
    static constexpr std::string_view kMarker = "@fleet ";

    // The line without its line end.
    static std::string line(const FeedRecord& record);
    // Nothing for a message line or a record that makes no sense.
    static std::optional<FeedRecord> parse(std::string_view line);
};

}  // namespace cli
