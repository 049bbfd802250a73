#pragma once

namespace platform {

// Turns the user's and the system's requests to stop a console program into
// one flag that the operation loop picks up and hands to the engine as a
// Cancel: Ctrl+C and SIGTERM on POSIX; Ctrl+C, Ctrl+Break and closing the
// console window on Windows. A second Ctrl+C ends the program at once.
// One guard at a time; the previous handling comes back when it is destroyed.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once a stop was requested since the guard was made.
    bool interrupted() const;

    // From now on, for the whole process: anything arriving on standard
    // input, or its end, is also a stop request. For a program that another
    // one started with its input on a pipe: the parent asks it to stop by
    // closing the pipe, which also happens when the parent itself goes.
    static void watchStandardInput();
};

}  // namespace platform
