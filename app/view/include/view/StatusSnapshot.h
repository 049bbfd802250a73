#pragma once

#include <cstdint>
#include <string>

namespace view {

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

}  // namespace view
