#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "CountingSemaphore.h"

namespace trx {

// Fixed ring of message slots between one writer side and one reader side.
// The filled semaphore counts messages waiting, the free one empty slots; each
// side holds its own lock while it uses the slot at its position, so a writer
// never waits for the reader. Storage exists from create() to destroy().
class MessageQueue {
  public:
    static constexpr std::uint32_t kSlotSize = 256;
    static constexpr std::uint32_t kSlotCount = 512;

    MessageQueue() : filled_(0, kSlotCount), free_(kSlotCount, kSlotCount) {}

    // Allocates zeroed storage and resets positions and counts; false when the
    // allocation fails (the queue then stays unusable).
    bool create();
    void destroy();
    bool ready() const { return storage_ != nullptr; }
    // Makes every waiting writer and reader give up (before destroy()).
    void cancelWaits();

    // Writer side.
    WaitStatus waitFree(std::uint32_t timeoutMs) { return free_.acquireFor(timeoutMs); }
    bool tryTakeFree() { return free_.tryAcquire(); }
    std::mutex& writeLock() { return writeLock_; }
    std::span<std::uint8_t, kSlotSize> writeSlot();
    // Stores the length, advances the write position (under the write lock).
    void commitWrite(std::int32_t length);
    // After the write lock is released: one more message for the reader.
    void releaseFilled();

    // Reader side.
    WaitStatus waitFilled(std::uint32_t timeoutMs) { return filled_.acquireFor(timeoutMs); }
    std::mutex& readLock() { return readLock_; }
    std::span<std::uint8_t, kSlotSize> readSlot();
    std::int32_t readLength() const;
    void commitRead();
    void releaseFree();

    std::uint32_t readPosition() const { return readPosition_.load(std::memory_order_relaxed); }
    std::uint32_t writePosition() const { return writePosition_.load(std::memory_order_relaxed); }
    // Counts each semaphore held just before its last release.
    std::uint32_t filledPreviousCount() const { return filledPrevious_.load(std::memory_order_relaxed); }
    std::uint32_t freePreviousCount() const { return freePrevious_.load(std::memory_order_relaxed); }

  private:
    struct Storage {
        std::array<std::array<std::uint8_t, kSlotSize>, kSlotCount> slots{};
        std::array<std::int32_t, kSlotCount> lengths{};
    };

    static std::uint32_t next(std::uint32_t position) {
        return position + 1 == kSlotCount ? 0 : position + 1;
    }

    std::unique_ptr<Storage> storage_;
    CountingSemaphore filled_;
    CountingSemaphore free_;
    std::mutex readLock_;
    std::mutex writeLock_;
    std::atomic<std::uint32_t> readPosition_{0};
    std::atomic<std::uint32_t> writePosition_{0};
    std::atomic<std::uint32_t> filledPrevious_{0};
    std::atomic<std::uint32_t> freePrevious_{0};
};

}  // namespace trx
