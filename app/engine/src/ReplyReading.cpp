#include "ReplyReading.h"

#include "data/ImageRow.h"
#include "engine/GenericSequence.h"
#include "engine/HostLink.h"
#include "engine/ReplyDispatcher.h"
#include "engine/Type3Sequence.h"
#include "engine/Type4Sequence.h"

namespace engine::trace {

namespace {

// Big enough for the segmented window; the standard one lies inside it.
constexpr std::size_t kWindowSize = std::size_t{1} << 20;
// A cursor whose end is never passed: the log, not the image, says where a transfer ends.
constexpr std::uint32_t kOpenEnd = 0xFFFFFFF0u;
constexpr std::uint32_t kReadBackWindowOffset = host::kReadBackAddress - data::ImageRow::kFlashAddress;

std::uint16_t requestedCount(const host::HostMessage& message) {
    if (message.payload.size() < 2) {
        return 0;
    }
    return static_cast<std::uint16_t>((message.payload[0] << 8) | message.payload[1]);
}

bool isSegmentedBlock(const host::HostMessage& message) {
    return message.command == host::kCommandSegmented && message.receiver == host::kSegmentedTarget &&
           (message.address >> 8) == host::kSegmentedDataMarker;
}

}  // namespace

std::uint32_t segmentedBlockAddress(const host::HostMessage& message) {
    const std::uint32_t high = message.address & 0xFF;
    const std::uint32_t middle = message.payload.size() > 0 ? message.payload[0] : 0;
    const std::uint32_t low = message.payload.size() > 1 ? message.payload[1] : 0;
    return (high << 16) | (middle << 8) | low;
}

ReplyReplay::ReplyReplay() : window_(kWindowSize, 0xFF), replyBuffer_(host::kBufferSize, 0) {}

void ReplyReplay::reset() {
    exchange_ = ExchangeSnapshot{};
    unitKind_ = data::UnitKind::Generic;
    port_ = data::WritingPort::HostInterface;
    generic_ = GenericTransfer{};
    type3_ = ImageTransfer{};
    type4_ = SegmentTransfer{};
}

void ReplyReplay::noteSent(const host::HostMessage& message) {
    if (message.receiver == host::kBroadcastTarget) {
        return;  // boot-mode broadcasts start no exchange
    }
    exchange_.ownAddress = message.sender;
    port_ = message.sender == host::kCardDirectPcAddress ? data::WritingPort::CardDirect
                                                         : data::WritingPort::HostInterface;
    exchange_.targetAddress = message.receiver;
    if (message.kind == host::kKindReadRequest) {
        const std::uint16_t count = requestedCount(message);
        const bool readBack =
            message.command == host::kCommandRead32 && message.receiver == host::kReadBackTarget &&
            message.address >= host::kReadBackAddress &&
            message.address < host::kReadBackAddress + host::kReadBackLength && count == host::kDataBlockSize;
        if (readBack) {
            // The preserved area is read while the erase phase of a write runs.
            exchange_.request = RequestKind::Write;
            exchange_.phase = ExchangePhase::Erase;
            generic_.readBackArea = kReadBackWindowOffset;
            generic_.readBackAddress = message.address;
            unitKind_ = data::UnitKind::Generic;
            return;
        }
        exchange_.request = RequestKind::BlockRead;
        exchange_.phase = ExchangePhase::Transfer;
        exchange_.pendingAddress = message.address;
        exchange_.pendingLength = count;
        return;
    }
    if (message.command == host::kCommandStatus) {
        unitKind_ = data::UnitKind::Generic;
        if (message.address == host::kEraseRegister) {
            // Whether data follows shows only later; a write's erase answer
            // means the same as an erase-only one.
            exchange_.request = RequestKind::Write;
            exchange_.phase = ExchangePhase::Erase;
        } else if (message.address == host::kChecksumRegister) {
            exchange_.request = RequestKind::Write;
            exchange_.phase = ExchangePhase::Checksum;
        }
        return;
    }
    if (message.command == host::kCommandData32) {
        unitKind_ = data::UnitKind::Generic;
        exchange_.request = RequestKind::Write;
        exchange_.phase = ExchangePhase::Transfer;
        generic_.image.cursor.unit = message.address + host::kDataBlockSize;
        generic_.image.cursor.source = 0;
        generic_.image.cursor.end = kOpenEnd;
        return;
    }
    if (message.command != host::kCommandSegmented || message.receiver != host::kSegmentedTarget) {
        return;
    }
    exchange_.request = RequestKind::Write;
    if (isSegmentedBlock(message)) {
        const std::uint32_t next = segmentedBlockAddress(message) + host::kDataBlockSize;
        exchange_.phase = ExchangePhase::Transfer;
        type3_.cursor.unit = next;
        type3_.cursor.source = 0;
        type3_.cursor.end = kOpenEnd;
        type4_.cursor.unit = next;
        type4_.cursor.source = 0;
        type4_.stage = BlockStage::Sending;
        type4_.blockIndex = 1;
        type4_.segmentBlocks = 0;
        return;
    }
    switch (message.address) {
        case host::kSelectRegister:
            unitKind_ = data::UnitKind::Type3;
            exchange_.phase = ExchangePhase::Erase;
            break;
        case host::kType4SelectRegister:
            unitKind_ = data::UnitKind::Type4;
            exchange_.phase = ExchangePhase::Erase;
            break;
        case host::kType3WriteStartRegister:
        case host::kType4WriteStartRegister:
            exchange_.phase = ExchangePhase::Transfer;
            break;
        case host::kChecksumRegister:
            exchange_.phase = ExchangePhase::Checksum;
            break;
        default:
            break;
    }
}

ReplyReading ReplyReplay::read(const host::HostMessage& message) {
    std::span<std::uint8_t> window(window_);
    switch (routeOf(message, exchange_, port_, unitKind_)) {
        case ReplyRoute::Read:
            actions_ = answerRead(exchange_, message, replyBuffer_);
            break;
        case ReplyRoute::GenericStatus:
            actions_ = answerGenericStatus(generic_, exchange_, message, window);
            break;
        case ReplyRoute::ReadBack:
            actions_ = answerReadBack(generic_, exchange_, message, window);
            break;
        case ReplyRoute::Type3:
            actions_ = answerType3(type3_, exchange_, message, window);
            break;
        case ReplyRoute::Type4:
            actions_ = answerType4(type4_, exchange_, message, window);
            break;
        case ReplyRoute::Drop:
            return {};
    }
    ReplyReading reading;
    reading.taken = !actions_.empty();
    for (const ReplyAction& action : actions_.steps()) {
        switch (action.step) {
            case ReplyStep::Accept:
                reading.accepted = true;
                break;
            case ReplyStep::ShowStatus:
                reading.status = action.text();
                break;
            case ReplyStep::SetSequenceError:
                reading.error = action.result;
                break;
            case ReplyStep::SetPhase:
                exchange_.phase = action.phase;
                reading.ended = action.phase == ExchangePhase::Idle;
                reading.failed = action.error;
                break;
            case ReplyStep::Send:
                reading.answers = true;
                break;
            case ReplyStep::ShowChecksum:
            case ReplyStep::AdvanceCurrent:
            case ReplyStep::AdvanceOverall:
                break;
        }
    }
    return reading;
}

}  // namespace engine::trace
