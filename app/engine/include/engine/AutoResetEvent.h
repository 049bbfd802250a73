#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace engine {

// An event that releases one waiter and clears itself as it does so. Waiters
// that must pass the signal on (every cancellable wait of an operation) signal
// it again after seeing it.
class AutoResetEvent {
  public:
    void signal();
    void reset();

    // Waits until signalled; consumes the signal.
    void wait();
    // Waits at most the given time; true when the signal was seen (and consumed).
    bool waitFor(std::chrono::milliseconds limit);
    // Takes the signal if it is there, without waiting.
    bool tryWait();
    // Looks at the signal without consuming it.
    bool isSignalled() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable signalled_;
    bool state_ = false;
};

}  // namespace engine
