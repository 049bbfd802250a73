#include "engine/Type3Sequence.h"

#include "ReplySteps.h"
#include "SequenceSetup.h"
#include "data/FlashImage.h"
#include "engine/HostLink.h"
#include "engine/Operation.h"

namespace engine {

namespace {

constexpr std::uint32_t kLastByteOfBlock = host::kDataBlockSize - 1;

void answerSelectReply(const host::HostMessage& message, ReplyActions& actions) {
    actions.accept();
    const std::uint16_t echo = payloadWord(message.payload, 0);
    const std::uint16_t refusal = payloadWord(message.payload, 2);
    if (echo != 0) {
        // The unit wants its word back before it answers the select.
        actions.send(host::buildType3Echo(actions.out(), echo));
    } else {
        answerSelect(refusal != 0, actions);
    }
}

void answerBlock(ImageTransfer& transfer, const ExchangeSnapshot& exchange, bool rejected,
                 std::span<const std::uint8_t> window, ReplyActions& actions) {
    if (rejected) {
        answerRejectedBlock(transfer.cursor.unit, actions);
    } else if (transfer.cursor.passedEnd()) {
        actions.setPhase(ExchangePhase::Checksum, false, false);
        actions.showStatus("  Writing Checksum %04XH", static_cast<unsigned>(transfer.checksum));
        actions.send(host::buildType3Checksum(actions.out(), exchange.ownAddress, transfer.checksum));
    } else {
        const std::uint32_t unitAddress = transfer.cursor.unit;
        actions.showStatus("  Writing %08XH - %08XH", unitAddress, unitAddress + kLastByteOfBlock);
        const std::size_t length = buildSegmentedBlock(actions.out(), transfer.cursor, true, window);
        actions.advanceCurrent();
        actions.send(length);
    }
}

}  // namespace

ReplyActions answerType3(ImageTransfer& transfer, const ExchangeSnapshot& exchange,
                         const host::HostMessage& message, std::span<const std::uint8_t> window) {
    ReplyActions actions;
    if (message.payload.empty() || message.sender != host::kSegmentedTarget) {
        return actions;
    }
    const ExchangePhase phase = exchange.phase;
    if (message.command == host::kCommandSegmented) {
        if (phase == ExchangePhase::Erase && message.address == host::kSelectRegister) {
            answerSelectReply(message, actions);
        } else if (phase == ExchangePhase::Checksum) {
            actions.accept();
            answerChecksum(payloadWord(message.payload, 0) != 0, actions);
        }
        return actions;
    }
    if (message.command != host::kCommandStatus || message.address != host::kStatusReplyRegister ||
        phase != ExchangePhase::Transfer) {
        return actions;
    }
    actions.accept();
    answerBlock(transfer, exchange, message.payload[0] != 0, window, actions);
    return actions;
}

ResultCode Type3Sequence::prepare(data::ImageRow& row) {
    HostLink& link = context_.link;
    link.setTarget(host::kSegmentedTarget);
    link.setSequenceError(ResultCode::Ok);
    ImageTransfer prepared;
    const ResultCode result = prepareImageTransfer(context_, row, prepared);
    if (result == ResultCode::Ok && context_.operation.writes()) {
        std::lock_guard lock(transferMutex_);
        transfer_ = prepared;
    }
    return result;
}

void Type3Sequence::sendSelect(std::uint16_t mask) {
    host::Buffer message;
    context_.link.sendIfOpen(message, host::buildType3Select(message, context_.link.ownAddress(), mask));
}

void Type3Sequence::sendWriteStart(std::uint16_t mask) {
    host::Buffer message;
    context_.link.send(message, host::buildType3WriteStart(message, mask));
}

ReplyActions Type3Sequence::onReply(const host::HostMessage& message, const ExchangeSnapshot& exchange) {
    std::lock_guard lock(transferMutex_);
    return answerType3(transfer_, exchange, message, context_.image.bytes());
}

}  // namespace engine
