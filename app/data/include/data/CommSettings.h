#pragma once

#include <cstdint>
#include <string>

namespace data {

// What the interface library is opened with; read from section HOST of the
// settings file and copied into the update engine before every operation.
struct CommSettings {
    static constexpr std::size_t kMaxDeviceNameLength = 63;
    static constexpr std::int32_t kReplyWaitMs = 200;

    std::string deviceName;  // port name, at most 63 characters
    std::int32_t baudRate = 115200;
    std::int32_t replyWaitMs = kReplyWaitMs;
    std::int32_t debugLevel = 0;  // log mode of the interface library
    std::int32_t waitTime = 0;    // transmit interval, 0..9 ms
};

}  // namespace data
