#pragma once

namespace platform {

// The wall-clock time of the machine's own time zone, as the log shows it.
struct LocalTime {
    int year = 0;    // e.g. 2006
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..60
};

LocalTime localTimeNow();

}  // namespace platform
