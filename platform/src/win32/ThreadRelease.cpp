#include "platform/ThreadRelease.h"

#include <pthread.h>
#include <windows.h>

namespace platform {
namespace {

// Time for a thread that left its loop to run out of the library's code (its
// return path through the run time) into the system's thread exit.
constexpr DWORD kLeaveCodeMs = 20;
// Exit code of a thread that had to be ended by force.
constexpr DWORD kForcedExitCode = 3;

}  // namespace

void releaseThreadAtUnload(std::thread& thread, bool finished) {
    if (!thread.joinable()) {
        return;
    }
    if (finished) {
        ::Sleep(kLeaveCodeMs);
    } else {
        const HANDLE handle = reinterpret_cast<HANDLE>(pthread_gethandle(thread.native_handle()));
        if (handle != nullptr) {
            ::TerminateThread(handle, kForcedExitCode);
        }
    }
    thread.detach();
}

}  // namespace platform
