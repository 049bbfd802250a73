#include "platform/InterruptGuard.h"

#include <windows.h>

#include <atomic>

namespace platform {

namespace {

std::atomic<bool> interruptSeen{false};
std::atomic<int> requestsSeen{0};
std::atomic<bool> inputWatched{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            interruptSeen.store(true);
            // The second one is left to the system: it ends a program that
            // no longer reacts.
            return requestsSeen.fetch_add(1) == 0 ? TRUE : FALSE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            interruptSeen.store(true);
            // The system ends the process when this returns (after a few
            // seconds at the latest): give the engine that time to leave
            // the console's boot mode.
            ::Sleep(4000);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

InterruptGuard::InterruptGuard() {
    interruptSeen.store(false);
    requestsSeen.store(0);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptGuard::~InterruptGuard() {
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

bool InterruptGuard::interrupted() const {
    if (!interruptSeen.load() && inputWatched.load()) {
        // Looked at without waiting: bytes to read, or a pipe whose writer has
        // closed it (the call then fails), is a stop request.
        DWORD available = 0;
        if (!::PeekNamedPipe(::GetStdHandle(STD_INPUT_HANDLE), nullptr, 0, nullptr, &available, nullptr) ||
            available > 0) {
            interruptSeen.store(true);
        }
    }
    return interruptSeen.load();
}

void InterruptGuard::watchStandardInput() {
    inputWatched.store(true);
}

}  // namespace platform
