#include "cli/FleetFeed.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "cli/ReportFormatter.h"

namespace cli {

namespace {

constexpr const char* kStartedKey = "started";
constexpr const char* kEndedKey = "ended";
constexpr const char* kUnitKey = "unit";
constexpr const char* kStatusKey = "status";
constexpr const char* kPercentKey = "percent";
constexpr const char* kErrorKey = "error";
constexpr const char* kResultKey = "result";

std::string textOf(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

}  // namespace

std::string FleetFeed::line(const FeedRecord& record) {
    nlohmann::ordered_json object;
    switch (record.kind) {
        case FeedRecord::Kind::Started:
            object = {{kStartedKey, record.operation}, {kUnitKey, record.unit}};
            break;
        case FeedRecord::Kind::Progress:
            object = {{kStatusKey, record.status}, {kPercentKey, record.percent}, {kErrorKey, record.error}};
            break;
        case FeedRecord::Kind::Ended:
            object = {{kEndedKey, record.operation}, {kUnitKey, record.unit}, {kResultKey, record.result}};
            break;
    }
    return std::string(kMarker) + ReportFormatter::jsonText(object);
}

std::optional<FeedRecord> FleetFeed::parse(std::string_view line) {
    if (line.substr(0, kMarker.size()) != kMarker) {
        return std::nullopt;
    }
    const nlohmann::json object = nlohmann::json::parse(line.substr(kMarker.size()), nullptr, false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    FeedRecord record;
    if (object.contains(kStartedKey)) {
        record.kind = FeedRecord::Kind::Started;
        record.operation = textOf(object, kStartedKey);
        record.unit = textOf(object, kUnitKey);
    } else if (object.contains(kEndedKey)) {
        record.kind = FeedRecord::Kind::Ended;
        record.operation = textOf(object, kEndedKey);
        record.unit = textOf(object, kUnitKey);
        record.result = textOf(object, kResultKey);
    } else if (object.contains(kStatusKey)) {
        record.kind = FeedRecord::Kind::Progress;
        record.status = textOf(object, kStatusKey);
        const auto percent = object.find(kPercentKey);
        if (percent != object.end() && percent->is_number_integer()) {
            record.percent = std::clamp(percent->get<int>(), 0, 100);
        }
        const auto error = object.find(kErrorKey);
        record.error = error != object.end() && error->is_boolean() && error->get<bool>();
    } else {
        return std::nullopt;
    }
    return record;
}

}  // namespace cli
