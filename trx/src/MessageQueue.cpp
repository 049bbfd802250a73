#include "MessageQueue.h"

#include <new>

namespace trx {

bool MessageQueue::create() {
    try {
        storage_ = std::make_unique<Storage>();
    } catch (const std::bad_alloc&) {
        storage_.reset();
    }
    readPosition_ = 0;
    writePosition_ = 0;
    filledPrevious_ = 0;
    freePrevious_ = 0;
    filled_.reset(0);
    free_.reset(static_cast<std::int32_t>(kSlotCount));
    return storage_ != nullptr;
}

void MessageQueue::destroy() {
    storage_.reset();
    readPosition_ = 0;
    writePosition_ = 0;
    filledPrevious_ = 0;
    freePrevious_ = 0;
}

void MessageQueue::cancelWaits() {
    filled_.cancelWaits();
    free_.cancelWaits();
}

std::span<std::uint8_t, MessageQueue::kSlotSize> MessageQueue::writeSlot() {
    return storage_->slots[writePosition_.load(std::memory_order_relaxed)];
}

void MessageQueue::commitWrite(std::int32_t length) {
    const std::uint32_t position = writePosition_.load(std::memory_order_relaxed);
    storage_->lengths[position] = length;
    writePosition_.store(next(position), std::memory_order_relaxed);
}

void MessageQueue::releaseFilled() {
    const std::int32_t previous = filled_.release();
    if (previous >= 0) {
        filledPrevious_.store(static_cast<std::uint32_t>(previous), std::memory_order_relaxed);
    }
}

std::span<std::uint8_t, MessageQueue::kSlotSize> MessageQueue::readSlot() {
    return storage_->slots[readPosition_.load(std::memory_order_relaxed)];
}

std::int32_t MessageQueue::readLength() const {
    return storage_->lengths[readPosition_.load(std::memory_order_relaxed)];
}

void MessageQueue::commitRead() {
    readPosition_.store(next(readPosition_.load(std::memory_order_relaxed)), std::memory_order_relaxed);
}

void MessageQueue::releaseFree() {
    const std::int32_t previous = free_.release();
    if (previous >= 0) {
        freePrevious_.store(static_cast<std::uint32_t>(previous), std::memory_order_relaxed);
    }
}

}  // namespace trx
