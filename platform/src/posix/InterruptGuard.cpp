#include "platform/InterruptGuard.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>

namespace platform {

namespace {

// A signal handler may touch only lock-free atomics.
std::atomic<bool> interruptSeen{false};
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> inputWatched{false};

// Ctrl+C, the polite stop of a supervisor (a CI time limit, kill) and the
// hang-up of a closed terminal or SSH session: each lets the engine leave
// the console's boot mode before the program ends.
#ifdef SIGHUP
constexpr std::array<int, 3> kCaughtSignals = {SIGINT, SIGTERM, SIGHUP};
#else
constexpr std::array<int, 2> kCaughtSignals = {SIGINT, SIGTERM};
#endif

using Handler = void (*)(int);
std::array<Handler, kCaughtSignals.size()> previousHandlers{};

extern "C" void onInterrupt(int signalNumber) {
    interruptSeen.store(true);
    // The next one is not caught: it ends a program that no longer reacts.
    std::signal(signalNumber, SIG_DFL);
}

}  // namespace

InterruptGuard::InterruptGuard() {
    interruptSeen.store(false);
    for (std::size_t i = 0; i < kCaughtSignals.size(); ++i) {
        previousHandlers[i] = std::signal(kCaughtSignals[i], onInterrupt);
        if (previousHandlers[i] == SIG_ERR) {
            previousHandlers[i] = SIG_DFL;
        }
    }
}

InterruptGuard::~InterruptGuard() {
    for (std::size_t i = 0; i < kCaughtSignals.size(); ++i) {
        std::signal(kCaughtSignals[i], previousHandlers[i]);
    }
}

bool InterruptGuard::interrupted() const {
    if (!interruptSeen.load() && inputWatched.load()) {
        // Looked at without waiting: readable means a byte or the end of the pipe.
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, 0) > 0 && (input.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0) {
            interruptSeen.store(true);
        }
    }
    return interruptSeen.load();
}

void InterruptGuard::watchStandardInput() {
    inputWatched.store(true);
}

}  // namespace platform
