#include "ReceiveDelivery.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "DebugOutput.h"
#include "InterfaceState.h"
#include "trx/frame/FrameUnpacker.h"

namespace trx {
namespace {

std::int64_t steadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void ReceiveDelivery::logSizeError(std::span<const std::uint8_t> raw, std::size_t announced) {
    char text[96];
    std::snprintf(text, sizeof(text), "Uncompress size error %d != %d\r\n ", static_cast<int>(raw.size()),
                  static_cast<int>(announced));
    state_.log.addData(CommLog::DataKind::Received, raw);
    state_.log.notice(CommLog::kLineNotice, text);
}

void ReceiveDelivery::rejectBrokenFrame(std::span<const std::uint8_t> afterStart) {
    logSizeError(afterStart, frame::announcedBodyLength(afterStart) + frame::kLengthFieldSize);
}

bool ReceiveDelivery::takeFreeSlot() {
    const std::int64_t began = steadyMilliseconds();
    while (!state_.receiveQueue.tryTakeFree()) {
        if (steadyMilliseconds() - began > kQueueFullLimitMs) {
            DebugOutput::messageBox("Receive Que Overflow");
            return false;
        }
        state_.port.clearErrorState();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool ReceiveDelivery::deliverFrame(std::span<const std::uint8_t> betweenMarkers) {
    const frame::UnpackResult check = frame::checkFrame(betweenMarkers);
    if (check.status == frame::UnpackStatus::LengthMismatch) {
        logSizeError(betweenMarkers, check.length);
        return false;
    }
    if (check.status != frame::UnpackStatus::Ok) {
        // Would overflow one slot (or ends inside a code pair): never stored.
        char text[96];
        std::snprintf(text, sizeof(text), "Uncompress size error %d > %d\r\n ",
                      static_cast<int>(betweenMarkers.size()), static_cast<int>(MessageQueue::kSlotSize));
        state_.log.addData(CommLog::DataKind::Received, betweenMarkers);
        state_.log.notice(CommLog::kLineNotice, text);
        return false;
    }
    if (!state_.receiveQueue.ready() || !takeFreeSlot()) {
        return false;
    }
    {
        std::lock_guard lock(state_.receiveQueue.writeLock());
        std::span<std::uint8_t, MessageQueue::kSlotSize> slot = state_.receiveQueue.writeSlot();
        const frame::UnpackResult unpacked = frame::unpackFrame(betweenMarkers, slot);
        if (frame::carriesSequenceNumber(std::span<const std::uint8_t>(slot).first(unpacked.length))) {
            const std::uint16_t number = frame::sequenceNumberOf(slot);
            if (state_.receiveSequence.observe(number) && state_.log.isOn()) {
                char text[48];
                std::snprintf(text, sizeof(text), "------:Packet Fall :%02X",
                              state_.receiveSequence.lostFrames());
                state_.log.addText(text);
            }
            frame::dropSequenceMark(slot);
        }
        state_.log.addData(CommLog::DataKind::Received,
                           std::span<const std::uint8_t>(slot).first(unpacked.length));
        state_.receiveQueue.commitWrite(static_cast<std::int32_t>(unpacked.length));
    }
    state_.receiveQueue.releaseFilled();
    return true;
}

bool ReceiveDelivery::deliverMessage(std::span<const std::uint8_t> message) {
    if (message.size() > MessageQueue::kSlotSize || !state_.receiveQueue.ready() || !takeFreeSlot()) {
        return false;
    }
    {
        std::lock_guard lock(state_.receiveQueue.writeLock());
        std::span<std::uint8_t, MessageQueue::kSlotSize> slot = state_.receiveQueue.writeSlot();
        std::memcpy(slot.data(), message.data(), message.size());
        state_.log.addData(CommLog::DataKind::Local, message);
        state_.receiveQueue.commitWrite(static_cast<std::int32_t>(message.size()));
    }
    state_.receiveQueue.releaseFilled();
    return true;
}

}  // namespace trx
