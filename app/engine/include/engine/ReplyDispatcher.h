#pragma once

#include <atomic>

#include "data/UnitKind.h"
#include "data/WritingPort.h"
#include "engine/HostLink.h"

namespace engine {

class GenericSequence;
class SegmentedSequence;

// Which handler a received message goes to.
enum class ReplyRoute { Drop, Read, GenericStatus, ReadBack, Type3, Type4 };

// The dispatch of one received message by its command and kind, the writing
// port and the kind of unit being worked on. Messages to another receiver
// than the PC are dropped.
ReplyRoute routeOf(const host::HostMessage& message, const ExchangeSnapshot& exchange, data::WritingPort port,
                   data::UnitKind unit);

// Hands each received message to the handler its route names.
class ReplyDispatcher final : public ReplySink {
  public:
    ReplyDispatcher(GenericSequence& generic, SegmentedSequence& type3, SegmentedSequence& type4)
        : generic_(generic), type3_(type3), type4_(type4) {}

    void setWritingPort(data::WritingPort port) { writingPort_ = port; }
    // The unit the operation is working on decides where status replies go.
    void setUnitKind(data::UnitKind kind) { unitKind_ = kind; }

    ReplyActions onReply(const host::HostMessage& message, const ExchangeSnapshot& exchange,
                         std::span<std::uint8_t> replyBuffer) override;

  private:
    GenericSequence& generic_;
    SegmentedSequence& type3_;
    SegmentedSequence& type4_;
    std::atomic<data::WritingPort> writingPort_{data::WritingPort::HostInterface};
    std::atomic<data::UnitKind> unitKind_{data::UnitKind::Generic};
};

}  // namespace engine
