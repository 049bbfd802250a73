#include "platform/ThreadPriority.h"

#include <windows.h>

namespace platform {

Result<void> setCurrentThreadPriority(ThreadPriority priority) {
    // Highest is the highest level below time-critical.
    const int level = priority == ThreadPriority::Highest       ? THREAD_PRIORITY_HIGHEST
                      : priority == ThreadPriority::AboveNormal ? THREAD_PRIORITY_ABOVE_NORMAL
                                                                : THREAD_PRIORITY_NORMAL;
    if (!::SetThreadPriority(::GetCurrentThread(), level))
        return SystemError::last();
    return {};
}

}  // namespace platform
