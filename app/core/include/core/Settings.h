#pragma once

#include <cstdint>
#include <string>

#include "core/FontSetting.h"
#include "data/CommSettings.h"
#include "data/UnitTiming.h"

namespace core {

// Everything the program takes from its settings file, as read at start-up.
struct Settings {
    static constexpr const char* kDefaultDeviceName = "COM1";
    static constexpr const char* kDefaultListName = "UNIT.LST";
    static constexpr std::uint8_t kDefaultCheckStatus = 1;

    data::CommSettings comm;
    std::string baudRateText;  // HOST/BAUDRATE as written (empty when missing), for messages
    std::string dataRoot;      // absolute; the process's current directory once read
    std::string defaultListName = kDefaultListName;
    std::string defaultListPath;  // dataRoot + "/" + defaultListName
    FontSetting font;
    data::UnitTimingSet timing{};
    std::int32_t advanced = 0;                       // always 1 once read: mode dialog and list layout
    std::uint8_t checkStatus = kDefaultCheckStatus;  // non-zero: check the ID byte before writing
};

}  // namespace core
