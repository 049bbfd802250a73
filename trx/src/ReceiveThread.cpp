#include "ReceiveThread.h"

#include <array>
#include <chrono>
#include <thread>

#include "DebugOutput.h"
#include "InterfaceState.h"
#include "platform/ThreadPriority.h"
#include "trx/frame/FrameUnpacker.h"
#include "trx/frame/SequenceNumbering.h"

namespace trx {

void ReceiveThread::run() {
    platform::setCurrentThreadPriority(platform::ThreadPriority::AboveNormal);
    platform::SerialPort& port = state_.port.port();
    state_.port.clearErrorState();
    scanner_.reset();
    while (state_.stop.load() == 0) {
        state_.passages.mark(ThreadRole::Receive, 1);
        std::size_t count = 0;
        if (waitForInput()) {
            const platform::Result<std::size_t> read = port.read(scanner_.readTarget());
            if (read) {
                count = *read;
            } else {
                state_.port.clearErrorState();
                state_.log.notice(CommLog::kLineNotice, "TrxReadError");
                if (state_.stop.load() == 0) {
                    state_.log.report("TrxRead", read.error());
                    // A device that keeps failing (an adapter pulled out) is
                    // retried once a slice, not in a busy loop.
                    std::this_thread::sleep_for(std::chrono::milliseconds(kPollSliceMs));
                }
            }
        } else if (state_.stop.load() != 0) {
            break;
        }
        state_.passages.mark(ThreadRole::Receive, 2);
        state_.receivedBytes.fetch_add(static_cast<std::uint32_t>(count), std::memory_order_relaxed);
        if (state_.stop.load() != 0) {
            break;
        }
        state_.passages.mark(ThreadRole::Receive, 3);
        if (count > 0) {
            scanner_.scan(count, *this);
        }
        state_.passages.mark(ThreadRole::Receive, 5);
        incrementWrapping(state_.receiveLoops);
    }
    DebugOutput::text("TRX.DLL - Rx Thread End\n");
}

bool ReceiveThread::waitForInput() {
    platform::SerialPort& port = state_.port.port();
    while (state_.stop.load() == 0) {
        const platform::Result<platform::WaitResult> waited = port.waitReadable(kPollSliceMs);
        if (!waited) {
            state_.log.report("TrxRxWait", waited.error());
            state_.port.clearErrorState();
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollSliceMs));
            return false;
        }
        switch (*waited) {
            case platform::WaitResult::Ready:
                return true;
            case platform::WaitResult::TimedOut:
                break;
            case platform::WaitResult::HungUp:
                // The far end of a pseudo-terminal went away: nothing can
                // arrive until it comes back, so wait a slice instead of spinning.
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollSliceMs));
                break;
            case platform::WaitResult::Cancelled:
                // The interface is closing.
                return false;
        }
    }
    return false;
}

void ReceiveThread::onFrame(std::span<const std::uint8_t> betweenMarkers) {
    if (state_.receiveAll.load() != 0 || frame::isActiveSenseBody(betweenMarkers)) {
        delivery_.deliverFrame(betweenMarkers);
        return;
    }
    // Filtered reception answers requests and replies itself, from the second
    // body byte as it travels (before unpacking).
    constexpr std::size_t kSecondBodyByte = frame::kLengthFieldSize + 1;
    if (betweenMarkers.size() <= kSecondBodyByte) {
        return;
    }
    const std::uint8_t kind =
        betweenMarkers[kSecondBodyByte] & static_cast<std::uint8_t>(~frame::kSequenceMark);
    static constexpr std::array<std::uint8_t, 2> kRequestAnswer{0x01, 0x01};
    static constexpr std::array<std::uint8_t, 2> kReplyAnswer{0x01, 0x00};
    if (kind == kRequestKind) {
        delivery_.deliverMessage(kRequestAnswer);
    } else if (kind == kReplyKind) {
        delivery_.deliverMessage(kReplyAnswer);
    }
}

void ReceiveThread::onBrokenFrame(std::span<const std::uint8_t> afterStart) {
    delivery_.rejectBrokenFrame(afterStart);
}

}  // namespace trx
