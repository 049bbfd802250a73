#include "engine/ReplyDispatcher.h"

#include "engine/GenericSequence.h"
#include "engine/SegmentedSequence.h"

namespace engine {

namespace {

// Status replies and messages of command 0x33 of a type-3 or type-4 unit
// through the host interface go to that unit's sequence.
ReplyRoute segmentedRoute(data::WritingPort port, data::UnitKind unit) {
    if (port != data::WritingPort::HostInterface) {
        return ReplyRoute::Drop;
    }
    if (unit == data::UnitKind::Type3) {
        return ReplyRoute::Type3;
    }
    return unit == data::UnitKind::Type4 ? ReplyRoute::Type4 : ReplyRoute::Drop;
}

ReplyRoute readReplyRoute(const host::HostMessage& message, const ExchangeSnapshot& exchange) {
    if (host::isShortReadCommand(message.command)) {
        return ReplyRoute::Read;
    }
    if (message.command != host::kCommandRead32) {
        return ReplyRoute::Drop;
    }
    if (exchange.request == RequestKind::Write && exchange.phase == ExchangePhase::Erase) {
        return ReplyRoute::ReadBack;
    }
    if (exchange.request == RequestKind::BlockRead && exchange.phase == ExchangePhase::Transfer) {
        return ReplyRoute::Read;
    }
    return ReplyRoute::Drop;
}

}  // namespace

ReplyRoute routeOf(const host::HostMessage& message, const ExchangeSnapshot& exchange, data::WritingPort port,
                   data::UnitKind unit) {
    if (message.payload.empty() || message.receiver != exchange.ownAddress) {
        return ReplyRoute::Drop;
    }
    // Status replies and type-3/4 answers drive an erase or a write. During a
    // read they are stray: taken in, a status reply in the read's Transfer
    // phase would send a data block and could end the read as if answered.
    const bool changingFlash =
        exchange.request == RequestKind::Write || exchange.request == RequestKind::EraseOnly;
    if (message.command == host::kCommandStatus) {
        if (!changingFlash) {
            return ReplyRoute::Drop;
        }
        const ReplyRoute segmented = segmentedRoute(port, unit);
        return segmented != ReplyRoute::Drop ? segmented : ReplyRoute::GenericStatus;
    }
    if (message.command == host::kCommandSegmented) {
        return changingFlash ? segmentedRoute(port, unit) : ReplyRoute::Drop;
    }
    if (message.kind == host::kKindReadReply) {
        return readReplyRoute(message, exchange);
    }
    return ReplyRoute::Drop;
}

ReplyActions ReplyDispatcher::onReply(const host::HostMessage& message, const ExchangeSnapshot& exchange,
                                      std::span<std::uint8_t> replyBuffer) {
    switch (routeOf(message, exchange, writingPort_.load(), unitKind_.load())) {
        case ReplyRoute::Read:
            return answerRead(exchange, message, replyBuffer);
        case ReplyRoute::GenericStatus:
            return generic_.onStatusReply(message, exchange);
        case ReplyRoute::ReadBack:
            return generic_.onReadBack(message, exchange);
        case ReplyRoute::Type3:
            return type3_.onReply(message, exchange);
        case ReplyRoute::Type4:
            return type4_.onReply(message, exchange);
        case ReplyRoute::Drop:
            break;
    }
    return {};
}

}  // namespace engine
