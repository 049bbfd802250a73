#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

Result<void> setCurrentThreadPriority(ThreadPriority priority) {
    // On Linux the nice value is per thread; lower values run first.
    const int niceValue = priority == ThreadPriority::Highest       ? -10
                          : priority == ThreadPriority::AboveNormal ? -5
                                                                    : 0;
    const auto threadId = static_cast<id_t>(::syscall(SYS_gettid));
    if (::setpriority(PRIO_PROCESS, threadId, niceValue) != 0)
        return SystemError::last();
    return {};
}

}  // namespace platform
