#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

#include "engine/ExchangeState.h"
#include "engine/OperationContext.h"
#include "engine/ReplyActions.h"
#include "engine/ResultCode.h"
#include "engine/TransferRecords.h"

namespace data {
class ImageRow;
class UnitRecord;
}  // namespace data

namespace engine {

// What the sequences of type-3 and type-4 units share: per image the select
// (which erases), the write start and the first block, after which the
// receive thread sends every further block; then a pause while the unit
// restarts. The two kinds differ in their messages and transfers.
class SegmentedSequence {
  public:
    explicit SegmentedSequence(OperationContext context) : context_(context) {}
    virtual ~SegmentedSequence() = default;
    SegmentedSequence(const SegmentedSequence&) = delete;
    SegmentedSequence& operator=(const SegmentedSequence&) = delete;

    // How long the unit is given to restart after each image.
    void setSettlePauses(std::chrono::milliseconds afterSuccess, std::chrono::milliseconds afterFailure);

    // One selected image, index being its row's place in the unit.
    ResultCode run(const data::UnitRecord& unit, data::ImageRow& row, std::int32_t index);

    // The receive thread's side: a status reply or a message of command 0x33.
    virtual ReplyActions onReply(const host::HostMessage& message, const ExchangeSnapshot& exchange) = 0;

  protected:
    // Addresses, the image or the erase set-up, and the transfer record.
    virtual ResultCode prepare(data::ImageRow& row) = 0;
    virtual void sendSelect(std::uint16_t mask) = 0;
    virtual void sendWriteStart(std::uint16_t mask) = 0;
    // The cursor of the transfer record; called with transferMutex_ held.
    virtual BlockCursor& cursor() = 0;
    // Whether the first block moves the cursor on (type 4) or is sent again
    // on its acknowledgement (type 3).
    virtual bool firstBlockMovesCursor() const = 0;

    OperationContext context_;
    // Guards the transfer record of the derived sequence.
    std::mutex transferMutex_;

  private:
    ResultCode selectAndTransfer(data::ImageRow& row, std::uint16_t mask);
    void sendFirstBlock();
    // The result of a wait of the image steps.
    ResultCode waited();

    std::chrono::milliseconds settleAfterSuccess_{10000};
    std::chrono::milliseconds settleAfterFailure_{6000};
};

}  // namespace engine
