#pragma once

#include <chrono>
#include <cstdint>

#include "engine/AutoResetEvent.h"

namespace engine {

// The engine counts its waits in periods of 100 ms.
inline constexpr auto kTick = std::chrono::milliseconds(100);
inline constexpr std::int32_t kTicksPerSecond = 10;

// Waits ticks periods. False as soon as the cancel event is seen; it is
// signalled again so that the later waits of the operation see it too.
inline bool waitTicksUnlessCancelled(AutoResetEvent& cancel, std::int32_t ticks) {
    for (std::int32_t n = 0; n < ticks; ++n) {
        if (cancel.waitFor(kTick)) {
            cancel.signal();
            return false;
        }
    }
    return true;
}

}  // namespace engine
