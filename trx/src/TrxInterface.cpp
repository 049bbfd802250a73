#include "TrxInterface.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "DebugOutput.h"
#include "RunningThread.h"
#include "platform/ThreadRelease.h"
#include "trx/frame/SequenceNumbering.h"

namespace trx {
namespace {

constexpr std::size_t kMarkByte = 2;
constexpr std::size_t kKindByte = 3;
// A loop-back of this request (mark byte, kind byte) comes back as this reply.
constexpr std::uint8_t kLoopedRequestMark = 0x1F;
constexpr std::uint8_t kLoopedRequestKind = 0x12;
constexpr std::uint8_t kLoopedReplyMark = 0x12;
constexpr std::uint8_t kLoopedReplyKind = 0x0F;

// How long a close waits for the transmit thread to send what MessageSend
// had already accepted.
constexpr auto kCloseHandOffLimit = std::chrono::milliseconds(1000);
constexpr auto kCloseHandOffPoll = std::chrono::milliseconds(1);

}  // namespace

TrxInterface::TrxInterface() {
    // The thread library finds the system's precise clock the first time the
    // time of day is read, and that look-up takes the loader lock. Reading it
    // once here, while the library loads, spares the threads' timed waits
    // that lock: at unload the unloading thread holds it while it waits for
    // them.
    static_cast<void>(std::chrono::system_clock::now());
}

TrxInterface::~TrxInterface() {
    // A host that unloads the library with the interface still open would
    // leave threads running in unmapped code: close it first.
    if (initialised_.load()) {
        unloading_ = true;
        close();
    }
    state_.log.unload();
}

void TrxInterface::resetCounters() {
    state_.transmittedBytes = 0;
    state_.receivedBytes = 0;
    state_.activeSenseSent = 0;
    state_.passages.reset();
    state_.transmitLoops = 0;
    state_.receiveLoops = 0;
    state_.sendCalls = 0;
    std::lock_guard lock(state_.receiveQueue.writeLock());
    state_.receiveSequence.restart();
}

std::int32_t TrxInterface::init(const char* portName, std::uint32_t waitTimeMs, std::uint32_t baudRate,
                                std::int32_t logMode, std::int32_t sequenceNumbering,
                                std::uint32_t transmitIntervalMs) {
    if (initialised_.load()) {
        // One interface per process: a second open without a close first
        // gives the first one back before the new port is opened.
        close();
    }
    resetCounters();
    if (logMode != 0 && !state_.log.isOn() && state_.log.open(logMode)) {
        state_.log.startWriter();
    }
    DebugOutput::text("TRX.DLL - Call InitInterFace Function.\n");
    state_.stop = 0;
    state_.transmitIntervalMs = transmitIntervalMs;
    {
        std::unique_lock lifetime(queueLifetime_);
        state_.transmitQueue.create();
        state_.receiveQueue.create();
    }
    state_.sequenceNumbering = sequenceNumbering;
    state_.waitTimeMs = waitTimeMs;
    state_.receiveAll = 0;
    portName_ =
        portName != nullptr ? std::string(portName, strnlen(portName, kPortNameCapacity)) : std::string();
    initialised_ = true;

    if (!state_.port.open(portName_, baudRate)) {
        return 1;
    }
    transmitEnded_ = false;
    transmitThread_ = startRunningThread([this] {
        transmitter_.run();
        transmitEnded_ = true;
    });
    receiveEnded_ = false;
    receiveThread_ = startRunningThread([this] {
        receiver_.run();
        receiveEnded_ = true;
    });
    state_.activeSense = 0;
    state_.loopBack = 0;
    state_.log.notice(CommLog::kLifecycleNotice, "TRX.DLL - End of InitInterFace Function.");
    return 0;
}

void TrxInterface::endThread(std::thread& thread, std::atomic<bool>& ended, const char* name) {
    if (!thread.joinable()) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kThreadEndWaitMs);
    while (!ended.load() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    char text[64];
    std::snprintf(text, sizeof(text), "TRX.DLL - %s Thread Destroy %s.", name,
                  ended.load() ? "Success" : "Failed");
    char debugLine[72];
    std::snprintf(debugLine, sizeof(debugLine), "%s\n", text);
    DebugOutput::text(debugLine);
    state_.log.notice(CommLog::kLifecycleNotice, text);
    // Every wait of the threads is bounded, so a late thread still leaves;
    // while the library is unloaded, Windows cannot join at all.
    if (unloading_) {
        platform::releaseThreadAtUnload(thread, ended.load());
    } else {
        thread.join();
    }
}

void TrxInterface::close() {
    DebugOutput::text("TRX.DLL - Call CloseInterFace Function,");
    state_.log.notice(CommLog::kLifecycleNotice, "TRX.DLL - Call CloseInterFace Function.");
    sendWhatWasAccepted();
    state_.stop = 1;
    {
        std::lock_guard portLock(state_.port.lock());
        if (state_.port.isOpen()) {
            // Ends the threads' pending port waits at once: they see the stop
            // flag now instead of after their poll slice.
            state_.port.port().cancelWaits();
            state_.port.port().flush(platform::FlushDirection::Both);
            state_.transmitQueue.cancelWaits();
            endThread(transmitThread_, transmitEnded_, "Tx");
            endThread(receiveThread_, receiveEnded_, "Rx");
            state_.port.close();
        }
    }
    {
        // Callers still waiting in MessageSend or MessageReceive give up first.
        state_.transmitQueue.cancelWaits();
        state_.receiveQueue.cancelWaits();
        std::unique_lock lifetime(queueLifetime_);
        state_.receiveQueue.destroy();
        state_.transmitQueue.destroy();
    }
    initialised_ = false;
    state_.log.notice(CommLog::kLifecycleNotice, "TRX.DLL - End of CloseInterFace Function.");
}

void TrxInterface::sendWhatWasAccepted() {
    // A message that MessageSend accepted is sent before the port closes: the
    // last one is often the broadcast that takes the console out of boot
    // mode, and purging the port would otherwise discard it with the queue.
    if (transmitEnded_.load() || !state_.port.isOpen()) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kCloseHandOffLimit;
    while (state_.transmitQueue.readPosition() != state_.transmitQueue.writePosition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(kCloseHandOffPoll);
    }
    // The queue is empty: let the driver put the last frame on the line.
    std::lock_guard portLock(state_.port.lock());
    if (state_.port.isOpen()) {
        state_.port.port().drain();
    }
}

std::int32_t TrxInterface::send(const std::uint8_t* message, std::uint32_t length) {
    incrementWrapping(state_.sendCalls);
    if (length > MessageQueue::kSlotSize) {
        return 0;
    }
    if (message == nullptr) {
        if (length == kLoopBackOnLength) {
            state_.loopBack = 1;
        } else if (length == kLoopBackOffLength) {
            state_.loopBack = 0;
        }
        return 1;
    }
    // The count byte must be among the bytes given: the frame is built from it.
    if (length == 0 || std::size_t{message[0]} + 1 > length) {
        return 0;
    }
    std::shared_lock lifetime(queueLifetime_);
    if (!state_.transmitQueue.ready()) {
        return 0;
    }
    const bool hasKind = length > kKindByte;
    if (state_.loopBack.load() != 0 || (hasKind && message[kKindByte] == kLocalLoopBackKind)) {
        // The caller's message is read-only: the rewritten request goes into a copy.
        std::array<std::uint8_t, MessageQueue::kSlotSize> looped{};
        std::memcpy(looped.data(), message, length);
        if (hasKind && looped[kMarkByte] == kLoopedRequestMark && looped[kKindByte] == kLoopedRequestKind) {
            looped[kMarkByte] = kLoopedReplyMark;
            looped[kKindByte] = kLoopedReplyKind;
        }
        ReceiveDelivery delivery(state_);
        return delivery.deliverMessage(std::span<const std::uint8_t>(looped).first(length)) ? 1 : 0;
    }
    // A numbered message needs room for its two number bytes in the slot.
    if (state_.sequenceNumbering.load() != 0 && frame::wantsSequenceNumber({message, length}) &&
        length > MessageQueue::kSlotSize - frame::kSequenceNumberSize) {
        return 0;
    }
    MessageQueue& queue = state_.transmitQueue;
    const WaitStatus status = queue.waitFree(kSendWaitMs);
    if (status == WaitStatus::TimedOut) {
        DebugOutput::messageBox("Send Que Overflow");
        return 0;
    }
    if (status != WaitStatus::Acquired) {
        return 0;
    }
    {
        std::lock_guard lock(queue.writeLock());
        std::memcpy(queue.writeSlot().data(), message, length);
        queue.commitWrite(static_cast<std::int32_t>(length));
    }
    queue.releaseFilled();
    return 1;
}

std::int32_t TrxInterface::receive(std::uint8_t* buffer) {
    if (buffer == nullptr) {
        return -1;
    }
    std::shared_lock lifetime(queueLifetime_);
    MessageQueue& queue = state_.receiveQueue;
    if (!queue.ready()) {
        return -1;
    }
    const WaitStatus status = queue.waitFilled(state_.waitTimeMs.load());
    if (status == WaitStatus::TimedOut) {
        return 0;
    }
    if (status != WaitStatus::Acquired) {
        return -1;
    }
    std::int32_t length = 0;
    {
        std::lock_guard lock(queue.readLock());
        length = queue.readLength();
        std::memcpy(buffer, queue.readSlot().data(), static_cast<std::size_t>(length));
        queue.commitRead();
    }
    queue.releaseFree();
    return length;
}

std::int32_t TrxInterface::setActiveSense(std::int32_t on) {
    state_.activeSense = static_cast<std::uint32_t>(on);
    return on;
}

std::int32_t TrxInterface::changeLoopBackMode(std::int32_t mode) {
    if (mode == 1) {
        const std::int32_t result = send(nullptr, kLoopBackOnLength);
        state_.receiveAll = 0;
        std::lock_guard lock(state_.receiveQueue.writeLock());
        state_.receiveSequence.restart();
        return result;
    }
    const std::int32_t result = send(nullptr, kLoopBackOffLength);
    state_.receiveAll = 1;
    return result;
}

}  // namespace trx
