#pragma once

#include <cstdint>
#include <string_view>

namespace engine {

// The outcome of one step of an operation. The numbers are the system's own
// and are shown nowhere but kept for logs and tests.
enum class ResultCode : std::int32_t {
    Ok = 0,
    Cancelled = 1,
    TimedOut = 2,
    ImageError = 4,
    OpenFailed = 5,
    Failed = 6,
    ChecksumFailed = 7,
    EraseFailed = 8,
    WrongTarget = 9,
    WriteFailed = 10,
    DeviceError = 11,
};

// The text a unit row shows after a write ended with this result.
std::string_view resultText(ResultCode code);

// Name of the code for diagnostics ("TimedOut").
std::string_view resultName(ResultCode code);

}  // namespace engine
