#include "engine/OperationControl.h"

namespace engine {

void OperationControl::reset() {
    std::lock_guard lock(mutex_);
    cancelled_ = false;
    okGiven_ = false;
    done_ = false;
}

void OperationControl::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
}

bool OperationControl::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool OperationControl::waitForCancel(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return cancelled_; });
}

void OperationControl::giveOk() {
    {
        std::lock_guard lock(mutex_);
        okGiven_ = true;
    }
    changed_.notify_all();
}

void OperationControl::waitForOk() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return okGiven_; });
}

void OperationControl::signalDone() {
    std::lock_guard lock(mutex_);
    done_ = true;
}

bool OperationControl::isDone() const {
    std::lock_guard lock(mutex_);
    return done_;
}

}  // namespace engine
