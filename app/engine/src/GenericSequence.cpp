#include "Sequences.h"

#include <cstring>

#include "HostLink.h"
#include "SequenceAnswers.h"
#include "StatusText.h"
#include "data/FlashImage.h"
#include "data/UnitRecord.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

constexpr std::uint32_t kLastByteOfBlock = host::kDataBlockSize - 1;
// Total-bar steps an erase only adds after the erase reply.
constexpr std::int32_t kSkippedOverallSteps = 2;

}  // namespace

ResultCode runGenericSequence(const OperationContext& context, const data::UnitRecord& unit,
                              data::ImageRow& row) {
    StatusModel& status = context.status;
    showSequenceTitles(status, unit, row);
    GenericImage image;
    const bool cardDirectType3 = unit.kind() == data::UnitKind::Type3 && context.operation.cardDirect();
    image.target =
        cardDirectType3 ? host::kCardDirectType3Target : static_cast<std::uint8_t>(row.busAddress());
    image.eraseOnly = context.operation.erases();
    const ResultCode prepared = prepareImageTransfer(context, row, image.transfer);
    if (prepared != ResultCode::Ok) {
        return prepared;
    }
    nextStage(status, false);
    status.setStatusText("Erasing...");
    if (image.target == host::kReadBackTarget && !image.eraseOnly) {
        // The area lives at a fixed unit address, so its place in the window
        // does not depend on where the image starts.
        image.readsBack = true;
        image.readBackArea = host::kReadBackAddress - row.flashAddress();
        if (image.readBackArea + host::kWriteBackLength > context.image.size()) {
            return ResultCode::DeviceError;
        }
    }
    const ResultCode result = exchangeGenericImage(context.link, status, image, context.image.bytes());
    if (result == ResultCode::Ok) {
        row.setSelected(false);
    }
    return result;
}

ResultCode exchangeGenericImage(HostLink& link, StatusModel& status, GenericImage& image,
                                std::span<std::uint8_t> window) {
    const std::uint8_t own = link.ownAddress();
    const std::uint8_t target = image.target;
    // Erase, blocks and checksum are each answered by a status reply of the unit.
    auto isStatusReply = [target](const host::HostMessage& message) {
        return host::isStatusReply(message, target);
    };
    host::Buffer out;
    auto send = [&link, &out](std::size_t length) { link.send(std::span(out.data(), length)); };

    // The erase. A unit with a preserved area has it read first, 128 bytes
    // at a time, and the answer to the last piece sends the erase request.
    std::uint32_t readBackAddress = host::kReadBackAddress;
    bool writeBack = false;
    if (image.readsBack) {
        send(host::buildReadRequest(out, own, target, host::kCommandRead32, readBackAddress,
                                    host::kDataBlockSize));
    } else {
        send(host::buildEraseRequest(out, own, target));
    }
    link.beginExchange();
    HostLink::Reply reply;
    for (;;) {
        reply = link.awaitMessage();
        if (!reply) {
            return reply.result;
        }
        const host::HostMessage& message = reply.message;
        if (host::isStatusReply(message, target)) {
            link.accept();
            break;
        }
        // Of the rest, only the piece of the area asked for counts.
        if (!image.readsBack || !answers::isReadBackPiece(message, target, readBackAddress)) {
            continue;
        }
        const std::size_t at = std::size_t{image.readBackArea} + (message.address - host::kReadBackAddress);
        if (at + host::kDataBlockSize > window.size()) {
            continue;
        }
        // The pieces do not count as answers: only the erase reply does.
        std::memcpy(window.data() + at, message.payload.data(), host::kDataBlockSize);
        if (readBackAddress + host::kDataBlockSize < host::kReadBackAddress + host::kReadBackLength) {
            readBackAddress += host::kDataBlockSize;
            send(host::buildReadRequest(out, own, target, host::kCommandRead32, readBackAddress,
                                        host::kDataBlockSize));
            continue;
        }
        // The area is now part of the image and of its checksum.
        image.transfer.checksum = data::FlashImage::checksumOf(window);
        status.setChecksum(image.transfer.checksum);
        writeBack = true;
        send(host::buildEraseRequest(out, own, target));
    }
    if (answers::refuses(reply.message)) {
        status.setStatusText(answers::kEraseFailedText);
        nextStage(status, true);
        return ResultCode::EraseFailed;
    }
    status.setStatusText(answers::kEraseCompletedText);
    if (image.eraseOnly) {
        status.advanceOverall(kSkippedOverallSteps);
        nextStage(status, false);
        return ResultCode::Ok;
    }

    // The image, each block sent once the unit has acknowledged the one
    // before, then the preserved area written back: the area and the block
    // after it.
    nextStage(status, false);
    BlockCursor& cursor = image.transfer.cursor;
    for (;;) {
        if (cursor.passedEnd()) {
            if (!writeBack) {
                break;
            }
            writeBack = false;
            cursor = {image.readBackArea, image.readBackArea + host::kReadBackLength, host::kReadBackAddress};
        }
        const std::uint32_t unitAddress = cursor.unit;
        status.setStatusText(
            formatText("  Writing %08XH - %08XH", unitAddress, unitAddress + kLastByteOfBlock));
        const DataBlock block = blockAt(window, cursor.source);
        cursor.advance();
        status.advanceCurrent();
        send(host::buildDataBlock(out, own, target, unitAddress, block.data()));
        reply = link.awaitAnswer(isStatusReply);
        if (!reply) {
            return reply.result;
        }
        if (answers::refuses(reply.message)) {
            status.setStatusText(answers::refusedBlockText(unitAddress));
            nextStage(status, true);
            return ResultCode::WriteFailed;
        }
    }

    // The image checksum ends it.
    nextStage(status, false);
    status.setStatusText(
        formatText("  Writing Checksum %04XH", static_cast<unsigned>(image.transfer.checksum)));
    send(host::buildChecksumRequest(out, own, target, image.transfer.checksum));
    reply = link.awaitAnswer(isStatusReply);
    return reply ? answerChecksum(status, answers::refuses(reply.message)) : reply.result;
}

}  // namespace engine
