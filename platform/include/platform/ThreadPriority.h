#pragma once

#include "platform/Result.h"

namespace platform {

// Scheduling weight of the calling thread relative to normal threads.
enum class ThreadPriority { Normal, AboveNormal, Highest };

// Raises (or resets) the calling thread's priority. A refusal (no
// privilege) leaves it unchanged and fails with the reason; callers may
// ignore it.
Result<void> setCurrentThreadPriority(ThreadPriority priority);

}  // namespace platform
