#include "engine/Type4Sequence.h"

#include "ReplySteps.h"
#include "SequenceSetup.h"
#include "data/FlashImage.h"
#include "engine/HostLink.h"
#include "engine/Operation.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

using data::FlashImage;

constexpr std::uint32_t kLastByteOfBlock = host::kDataBlockSize - 1;
constexpr std::uint32_t kFirstSegmentEnd = FlashImage::kSegmentedBaseAddress + 0x1000;  // the first 4 KB
constexpr std::int32_t kBlocksPerSegment =
    static_cast<std::int32_t>(FlashImage::kBlockSize / host::kDataBlockSize);
constexpr std::int32_t kLastSegmentIndex = FlashImage::kBlockCount - 1;
// Only blocks 1 to 7 can be marked: the mask is one byte.
constexpr std::int32_t kMaskBits = 8;
// Current-bar steps of one 64 KB block: its 512 data blocks and the search for it.
constexpr std::int32_t kStepsPerSegment = kBlocksPerSegment + 1;
constexpr std::int32_t kExtraTransferSteps = 4;
constexpr std::int32_t kEraseOnlyCurrentSteps = 18;

void answerSelectReply(const host::HostMessage& message, ReplyActions& actions) {
    const std::uint16_t echo = payloadWord(message.payload, 0);
    const std::uint16_t refusal = payloadWord(message.payload, 2);
    if (echo != 0) {
        // The unit names the row it wants: select that one.
        actions.send(host::buildType4Select(actions.out(), rowMask(echo % 32)));
    } else {
        answerSelect(refusal != 0, actions);
    }
}

void sendFirstSegmentBlock(SegmentTransfer& transfer, std::span<const std::uint8_t> window,
                           ReplyActions& actions) {
    BlockCursor& cursor = transfer.cursor;
    actions.showStatus("Writing %08XH - %08XH (Block 0000)", cursor.unit, cursor.unit + kLastByteOfBlock);
    actions.send(buildSegmentedBlock(actions.out(), cursor, true, window));
    if (cursor.unit >= kFirstSegmentEnd) {
        // Block i of the window goes to 0x300000 + i * 64 KB.
        cursor.unit = FlashImage::kSegmentedBaseAddress + FlashImage::kBlockSize;
        cursor.source = FlashImage::kBlockSize;
        transfer.stage = BlockStage::FindNext;
        transfer.blockIndex = 1;
        actions.advanceCurrent();
    }
}

// Moves the cursor to the next block the mask names; false when none is left.
bool findNextSegment(SegmentTransfer& transfer) {
    transfer.segmentBlocks = 0;
    for (std::int32_t i = transfer.blockIndex; i <= kLastSegmentIndex; ++i) {
        if (i < kMaskBits && (transfer.blockMask & (1u << i)) != 0) {
            transfer.stage = BlockStage::Sending;
            transfer.blockIndex = i + 1;
            return true;
        }
        transfer.cursor.source += FlashImage::kBlockSize;
        transfer.cursor.unit += FlashImage::kBlockSize;
    }
    transfer.blockIndex = kLastSegmentIndex + 1;
    return false;
}

void sendSegmentBlock(SegmentTransfer& transfer, std::span<const std::uint8_t> window,
                      ReplyActions& actions) {
    const std::uint32_t unitAddress = transfer.cursor.unit;
    actions.showStatus("Writing %08XH - %08XH (Block %04d)", unitAddress, unitAddress + kLastByteOfBlock,
                       transfer.blockIndex - 1);
    const std::size_t length = buildSegmentedBlock(actions.out(), transfer.cursor, true, window);
    actions.advanceCurrent();
    actions.send(length);
    if (++transfer.segmentBlocks >= kBlocksPerSegment) {
        transfer.segmentBlocks = 0;
        transfer.stage = BlockStage::FindNext;
    }
}

void answerBlock(SegmentTransfer& transfer, const ExchangeSnapshot& exchange,
                 std::span<const std::uint8_t> window, ReplyActions& actions) {
    const std::uint32_t unitAddress = transfer.cursor.unit;
    if (unitAddress >= FlashImage::kSegmentedBaseAddress && unitAddress < kFirstSegmentEnd) {
        sendFirstSegmentBlock(transfer, window, actions);
        return;
    }
    if (transfer.stage == BlockStage::FindNext && !findNextSegment(transfer)) {
        actions.setPhase(ExchangePhase::Checksum, false, false);
        actions.send(host::buildType4EndOfWrite(actions.out(), exchange.ownAddress));
        return;
    }
    if (transfer.stage == BlockStage::Sending) {
        sendSegmentBlock(transfer, window, actions);
    }
}

}  // namespace

ReplyActions answerType4(SegmentTransfer& transfer, const ExchangeSnapshot& exchange,
                         const host::HostMessage& message, std::span<const std::uint8_t> window) {
    ReplyActions actions;
    const bool answer = message.command == host::kCommandSegmented || message.command == host::kCommandStatus;
    if (message.payload.empty() || !answer || message.sender != host::kSegmentedTarget) {
        return actions;
    }
    actions.accept();
    const ExchangePhase phase = exchange.phase;
    if (message.command == host::kCommandSegmented) {
        if (phase == ExchangePhase::Erase) {
            answerSelectReply(message, actions);
        } else if (phase == ExchangePhase::Checksum && message.address == host::kType4WriteStartRegister) {
            const bool rejected = payloadWord(message.payload, 0) != 0;
            actions.setSequenceError(rejected ? ResultCode::WriteFailed : ResultCode::Ok);
            actions.setPhase(ExchangePhase::Idle, false, true);
        }
        return actions;
    }
    if (message.address != host::kStatusReplyRegister || phase != ExchangePhase::Transfer) {
        return actions;
    }
    if (message.payload[0] != 0) {
        answerRejectedBlock(transfer.cursor.unit, actions);
    } else {
        answerBlock(transfer, exchange, window, actions);
    }
    return actions;
}

ResultCode Type4Sequence::prepare(data::ImageRow& row) {
    HostLink& link = context_.link;
    StatusModel& status = context_.status;
    link.setOwnAddress(host::kHostPcAddress);
    link.setTarget(host::kSegmentedTarget);
    context_.bootMode = false;
    link.setSequenceError(ResultCode::Ok);
    std::uint8_t blockMask = 0;
    if (context_.operation.erases()) {
        status.setCurrentTotal(kEraseOnlyCurrentSteps);
        status.setCurrentPos(0);
        link.setRequestKind(RequestKind::EraseOnly);
    } else if (context_.operation.writes()) {
        const ResultCode loaded = loadSegmentedImage(context_, row);
        if (loaded != ResultCode::Ok) {
            return loaded;
        }
        blockMask = context_.image.blockMask();
        status.setCurrentTotal(kStepsPerSegment * context_.image.blocksToWrite() + kExtraTransferSteps);
        link.setRequestKind(RequestKind::Write);
    } else {
        return ResultCode::DeviceError;
    }
    std::lock_guard lock(transferMutex_);
    if (context_.operation.writes()) {
        // Block 0 and every block i are taken from their fixed places in the
        // window, as the unit addresses they are written to.
        transfer_.cursor.unit = FlashImage::kSegmentedBaseAddress;
        transfer_.cursor.source = 0;
        transfer_.blockMask = blockMask;
    }
    transfer_.segmentBlocks = 0;
    transfer_.stage = BlockStage::FirstSegment;
    transfer_.blockIndex = 0;
    return ResultCode::Ok;
}

void Type4Sequence::sendSelect(std::uint16_t mask) {
    host::Buffer message;
    context_.link.send(message, host::buildType4Select(message, mask));
}

void Type4Sequence::sendWriteStart(std::uint16_t mask) {
    host::Buffer message;
    context_.link.send(message, host::buildType4WriteStart(message, mask));
}

ReplyActions Type4Sequence::onReply(const host::HostMessage& message, const ExchangeSnapshot& exchange) {
    std::lock_guard lock(transferMutex_);
    return answerType4(transfer_, exchange, message, context_.image.bytes());
}

}  // namespace engine
