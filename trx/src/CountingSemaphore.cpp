#include "CountingSemaphore.h"

#include <chrono>

namespace trx {

void CountingSemaphore::reset(std::int32_t initial) {
    std::lock_guard lock(mutex_);
    count_ = initial;
    cancelled_ = false;
}

bool CountingSemaphore::tryAcquire() {
    std::lock_guard lock(mutex_);
    if (count_ == 0 || cancelled_) {
        return false;
    }
    --count_;
    return true;
}

WaitStatus CountingSemaphore::acquireFor(std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    const bool woken = available_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                           [this] { return count_ > 0 || cancelled_; });
    if (cancelled_) {
        return WaitStatus::Cancelled;
    }
    if (!woken) {
        return WaitStatus::TimedOut;
    }
    --count_;
    return WaitStatus::Acquired;
}

std::int32_t CountingSemaphore::release() {
    std::int32_t previous = 0;
    {
        std::lock_guard lock(mutex_);
        if (count_ >= maximum_) {
            return -1;
        }
        previous = count_++;
    }
    available_.notify_one();
    return previous;
}

void CountingSemaphore::cancelWaits() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    available_.notify_all();
}

}  // namespace trx
