#pragma once

#include <cstdint>
#include <string>

namespace ui {

// One consistent reading of the engine's progress record.
struct StatusSnapshot {
    std::string title;
    std::string fileName;
    std::uint32_t lowAddress = 0;
    std::uint32_t highAddress = 0;
    std::uint16_t checksum = 0;
    std::string statusText;
    bool errorFlag = false;
    bool finishedFlag = false;
    std::int32_t currentTotal = 100;
    std::int32_t currentPos = 0;
    std::int32_t overallTotal = 100;
    std::int32_t overallPos = 0;
    bool cancelEnabled = true;
};

// What the progress window reads and answers: the record, the done event
// (looked at without consuming it) and the cancel event.
class StatusFeed {
  public:
    virtual ~StatusFeed() = default;
    virtual StatusSnapshot snapshot() const = 0;
    // Whether the operation has ended; the event stays signalled for others.
    virtual bool isDone() = 0;
    virtual void signalCancel() = 0;
};

}  // namespace ui
