#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace sim {

// What happened on the console, in order: broadcasts, erases, selects,
// blocks, checksums, versions set, faults applied. Written as JSON at exit.
class EventLog {
  public:
    using Event = nlohmann::ordered_json;

    void setTime(double millisecondsSinceStart) { nowMs_ = millisecondsSinceStart; }
    // Adds an event; "ms" and "event" come first.
    Event& add(const std::string& kind);

    const std::vector<Event>& events() const { return events_; }
    std::size_t count(const std::string& kind) const;
    nlohmann::ordered_json toJson() const;

  private:
    double nowMs_ = 0;
    std::vector<Event> events_;
};

}  // namespace sim
