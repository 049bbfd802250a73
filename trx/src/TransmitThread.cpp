#include "TransmitThread.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "DebugOutput.h"
#include "InterfaceState.h"
#include "platform/ThreadPriority.h"
#include "trx/frame/FramePacker.h"
#include "trx/frame/SequenceNumbering.h"

namespace trx {

void TransmitThread::run() {
    platform::setCurrentThreadPriority(platform::ThreadPriority::AboveNormal);
    sequenceCounter_ = 0;
    pending_ = PendingWrite::Idle;
    while (state_.stop.load() == 0) {
        const WaitStatus status = state_.transmitQueue.waitFilled(state_.waitTimeMs.load());
        std::unique_lock<std::mutex> slotLock;
        if (status == WaitStatus::Acquired) {
            slotLock = std::unique_lock(state_.transmitQueue.readLock());
        }
        state_.passages.mark(ThreadRole::Transmit, 1);
        if (state_.stop.load() != 0) {
            break;
        }
        if (pending_ == PendingWrite::Pending) {
            if (finishPendingWrite()) {
                state_.passages.mark(ThreadRole::Transmit, 2);
            } else {
                state_.log.notice(CommLog::kLifecycleNotice, "TRX.DLL - Tx Fail");
                state_.passages.mark(ThreadRole::Transmit, 3);
                state_.port.clearErrorState();
            }
            pending_ = PendingWrite::Idle;
            if (state_.stop.load() != 0) {
                break;
            }
        }
        if (status == WaitStatus::Acquired) {
            sendMessage();
        } else if (status == WaitStatus::TimedOut) {
            sendActiveSense();
        }
        incrementWrapping(state_.transmitLoops);
    }
    DebugOutput::text("TRX.DLL - Tx Thread End\n");
}

void TransmitThread::sendMessage() {
    MessageQueue& queue = state_.transmitQueue;
    std::span<std::uint8_t, MessageQueue::kSlotSize> message = queue.readSlot();
    state_.activeSenseSent = 0;
    const std::uint32_t pauseMs =
        (message[1] & kCommandMask) == kBackToBackCommand ? 0 : state_.transmitIntervalMs.load();
    if (state_.sequenceNumbering.load() != 0 && frame::wantsSequenceNumber(message) &&
        frame::appendSequenceNumber(message, sequenceCounter_)) {
        ++sequenceCounter_;
    }
    const std::size_t length = frame::packFrame(message, frame_);
    state_.passages.mark(ThreadRole::Transmit, 7);
    state_.log.addData(CommLog::DataKind::Sent,
                       std::span<const std::uint8_t>(message).first(message[0] + 1u));
    state_.passages.mark(ThreadRole::Transmit, 8);
    if (state_.stop.load() == 0 && length > 0) {
        state_.transmittedBytes.fetch_add(static_cast<std::uint32_t>(length), std::memory_order_relaxed);
        startWrite(length);
    }
    state_.passages.mark(ThreadRole::Transmit, 11);
    if (pauseMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    queue.commitRead();
    queue.releaseFree();
    state_.passages.mark(ThreadRole::Transmit, 12);
}

void TransmitThread::sendActiveSense() {
    std::memcpy(frame_.data(), frame::kActiveSenseFrame.data(), frame::kActiveSenseFrame.size());
    state_.passages.mark(ThreadRole::Transmit, 4);
    if (state_.activeSense.load() == 0 || state_.stop.load() != 0) {
        return;
    }
    state_.activeSenseSent = 1;
    state_.transmittedBytes.fetch_add(static_cast<std::uint32_t>(frame::kActiveSenseFrame.size()),
                                      std::memory_order_relaxed);
    startWrite(frame::kActiveSenseFrame.size());
    state_.passages.mark(ThreadRole::Transmit, 5);
    state_.log.addData(CommLog::DataKind::Sent, frame::kActiveSenseFrame);
    state_.passages.mark(ThreadRole::Transmit, 6);
}

void TransmitThread::startWrite(std::size_t length) {
    platform::SerialPort& port = state_.port.port();
    const platform::Result<std::size_t> written =
        port.write(std::span<const std::uint8_t>(frame_).first(length));
    if (!written) {
        state_.port.clearErrorState();
        state_.log.report("TrxWrite", written.error());
        return;
    }
    if (*written < length) {
        frameLength_ = length;
        frameSent_ = *written;
        pending_ = PendingWrite::Pending;
    }
}

bool TransmitThread::finishPendingWrite() {
    platform::SerialPort& port = state_.port.port();
    while (frameSent_ < frameLength_) {
        if (state_.stop.load() != 0) {
            return true;
        }
        const platform::Result<platform::WaitResult> room = port.waitWritable(kPollSliceMs);
        if (room == platform::WaitResult::TimedOut) {
            continue;
        }
        if (room == platform::WaitResult::Cancelled) {
            // The interface is closing: the rest of the frame goes with the queue.
            return true;
        }
        if (room != platform::WaitResult::Ready) {
            return false;
        }
        const platform::Result<std::size_t> written =
            port.write(std::span<const std::uint8_t>(frame_).subspan(frameSent_, frameLength_ - frameSent_));
        if (!written) {
            return false;
        }
        frameSent_ += *written;
    }
    return true;
}

}  // namespace trx
