#include "Sequences.h"

#include <thread>

#include "HostLink.h"
#include "SequenceAnswers.h"
#include "StatusText.h"
#include "data/FlashImage.h"
#include "data/UnitRecord.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

using data::FlashImage;

constexpr std::uint32_t kLastByteOfBlock = host::kDataBlockSize - 1;
// Total-bar steps an image skips when its select ends it (erase only, wrong target).
constexpr std::int32_t kSkippedOverallSteps = 2;
// Current-bar steps beyond the blocks of a type-4 write, and of a type-4 erase only.
constexpr std::int32_t kExtraTransferSteps = 4;
constexpr std::int32_t kEraseOnlyCurrentSteps = 18;
// Type 4: the first 4 KB, then 64 KB blocks of 512 data blocks each; only
// blocks 1 to 7 can be marked, the mask being one byte.
constexpr std::uint32_t kFirstSegmentEnd = FlashImage::kSegmentedBaseAddress + 0x1000;
constexpr std::int32_t kBlocksPerSegment =
    static_cast<std::int32_t>(FlashImage::kBlockSize / host::kDataBlockSize);
constexpr std::int32_t kStepsPerSegment = kBlocksPerSegment + 1;
constexpr std::int32_t kLastSegmentIndex = FlashImage::kBlockCount - 1;
constexpr std::int32_t kMaskBits = 8;

// The refused block is named by the one before the cursor.
void showRefusedBlock(StatusModel& status, std::uint32_t cursorUnit) {
    status.setStatusText(answers::refusedBlockText(cursorUnit - host::kDataBlockSize));
    nextStage(status, true);
}

// Sends the block at the cursor and moves the cursor on.
void sendBlock(HostLink& link, BlockCursor& cursor, std::span<const std::uint8_t> window) {
    const DataBlock block = blockAt(window, cursor.source);
    host::Buffer out;
    const std::size_t length = host::buildSegmentedDataBlock(out, cursor.unit, block.data());
    cursor.advance();
    link.send(std::span(out.data(), length));
}

using answers::isBlockAcknowledgement;
using answers::isType3SelectReply;
using answers::isType4Message;

constexpr bool kType3 = false;
constexpr bool kType4 = true;

// The select, which erases. The unit may answer with a word first: a type-3
// unit wants it echoed, a type-4 unit names the row it wants (its index in
// the low five bits); then the select goes on. A second word not 0: this is
// not the intended object. An erase only ends here, and its Total bar skips
// the steps of the transfer.
ResultCode selectImage(HostLink& link, StatusModel& status, const SegmentedImage& image, bool type4) {
    host::Buffer out;
    auto send = [&link, &out](std::size_t length) { link.send(std::span(out.data(), length)); };
    nextStage(status, false);
    status.setStatusText("Erasing...");
    send(type4 ? host::buildType4Select(out, image.mask)
               : host::buildType3Select(out, link.ownAddress(), image.mask));
    link.beginExchange();
    for (;;) {
        const HostLink::Reply reply = !image.answersHeard ? link.awaitMessage()
                                      : type4             ? link.awaitAnswer(isType4Message)
                                                          : link.awaitAnswer(isType3SelectReply);
        if (!reply) {
            return reply.result;
        }
        if (!image.answersHeard || reply.message.command != host::kCommandSegmented) {
            continue;
        }
        const answers::SelectAnswer answer = answers::selectAnswer(reply.message);
        if (answer == answers::SelectAnswer::EchoFirst) {
            const std::uint16_t echo = answers::selectEcho(reply.message);
            send(type4 ? host::buildType4Select(out, rowMask(echo % 32)) : host::buildType3Echo(out, echo));
            continue;
        }
        if (answer == answers::SelectAnswer::NotIntended) {
            status.setStatusText(answers::kNotIntendedText);
            status.advanceOverall(kSkippedOverallSteps);
            nextStage(status, true);
            return ResultCode::WrongTarget;
        }
        nextStage(status, false);
        if (image.eraseOnly) {
            status.advanceOverall(kSkippedOverallSteps);
        }
        return ResultCode::Ok;
    }
}

ResultCode prepareType4(const OperationContext& context, data::ImageRow& row, SegmentedImage& image) {
    StatusModel& status = context.status;
    context.link.setOwnAddress(host::kHostPcAddress);
    context.bootMode = false;
    if (context.operation.erases()) {
        status.setCurrentTotal(kEraseOnlyCurrentSteps);
        status.setCurrentPos(0);
        return ResultCode::Ok;
    }
    if (!context.operation.writes()) {
        return ResultCode::DeviceError;
    }
    const ResultCode loaded = loadSegmentedImage(context, row);
    if (loaded != ResultCode::Ok) {
        return loaded;
    }
    status.setCurrentTotal(kStepsPerSegment * context.image.blocksToWrite() + kExtraTransferSteps);
    // Block 0 and every block i are taken from their fixed places in the
    // window, as the unit addresses they are written to.
    image.blockMask = context.image.blockMask();
    image.transfer.cursor.unit = FlashImage::kSegmentedBaseAddress;
    image.transfer.cursor.source = 0;
    return ResultCode::Ok;
}

}  // namespace

ResultCode runSegmentedSequence(const OperationContext& context, const data::UnitRecord& unit,
                                data::ImageRow& row, std::int32_t index) {
    StatusModel& status = context.status;
    showSequenceTitles(status, unit, row);
    const bool type4 = unit.kind() == data::UnitKind::Type4;
    SegmentedImage image;
    image.mask = rowMask(index);
    image.eraseOnly = context.operation.erases();
    ResultCode result =
        type4 ? prepareType4(context, row, image) : prepareImageTransfer(context, row, image.transfer);
    // Through Card Direct the answers of a type-4 unit are not heard: its
    // select goes out and the unit's silence ends the image.
    image.answersHeard = !(type4 && context.operation.cardDirect());
    if (result == ResultCode::Ok) {
        result = type4 ? exchangeType4Image(context.link, status, image, context.image.bytes())
                       : exchangeType3Image(context.link, status, image, context.image.bytes());
    }
    if (result == ResultCode::Ok || result == ResultCode::WrongTarget) {
        row.setSelected(false);
    }
    // The unit restarts after each image; it is given time before the next one.
    status.setCancelEnabled(false);
    std::this_thread::sleep_for(result == ResultCode::Ok ? context.operation.settleAfterSuccess
                                                         : context.operation.settleAfterFailure);
    status.setCancelEnabled(true);
    return result;
}

ResultCode exchangeType3Image(HostLink& link, StatusModel& status, SegmentedImage& image,
                              std::span<const std::uint8_t> window) {
    host::Buffer out;
    auto send = [&link, &out](std::size_t length) { link.send(std::span(out.data(), length)); };
    const ResultCode selected = selectImage(link, status, image, kType3);
    if (selected != ResultCode::Ok || image.eraseOnly) {
        return selected;
    }

    // The write start, then the blocks, each sent on the acknowledgement of
    // the one before. The first block leaves the cursor where it is, so its
    // acknowledgement sends it again.
    nextStage(status, false);
    send(host::buildType3WriteStart(out, image.mask));
    std::this_thread::sleep_for(image.writeStartPause);
    BlockCursor& cursor = image.transfer.cursor;
    BlockCursor first = cursor;
    sendBlock(link, first, window);
    link.beginExchange();
    for (;;) {
        const HostLink::Reply reply = link.awaitAnswer(isBlockAcknowledgement);
        if (!reply) {
            return reply.result;
        }
        if (answers::refuses(reply.message)) {
            showRefusedBlock(status, cursor.unit);
            return ResultCode::WriteFailed;
        }
        if (cursor.passedEnd()) {
            break;
        }
        status.setStatusText(
            formatText("  Writing %08XH - %08XH", cursor.unit, cursor.unit + kLastByteOfBlock));
        sendBlock(link, cursor, window);
        status.advanceCurrent();
    }

    // The checksum; any message of command 0x33 from the unit answers it.
    status.setErrorFlag(false);
    status.setStatusText(
        formatText("  Writing Checksum %04XH", static_cast<unsigned>(image.transfer.checksum)));
    send(host::buildType3Checksum(out, link.ownAddress(), image.transfer.checksum));
    const HostLink::Reply reply = link.awaitAnswer(host::isSegmentedReply);
    return reply ? answerChecksum(status, answers::wordRefuses(reply.message)) : reply.result;
}

ResultCode exchangeType4Image(HostLink& link, StatusModel& status, SegmentedImage& image,
                              std::span<const std::uint8_t> window) {
    host::Buffer out;
    auto send = [&link, &out](std::size_t length) { link.send(std::span(out.data(), length)); };
    const ResultCode selected = selectImage(link, status, image, kType4);
    if (selected != ResultCode::Ok || image.eraseOnly) {
        return selected;
    }

    // The write start and the first block, then one block per
    // acknowledgement: the rest of the first 4 KB, then the 512 blocks of
    // every 64 KB block the mask names, each at its own unit address.
    nextStage(status, false);
    send(host::buildType4WriteStart(out, image.mask));
    std::this_thread::sleep_for(image.writeStartPause);
    BlockCursor& cursor = image.transfer.cursor;
    sendBlock(link, cursor, window);
    link.beginExchange();
    bool findNext = false;           // look for the next 64 KB block the mask names
    bool sendingSegment = false;     // sending the data blocks of one 64 KB block
    std::int32_t blockIndex = 0;     // the next 64 KB block to look at
    std::int32_t segmentBlocks = 0;  // data blocks sent of the current 64 KB block
    for (;;) {
        const HostLink::Reply reply = link.awaitAnswer(isType4Message);
        if (!reply) {
            return reply.result;
        }
        if (!isBlockAcknowledgement(reply.message)) {
            continue;
        }
        if (answers::refuses(reply.message)) {
            showRefusedBlock(status, cursor.unit);
            return ResultCode::WriteFailed;
        }
        if (cursor.unit >= FlashImage::kSegmentedBaseAddress && cursor.unit < kFirstSegmentEnd) {
            status.setStatusText(formatText("Writing %08XH - %08XH (Block 0000)", cursor.unit,
                                            cursor.unit + kLastByteOfBlock));
            sendBlock(link, cursor, window);
            if (cursor.unit >= kFirstSegmentEnd) {
                // Block i of the window goes to 0x300000 + i * 64 KB.
                cursor.unit = FlashImage::kSegmentedBaseAddress + FlashImage::kBlockSize;
                cursor.source = FlashImage::kBlockSize;
                findNext = true;
                blockIndex = 1;
                status.advanceCurrent();
            }
            continue;
        }
        if (findNext) {
            segmentBlocks = 0;
            for (; blockIndex <= kLastSegmentIndex; ++blockIndex) {
                if (blockIndex < kMaskBits && (image.blockMask & (1u << blockIndex)) != 0) {
                    break;
                }
                cursor.source += FlashImage::kBlockSize;
                cursor.unit += FlashImage::kBlockSize;
            }
            if (blockIndex > kLastSegmentIndex) {
                break;
            }
            findNext = false;
            sendingSegment = true;
            ++blockIndex;
        }
        if (sendingSegment) {
            status.setStatusText(formatText("Writing %08XH - %08XH (Block %04d)", cursor.unit,
                                            cursor.unit + kLastByteOfBlock, blockIndex - 1));
            sendBlock(link, cursor, window);
            status.advanceCurrent();
            if (++segmentBlocks >= kBlocksPerSegment) {
                segmentBlocks = 0;
                sendingSegment = false;
                findNext = true;
            }
        }
    }

    // The end of write; its answer (command 0x33 at register 0x0021) decides.
    status.setErrorFlag(false);
    send(host::buildType4EndOfWrite(out, link.ownAddress()));
    for (;;) {
        const HostLink::Reply reply = link.awaitAnswer(isType4Message);
        if (!reply) {
            return reply.result;
        }
        if (answers::isType4EndReply(reply.message)) {
            nextStage(status, false);
            return answers::wordRefuses(reply.message) ? ResultCode::WriteFailed : ResultCode::Ok;
        }
    }
}

}  // namespace engine
