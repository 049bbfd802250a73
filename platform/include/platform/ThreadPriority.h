#pragma once

namespace platform {

// Scheduling weight of the calling thread relative to normal threads.
enum class ThreadPriority { Normal, AboveNormal, Highest };

// Raises (or resets) the calling thread's priority. Refusal (no privilege)
// leaves it unchanged and is reported as false; callers may ignore it.
bool setCurrentThreadPriority(ThreadPriority priority);

}  // namespace platform
