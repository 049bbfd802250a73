#include "engine/GenericSequence.h"

#include <cstring>

#include "ReplySteps.h"
#include "SequenceSetup.h"
#include "data/FlashImage.h"
#include "data/UnitRecord.h"
#include "engine/HostLink.h"
#include "engine/Operation.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

constexpr std::uint32_t kLastByteOfBlock = host::kDataBlockSize - 1;
// Total-bar steps an erase only adds after the erase reply.
constexpr std::int32_t kSkippedOverallSteps = 2;

void sendBlock(ImageTransfer& image, const ExchangeSnapshot& exchange, std::span<const std::uint8_t> window,
               ReplyActions& actions) {
    const DataBlock block = blockAt(window, image.cursor.source);
    const std::uint32_t unitAddress = image.cursor.unit;
    actions.showStatus("  Writing %08XH - %08XH", unitAddress, unitAddress + kLastByteOfBlock);
    image.cursor.advance();
    actions.advanceCurrent();
    actions.send(host::buildDataBlock(actions.out(), exchange.ownAddress, exchange.targetAddress, unitAddress,
                                      block.data()));
}

// After an acknowledged block: the next block, the write-back of the
// preserved area, or the checksum.
void continueTransfer(GenericTransfer& transfer, const ExchangeSnapshot& exchange,
                      std::span<const std::uint8_t> window, ReplyActions& actions) {
    ImageTransfer& image = transfer.image;
    if (!image.cursor.passedEnd()) {
        sendBlock(image, exchange, window, actions);
        return;
    }
    if (!transfer.writeBack) {
        actions.setPhase(ExchangePhase::Checksum, false, true);
        actions.showStatus("  Writing Checksum %04XH", static_cast<unsigned>(image.checksum));
        actions.send(host::buildChecksumRequest(actions.out(), exchange.ownAddress, exchange.targetAddress,
                                                image.checksum));
        return;
    }
    transfer.writeBack = false;
    image.cursor.unit = host::kReadBackAddress;
    image.cursor.source = transfer.readBackArea;
    image.cursor.end = transfer.readBackArea + host::kReadBackLength;
    sendBlock(image, exchange, window, actions);
}

void answerErase(GenericTransfer& transfer, const ExchangeSnapshot& exchange, bool rejected,
                 std::span<const std::uint8_t> window, ReplyActions& actions) {
    if (rejected) {
        actions.showStatus("Erase Failed");
        actions.setSequenceError(ResultCode::EraseFailed);
        actions.setPhase(ExchangePhase::Idle, true, true);
    } else if (exchange.request == RequestKind::Write) {
        // The erase acknowledgement starts the transfer.
        actions.showStatus("Erase Completed");
        actions.setPhase(ExchangePhase::Transfer, false, true);
        continueTransfer(transfer, exchange, window, actions);
    } else {
        actions.showStatus("Erase Completed");
        actions.advanceOverall(kSkippedOverallSteps);
        actions.setPhase(ExchangePhase::Idle, false, true);
    }
}

}  // namespace

ReplyActions answerGenericStatus(GenericTransfer& transfer, const ExchangeSnapshot& exchange,
                                 const host::HostMessage& message, std::span<const std::uint8_t> window) {
    ReplyActions actions;
    if (message.payload.empty() || message.sender != exchange.targetAddress ||
        message.address != host::kStatusReplyRegister) {
        return actions;
    }
    actions.accept();
    const bool rejected = message.payload[0] != 0;
    switch (exchange.phase) {
        case ExchangePhase::Erase:
            answerErase(transfer, exchange, rejected, window, actions);
            break;
        case ExchangePhase::Checksum:
            answerChecksum(rejected, actions);
            break;
        case ExchangePhase::Transfer:
            if (rejected) {
                answerRejectedBlock(transfer.image.cursor.unit, actions);
            } else {
                continueTransfer(transfer, exchange, window, actions);
            }
            break;
        case ExchangePhase::Idle:
            break;
    }
    return actions;
}

ReplyActions answerReadBack(GenericTransfer& transfer, const ExchangeSnapshot& exchange,
                            const host::HostMessage& message, std::span<std::uint8_t> window) {
    ReplyActions actions;
    const std::uint32_t address = message.address;
    const std::uint32_t areaEnd = host::kReadBackAddress + host::kReadBackLength;
    if (message.sender != exchange.targetAddress || message.payload.size() != host::kDataBlockSize ||
        address < host::kReadBackAddress || address + host::kDataBlockSize > areaEnd ||
        address != transfer.readBackAddress) {
        return actions;
    }
    const std::size_t at = std::size_t{transfer.readBackArea} + (address - host::kReadBackAddress);
    if (at + host::kDataBlockSize > window.size()) {
        return actions;
    }
    std::memcpy(window.data() + at, message.payload.data(), host::kDataBlockSize);
    // These replies leave the count of silent periods alone; the erase reply resets it.
    if (address + host::kDataBlockSize < areaEnd) {
        transfer.readBackAddress = address + host::kDataBlockSize;
        actions.send(host::buildReadRequest(actions.out(), exchange.ownAddress, exchange.targetAddress,
                                            host::kCommandRead32, transfer.readBackAddress,
                                            host::kDataBlockSize));
        return actions;
    }
    // The preserved area is now part of the image and of its checksum.
    transfer.image.checksum = data::FlashImage::checksumOf(window);
    actions.showChecksum(transfer.image.checksum);
    transfer.writeBack = true;
    actions.send(host::buildEraseRequest(actions.out(), exchange.ownAddress, exchange.targetAddress));
    return actions;
}

ResultCode GenericSequence::run(const data::UnitRecord& unit, data::ImageRow& row) {
    StatusModel& status = context_.status;
    HostLink& link = context_.link;
    showSequenceTitles(status, unit, row);
    const bool cardDirectType3 = unit.kind() == data::UnitKind::Type3 && context_.operation.cardDirect();
    link.setTarget(cardDirectType3 ? host::kCardDirectType3Target
                                   : static_cast<std::uint8_t>(row.busAddress()));
    ImageTransfer prepared;
    ResultCode result = prepareImageTransfer(context_, row, prepared);
    if (result != ResultCode::Ok) {
        return result;
    }
    {
        std::lock_guard lock(transferMutex_);
        if (link.requestKind() == RequestKind::Write) {
            transfer_.image = prepared;
        }
        transfer_.writeBack = false;
    }
    link.setPhase(ExchangePhase::Erase, false, true);
    status.setStatusText("Erasing...");
    result = startErase(row);
    if (result != ResultCode::Ok) {
        return result;
    }
    result = link.waitForExchange();
    if (result != ResultCode::Ok) {
        return result;
    }
    const ResultCode sequenceError = link.sequenceError();
    if (sequenceError != ResultCode::Ok) {
        return sequenceError;
    }
    if (status.errorFlag()) {
        return ResultCode::Failed;
    }
    row.setSelected(false);
    return ResultCode::Ok;
}

ResultCode GenericSequence::startErase(const data::ImageRow& row) {
    HostLink& link = context_.link;
    host::Buffer message;
    const bool readBack = link.target() == host::kReadBackTarget && link.requestKind() == RequestKind::Write;
    if (!readBack) {
        link.sendIfOpen(message, host::buildEraseRequest(message, link.ownAddress(), link.target()));
        return ResultCode::Ok;
    }
    // The preserved area lives at a fixed unit address, so its place in the
    // window does not depend on where the image starts.
    const std::uint32_t area = host::kReadBackAddress - row.flashAddress();
    if (area + host::kWriteBackLength > context_.image.size()) {
        return ResultCode::DeviceError;
    }
    {
        std::lock_guard lock(transferMutex_);
        transfer_.readBackArea = area;
        transfer_.readBackAddress = host::kReadBackAddress;
    }
    link.sendReadRequest(host::kCommandRead32, host::kReadBackAddress, host::kDataBlockSize);
    return ResultCode::Ok;
}

ReplyActions GenericSequence::onStatusReply(const host::HostMessage& message,
                                            const ExchangeSnapshot& exchange) {
    std::lock_guard lock(transferMutex_);
    return answerGenericStatus(transfer_, exchange, message, context_.image.bytes());
}

ReplyActions GenericSequence::onReadBack(const host::HostMessage& message, const ExchangeSnapshot& exchange) {
    std::lock_guard lock(transferMutex_);
    return answerReadBack(transfer_, exchange, message, context_.image.bytes());
}

}  // namespace engine
