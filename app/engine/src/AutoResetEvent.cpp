#include "engine/AutoResetEvent.h"

namespace engine {

void AutoResetEvent::signal() {
    {
        std::lock_guard lock(mutex_);
        state_ = true;
    }
    signalled_.notify_one();
}

void AutoResetEvent::reset() {
    std::lock_guard lock(mutex_);
    state_ = false;
}

void AutoResetEvent::wait() {
    std::unique_lock lock(mutex_);
    signalled_.wait(lock, [this] { return state_; });
    state_ = false;
}

bool AutoResetEvent::waitFor(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (!signalled_.wait_for(lock, limit, [this] { return state_; })) {
        return false;
    }
    state_ = false;
    return true;
}

bool AutoResetEvent::tryWait() {
    std::lock_guard lock(mutex_);
    const bool was = state_;
    state_ = false;
    return was;
}

bool AutoResetEvent::isSignalled() const {
    std::lock_guard lock(mutex_);
    return state_;
}

}  // namespace engine
