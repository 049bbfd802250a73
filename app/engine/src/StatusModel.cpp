#include "engine/StatusModel.h"

#include <algorithm>

namespace engine {

namespace {

// Adds steps to position while keeping it within 0 .. total; a concurrent
// writer of the same bar never makes an update disappear.
void advanceClamped(std::atomic<std::int32_t>& position, const std::atomic<std::int32_t>& total,
                    std::int32_t steps) {
    std::int32_t seen = position.load();
    std::int32_t wanted = 0;
    do {
        const std::int32_t limit = std::max<std::int32_t>(0, total.load());
        const std::int64_t next = static_cast<std::int64_t>(seen) + steps;
        wanted = static_cast<std::int32_t>(std::clamp<std::int64_t>(next, 0, limit));
    } while (!position.compare_exchange_weak(seen, wanted));
}

}  // namespace

StatusModel::StatusModel() {
    reset();
}

void StatusModel::reset() {
    {
        std::lock_guard lock(textMutex_);
        title_.clear();
        fileName_.clear();
        statusText_.clear();
    }
    lowAddress_ = 0;
    highAddress_ = 0;
    checksum_ = 0;
    errorFlag_ = false;
    finishedFlag_ = false;
    currentTotal_ = kDefaultTotal;
    currentPos_ = 0;
    overallTotal_ = kDefaultTotal;
    overallPos_ = 0;
    cancelEnabled_ = true;
}

std::string StatusModel::title() const {
    std::lock_guard lock(textMutex_);
    return title_;
}

void StatusModel::setTitle(std::string_view text) {
    std::lock_guard lock(textMutex_);
    title_.assign(text);
}

std::string StatusModel::fileName() const {
    std::lock_guard lock(textMutex_);
    return fileName_;
}

void StatusModel::setFileName(std::string_view text) {
    std::lock_guard lock(textMutex_);
    fileName_.assign(text);
}

std::string StatusModel::statusText() const {
    std::lock_guard lock(textMutex_);
    return statusText_;
}

void StatusModel::setStatusText(std::string_view text) {
    std::lock_guard lock(textMutex_);
    statusText_.assign(text);
}

void StatusModel::advanceCurrent() {
    advanceClamped(currentPos_, currentTotal_, 1);
}

void StatusModel::advanceOverall(std::int32_t steps) {
    advanceClamped(overallPos_, overallTotal_, steps);
}

void StatusModel::fillBars() {
    currentPos_ = std::min(currentTotal_.load(), kFinalPositionLimit);
    overallPos_ = std::min(overallTotal_.load(), kFinalPositionLimit);
}

}  // namespace engine
