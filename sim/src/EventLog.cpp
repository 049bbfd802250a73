#include "sim/EventLog.h"

#include <cmath>

namespace sim {

EventLog::Event& EventLog::add(const std::string& kind) {
    Event event = Event::object();
    event["ms"] = std::round(nowMs_ * 10) / 10;
    event["event"] = kind;
    events_.push_back(std::move(event));
    return events_.back();
}

std::size_t EventLog::count(const std::string& kind) const {
    std::size_t total = 0;
    for (const Event& event : events_) {
        if (event["event"] == kind) {
            ++total;
        }
    }
    return total;
}

nlohmann::ordered_json EventLog::toJson() const {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Event& event : events_) {
        list.push_back(event);
    }
    return list;
}

}  // namespace sim
