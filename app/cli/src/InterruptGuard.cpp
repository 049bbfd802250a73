#include "cli/InterruptGuard.h"

#include <atomic>
#include <csignal>

namespace cli {

namespace {

// A signal handler may touch only lock-free atomics.
std::atomic<bool> interruptSeen{false};
static_assert(std::atomic<bool>::is_always_lock_free);

using Handler = void (*)(int);
Handler previousHandler = SIG_DFL;

extern "C" void onInterrupt(int signalNumber) {
    interruptSeen.store(true);
    // The next Ctrl+C is not caught: it ends a program that no longer reacts.
    std::signal(signalNumber, SIG_DFL);
}

}  // namespace

InterruptGuard::InterruptGuard() {
    interruptSeen.store(false);
    previousHandler = std::signal(SIGINT, onInterrupt);
    if (previousHandler == SIG_ERR) {
        previousHandler = SIG_DFL;
    }
}

InterruptGuard::~InterruptGuard() {
    std::signal(SIGINT, previousHandler);
}

bool InterruptGuard::interrupted() const {
    return interruptSeen.load();
}

}  // namespace cli
