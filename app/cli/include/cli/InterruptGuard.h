#pragma once

namespace cli {

// Turns Ctrl+C (SIGINT), SIGTERM and a hang-up (SIGHUP) into a request that
// the operation loop picks up and hands to the engine as a Cancel; a second
// one ends the program at once.
// One guard at a time; the previous handling comes back when it is destroyed.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once Ctrl+C has been pressed since the guard was made.
    bool interrupted() const;
};

}  // namespace cli
