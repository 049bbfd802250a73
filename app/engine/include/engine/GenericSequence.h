#pragma once

#include <mutex>
#include <span>

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

// The generic flash sequence of one image: erase, the image in 128-byte
// blocks, each sent when the unit has acknowledged the one before, and the
// image checksum. For the unit with the preserved area, that area is read
// back before the erase and written back after the image. The worker sends
// the first message and waits; the receive thread sends every further one.
class GenericSequence {
  public:
    explicit GenericSequence(OperationContext context) : context_(context) {}

    ResultCode run(const data::UnitRecord& unit, data::ImageRow& row);

    // The receive thread's side: a status reply, and a 4-byte read reply
    // during the erase phase of a write (the read-back).
    ReplyActions onStatusReply(const host::HostMessage& message, const ExchangeSnapshot& exchange);
    ReplyActions onReadBack(const host::HostMessage& message, const ExchangeSnapshot& exchange);

  private:
    // Sends the first request of the image: the read-back or the erase.
    ResultCode startErase(const data::ImageRow& row);

    OperationContext context_;
    std::mutex transferMutex_;
    GenericTransfer transfer_;  // guarded by transferMutex_
};

// The generic status handler: a status reply of the target (register 0x0166)
// ends the erase, acknowledges a block or answers the checksum.
ReplyActions answerGenericStatus(GenericTransfer& transfer, const ExchangeSnapshot& exchange,
                                 const host::HostMessage& message, std::span<const std::uint8_t> window);

// The read-back handler: 128 bytes of the preserved area go into the window;
// the next piece is asked for, or after the last one the erase request.
ReplyActions answerReadBack(GenericTransfer& transfer, const ExchangeSnapshot& exchange,
                            const host::HostMessage& message, std::span<std::uint8_t> window);

}  // namespace engine
