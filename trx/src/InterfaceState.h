#pragma once

#include <atomic>
#include <cstdint>

#include "CommLog.h"
#include "MessageQueue.h"
#include "PortControl.h"
#include "ThreadPassages.h"
#include "trx/frame/SequenceNumbering.h"

namespace trx {

// Adds one to a count that wraps from 0xFFFFFFFE to 0 (it never holds 0xFFFFFFFF).
inline void incrementWrapping(std::atomic<std::uint32_t>& count) {
    std::uint32_t current = count.load(std::memory_order_relaxed);
    while (!count.compare_exchange_weak(current, current >= 0xFFFFFFFEu ? 0u : current + 1,
                                        std::memory_order_relaxed)) {
    }
}

// Everything the library keeps once per process: flags, counters, the two
// queues, the port and the log. Shared words are atomics, read without locks
// by the diagnostic exports.
struct InterfaceState {
    std::atomic<std::uint32_t> stop{0};
    std::atomic<std::uint32_t> waitTimeMs{0};
    std::atomic<std::uint32_t> transmitIntervalMs{0};
    std::atomic<std::int32_t> sequenceNumbering{0};
    std::atomic<std::uint32_t> loopBack{0};
    std::atomic<std::uint32_t> receiveAll{0};
    std::atomic<std::uint32_t> activeSense{0};
    std::atomic<std::uint32_t> activeSenseSent{0};

    std::atomic<std::uint32_t> transmittedBytes{0};
    std::atomic<std::uint32_t> receivedBytes{0};
    std::atomic<std::uint32_t> transmitLoops{0};
    std::atomic<std::uint32_t> receiveLoops{0};
    std::atomic<std::uint32_t> sendCalls{0};

    ThreadPassages passages;
    CommLog log{passages, stop};
    PortControl port{log};
    MessageQueue transmitQueue;
    MessageQueue receiveQueue;
    // Numbers of received messages; used under the receive queue's write lock.
    frame::SequenceTracker receiveSequence;
};

}  // namespace trx
