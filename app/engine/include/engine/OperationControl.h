#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace engine {

// What passes between the user and a running operation, apart from its
// progress: the cancel (the Cancel button, Ctrl+C, the program ending), the
// OK that ends an erase or write, and the end of the work. Each is a latch:
// once set it stays set until the next operation starts, so every later
// wait of the operation sees a cancel, and a window that looks at "done"
// does not take it away from the main view.
class OperationControl {
  public:
    // A new operation: nothing cancelled, no OK given, not done.
    void reset();

    void cancel();
    bool cancelled() const;
    // Waits at most limit for a cancel; true when the operation is cancelled.
    bool waitForCancel(std::chrono::milliseconds limit);

    // The user's OK at the end of an erase or write.
    void giveOk();
    void waitForOk();

    // The work of the operation is over (before an erase or write waits for its OK).
    void signalDone();
    bool isDone() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool cancelled_ = false;  // guarded by mutex_
    bool okGiven_ = false;    // guarded by mutex_
    bool done_ = false;       // guarded by mutex_
};

}  // namespace engine
