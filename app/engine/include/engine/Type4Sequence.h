#pragma once

#include <span>

#include "engine/SegmentedSequence.h"
#include "engine/TransferRecords.h"

namespace engine {

// The sequence of type-4 units, always at bus address 0x13: a select with
// the row's mask, the write start, the first 4 KB of the image at 0x300000,
// then every 64 KB block its mask names as 512 blocks of 128 bytes at its own
// address, and the end-of-write message.
class Type4Sequence final : public SegmentedSequence {
  public:
    using SegmentedSequence::SegmentedSequence;

    ReplyActions onReply(const host::HostMessage& message, const ExchangeSnapshot& exchange) override;

  protected:
    ResultCode prepare(data::ImageRow& row) override;
    void sendSelect(std::uint16_t mask) override;
    void sendWriteStart(std::uint16_t mask) override;
    BlockCursor& cursor() override { return transfer_.cursor; }
    bool firstBlockMovesCursor() const override { return true; }

  private:
    SegmentTransfer transfer_;  // guarded by transferMutex_
};

// The type-4 handlers: every message of command 0x30 or 0x33 from 0x13
// counts; the select reply (erase phase), the end-of-write reply (register
// 0x0021, checksum phase) and the block acknowledgement (status reply
// 0x0166, transfer phase).
ReplyActions answerType4(SegmentTransfer& transfer, const ExchangeSnapshot& exchange,
                         const host::HostMessage& message, std::span<const std::uint8_t> window);

}  // namespace engine
