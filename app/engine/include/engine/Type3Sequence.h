#pragma once

#include <span>

#include "engine/SegmentedSequence.h"
#include "engine/TransferRecords.h"

namespace engine {

// The sequence of type-3 units, always at bus address 0x13: a select with
// the row's mask that the unit may answer with an echo word first, the write
// start, the image in 128-byte blocks and the checksum.
class Type3Sequence final : public SegmentedSequence {
  public:
    using SegmentedSequence::SegmentedSequence;

    ReplyActions onReply(const host::HostMessage& message, const ExchangeSnapshot& exchange) override;

  protected:
    ResultCode prepare(data::ImageRow& row) override;
    void sendSelect(std::uint16_t mask) override;
    void sendWriteStart(std::uint16_t mask) override;
    BlockCursor& cursor() override { return transfer_.cursor; }
    // The first block stays at the cursor: its acknowledgement sends it again.
    bool firstBlockMovesCursor() const override { return false; }

  private:
    ImageTransfer transfer_;  // guarded by transferMutex_
};

// The type-3 handlers: the select reply (register 0x0012, erase phase), the
// checksum reply (checksum phase) and the block acknowledgement (status reply
// 0x0166, transfer phase), each only from 0x13.
ReplyActions answerType3(ImageTransfer& transfer, const ExchangeSnapshot& exchange,
                         const host::HostMessage& message, std::span<const std::uint8_t> window);

}  // namespace engine
