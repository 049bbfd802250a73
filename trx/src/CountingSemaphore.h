#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace trx {

enum class WaitStatus { Acquired, TimedOut, Cancelled };

// A counting semaphore with a ceiling whose release tells the count it found,
// as the queue diagnostics report it. Waits can be cancelled so that closing
// the interface never sits out a caller's full wait time.
class CountingSemaphore {
  public:
    CountingSemaphore(std::int32_t initial, std::int32_t maximum) : count_(initial), maximum_(maximum) {}

    void reset(std::int32_t initial);
    bool tryAcquire();
    WaitStatus acquireFor(std::uint32_t timeoutMs);
    // Adds one unless the ceiling is reached; the count before the release, or
    // -1 when the semaphore is already full.
    std::int32_t release();
    // Every current and later wait returns Cancelled until reset().
    void cancelWaits();

  private:
    std::mutex mutex_;
    std::condition_variable available_;
    std::int32_t count_;
    std::int32_t maximum_;
    bool cancelled_ = false;
};

}  // namespace trx
