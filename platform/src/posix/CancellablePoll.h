#pragma once

#include <poll.h>

#include <cerrno>

#include "platform/Result.h"
#include "platform/SerialPort.h"

namespace platform {

// Waits at most timeoutMs until fd shows one of events or cancelFd turns
// readable (another thread cancelled the waits), starting again after a
// signal. Anything else fd shows (a hang-up, an error, a closed descriptor)
// ends the wait as HungUp, with fd's events in shown.
inline Result<WaitResult> pollWithCancel(int fd, int cancelFd, short events, int timeoutMs, short& shown) {
    pollfd entries[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(entries, 2, timeoutMs);
        if (ready > 0) {
            if ((entries[1].revents & POLLIN) != 0) {
                return WaitResult::Cancelled;
            }
            if ((entries[0].revents & events) != 0) {
                return WaitResult::Ready;
            }
            shown = entries[0].revents;
            return WaitResult::HungUp;
        }
        if (ready == 0) {
            return WaitResult::TimedOut;
        }
        if (errno != EINTR) {
            return SystemError::last();
        }
    }
}

}  // namespace platform
