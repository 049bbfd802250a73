#pragma once

#include <array>
#include <cstdint>

namespace data {

// Boot-in, boot-out, timeout and retry time of one unit model, whole seconds 1..30.
struct UnitTiming {
    std::int32_t bootIn = 10;
    std::int32_t bootOut = 5;
    std::int32_t timeout = 10;
    std::int32_t retryTime = 10;
};

// The four unit models, in the order their timing sets are kept.
enum class UnitModel : std::size_t { SRF7 = 0, ENG7 = 1, LIO7 = 2, XDG7 = 3 };
inline constexpr std::size_t kUnitModelCount = 4;

using UnitTimingSet = std::array<UnitTiming, kUnitModelCount>;

}  // namespace data
