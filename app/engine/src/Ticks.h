#pragma once

#include <chrono>
#include <cstdint>

#include "engine/OperationControl.h"

namespace engine {

// The engine counts its waits in periods of 100 ms.
inline constexpr auto kTick = std::chrono::milliseconds(100);
inline constexpr std::int32_t kTicksPerSecond = 10;

// Waits ticks periods; false as soon as the operation is cancelled.
inline bool waitTicksUnlessCancelled(OperationControl& control, std::int32_t ticks) {
    for (std::int32_t n = 0; n < ticks; ++n) {
        if (control.waitForCancel(kTick)) {
            return false;
        }
    }
    return true;
}

}  // namespace engine
