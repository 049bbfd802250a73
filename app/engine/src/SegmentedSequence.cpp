#include "engine/SegmentedSequence.h"

#include <thread>

#include "ReplySteps.h"
#include "SequenceSetup.h"
#include "data/FlashImage.h"
#include "data/UnitRecord.h"
#include "engine/HostLink.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

constexpr auto kWriteStartPause = std::chrono::milliseconds(100);
// Total-bar steps an erase only skips after the select.
constexpr std::int32_t kSkippedOverallSteps = 2;

}  // namespace

void SegmentedSequence::setSettlePauses(std::chrono::milliseconds afterSuccess,
                                        std::chrono::milliseconds afterFailure) {
    settleAfterSuccess_ = afterSuccess;
    settleAfterFailure_ = afterFailure;
}

ResultCode SegmentedSequence::run(const data::UnitRecord& unit, data::ImageRow& row, std::int32_t index) {
    StatusModel& status = context_.status;
    showSequenceTitles(status, unit, row);
    ResultCode result = prepare(row);
    if (result == ResultCode::Ok) {
        result = selectAndTransfer(row, rowMask(index));
    }
    if (result == ResultCode::WrongTarget) {
        row.setSelected(false);
    }
    // The unit restarts after each image; give it time before the next one.
    status.setCancelEnabled(false);
    std::this_thread::sleep_for(result == ResultCode::Ok ? settleAfterSuccess_ : settleAfterFailure_);
    status.setCancelEnabled(true);
    return result;
}

void SegmentedSequence::sendFirstBlock() {
    host::Buffer message;
    std::size_t length = 0;
    {
        // A cursor that moves does so before the block leaves: its
        // acknowledgement may be handled on the receive thread before the
        // send returns.
        std::lock_guard lock(transferMutex_);
        length = buildSegmentedBlock(message, cursor(), firstBlockMovesCursor(), context_.image.bytes());
    }
    context_.link.send(message, length);
}

ResultCode SegmentedSequence::waited() {
    const ResultCode result = context_.link.waitForExchange();
    if (result != ResultCode::Ok) {
        return result;
    }
    return context_.status.errorFlag() ? ResultCode::Failed : ResultCode::Ok;
}

ResultCode SegmentedSequence::selectAndTransfer(data::ImageRow& row, std::uint16_t mask) {
    HostLink& link = context_.link;
    link.setPhase(ExchangePhase::Erase, false, true);
    context_.status.setStatusText("Erasing...");
    sendSelect(mask);
    ResultCode result = waited();
    if (result == ResultCode::WrongTarget) {
        row.setSelected(false);
    }
    if (result != ResultCode::Ok) {
        return result;
    }
    if (link.requestKind() == RequestKind::EraseOnly) {
        context_.status.advanceOverall(kSkippedOverallSteps);
        row.setSelected(false);
        return ResultCode::Ok;
    }
    link.setPhase(ExchangePhase::Transfer, false, true);
    sendWriteStart(mask);
    std::this_thread::sleep_for(kWriteStartPause);
    sendFirstBlock();
    result = waited();
    if (result != ResultCode::Ok) {
        return result;
    }
    row.setSelected(false);
    return ResultCode::Ok;
}

}  // namespace engine
