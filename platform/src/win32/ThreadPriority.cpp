#include "platform/ThreadPriority.h"

#include <windows.h>

namespace platform {

bool setCurrentThreadPriority(ThreadPriority priority) {
    // Highest is the highest level below time-critical.
    const int level = priority == ThreadPriority::Highest       ? THREAD_PRIORITY_HIGHEST
                      : priority == ThreadPriority::AboveNormal ? THREAD_PRIORITY_ABOVE_NORMAL
                                                                : THREAD_PRIORITY_NORMAL;
    return ::SetThreadPriority(::GetCurrentThread(), level) != 0;
}

}  // namespace platform
