#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "data/UnitKind.h"
#include "data/WritingPort.h"
#include "engine/ExchangeState.h"
#include "engine/HostMessages.h"
#include "engine/ReplyActions.h"
#include "engine/ResultCode.h"
#include "engine/TransferRecords.h"

namespace engine::trace {

// What the program made of a received message.
struct ReplyReading {
    bool taken = false;                 // a reply handler acted on it; otherwise the program ignored it
    bool accepted = false;              // it counted as an answer (the silence count starts again)
    ResultCode error = ResultCode::Ok;  // the result the sequence ends with, when the reply decides it
    bool ended = false;                 // the exchange in progress ended here
    bool failed = false;                // ... with the error flag set
    bool answers = false;               // the program sends a message in return
    std::string_view status;            // the status line the program showed
};

// Replays the conversation of a log through the engine's own dispatch and
// reply handlers: each sent message sets the exchange as the sequence that
// sent it would have set it, and each received one goes to the handler the
// engine would hand it to. The handlers decide what a reply means; nothing
// here decides it a second time.
class ReplyReplay {
  public:
    ReplyReplay();

    // A new opening of the interface: nothing in progress.
    void reset();
    void noteSent(const host::HostMessage& message);
    ReplyReading read(const host::HostMessage& message);

    ExchangePhase phase() const { return exchange_.phase; }
    data::UnitKind unitKind() const { return unitKind_; }
    std::uint8_t ownAddress() const { return exchange_.ownAddress; }

  private:
    ExchangeSnapshot exchange_;
    data::UnitKind unitKind_ = data::UnitKind::Generic;
    data::WritingPort port_ = data::WritingPort::HostInterface;
    GenericTransfer generic_;
    ImageTransfer type3_;
    SegmentTransfer type4_;
    // The handlers take and fill a flash window; the log holds the blocks
    // that went out, so this one only has to be large enough.
    std::vector<std::uint8_t> window_;
    std::vector<std::uint8_t> replyBuffer_;
    ReplyActions actions_;
};

// The 24-bit unit address a type-3/4 data block carries in its address field
// and first two payload bytes.
std::uint32_t segmentedBlockAddress(const host::HostMessage& message);

}  // namespace engine::trace
