// Flash update sequences through the host interface: the generic sequence
// (erase, 128-byte blocks, checksum; with the read-back of the preserved
// area of unit 2) and the sequences of type-3 and type-4 units. Each sends
// its first message and waits; the reply handlers on the receive thread send
// every further message, one per acknowledgement.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "StatusText.h"
#include "data/FlashImage.h"
#include "data/UnitRecord.h"
#include "engine/UpdateEngine.h"

namespace engine {

namespace {

constexpr auto kWriteStartPause = std::chrono::milliseconds(100);
constexpr std::uint32_t kFirstSegmentEnd = 0x1000;  // the first 4 KB of a type-4 image
constexpr std::int32_t kBlocksPerSegment =
    static_cast<std::int32_t>(data::FlashImage::kBlockSize / host::kDataBlockSize);
constexpr std::int32_t kLastSegmentIndex = data::FlashImage::kBlockCount - 1;
// Current-bar steps of one type-4 block: 512 data blocks and the search for it.
constexpr std::int32_t kType4StepsPerSegment = kBlocksPerSegment + 1;
constexpr std::int32_t kExtraTransferSteps = 4;
constexpr std::int32_t kEraseOnlyCurrentSteps = 2;
constexpr std::int32_t kType4EraseOnlyCurrentSteps = 18;
// Total-bar steps an erase-only image or a wrong target adds after the erase reply.
constexpr std::int32_t kSkippedOverallSteps = 2;

std::uint16_t word(std::span<const std::uint8_t> payload, std::size_t at) {
    if (payload.size() < at + 2) {
        return payload.size() > at ? static_cast<std::uint16_t>(payload[at] << 8) : 0;
    }
    return static_cast<std::uint16_t>((payload[at] << 8) | payload[at + 1]);
}

std::uint16_t rowMask(std::int32_t index) {
    return static_cast<std::uint16_t>(1u << (index & 31));
}

}  // namespace

void UpdateEngine::setSequenceTitles(const data::UnitRecord& unit, const data::ImageRow& row) {
    char title[256];
    std::snprintf(title, sizeof title, "%s (%s %s)", unit.name().c_str(), row.cpuName().c_str(),
                  row.fileVersionText().c_str());
    status_.setTitle(title);
    status_.setFileName("");
}

ResultCode UpdateEngine::prepareTransfer(data::ImageRow& row) {
    if (operationCode_ == data::OperationCode::Erase) {
        status_.setCurrentTotal(kEraseOnlyCurrentSteps);
        status_.setCurrentPos(0);
        requestKind_ = RequestKind::EraseOnly;
        return ResultCode::Ok;
    }
    if (operationCode_ != data::OperationCode::Write) {
        return ResultCode::DeviceError;
    }
    status_.setFileName(row.fileName());
    flashImage_->allocate(data::FlashImage::kStandardWindowSize);
    const data::ImageLoadResult loaded = flashImage_->loadStrict(row.filePath(), row.topAddress());
    if (!loaded.ok()) {
        status_.setStatusText(loaded.errorText);
        return ResultCode::ImageError;
    }
    const std::uint32_t lowest = flashImage_->lowestAddress();
    const std::uint32_t highest = flashImage_->highestAddress();
    if (lowest > highest) {
        // A file of header and end records only: there is nothing to write.
        status_.setStatusText("Data is Empty!");
        return ResultCode::ImageError;
    }
    status_.setLowAddress(lowest);
    status_.setHighAddress(highest);
    status_.setChecksum(flashImage_->checksum());
    imageChecksum_ = flashImage_->checksum();
    status_.setCurrentPos(0);
    status_.setCurrentTotal(static_cast<std::int32_t>((highest - lowest + 127) / host::kDataBlockSize) +
                            kExtraTransferSteps);
    requestKind_ = RequestKind::Write;
    const std::uint32_t base = flashImage_->baseAddress();
    sourceCursor_ = lowest - base;
    sourceEnd_ = highest - base;
    unitCursor_ = lowest - row.topAddress() + row.flashAddress();
    return ResultCode::Ok;
}

// ---- generic sequence -----------------------------------------------------

ResultCode UpdateEngine::runGenericSequence(data::UnitRecord& unit, data::ImageRow& row) {
    setSequenceTitles(unit, row);
    const bool cardDirectType3 =
        (unit.unitType() & 0xFF) == 3 && writingPort_ == data::WritingPort::CardDirect;
    targetAddress_ =
        cardDirectType3 ? host::kCardDirectType3Target : static_cast<std::uint8_t>(row.busAddress());
    ResultCode result = prepareTransfer(row);
    if (result != ResultCode::Ok) {
        return result;
    }
    writeBack_ = false;
    setPhase(ExchangePhase::Erase, false, true);
    status_.setStatusText("Erasing...");
    host::Buffer message;
    const bool readBack = targetAddress_ == host::kReadBackTarget && requestKind_ == RequestKind::Write;
    if (readBack) {
        // The preserved area lives at a fixed unit address, so its place in the
        // window does not depend on where the image starts.
        const std::uint32_t area = host::kReadBackAddress - row.flashAddress();
        if (area + host::kWriteBackLength > flashImage_->size()) {
            return ResultCode::DeviceError;
        }
        readBackArea_ = area;
        sendReadRequest(host::kCommandRead32, host::kReadBackAddress, host::kDataBlockSize);
    } else if (interfaceOpen_) {
        send(message, host::buildEraseRequest(message, pcAddress_, targetAddress_));
    }
    result = waitForExchange();
    if (result != ResultCode::Ok) {
        return result;
    }
    const ResultCode sequenceError = sequenceError_.load();
    if (sequenceError != ResultCode::Ok) {
        return sequenceError;
    }
    if (status_.errorFlag()) {
        return ResultCode::Failed;
    }
    row.setSelected(false);
    return ResultCode::Ok;
}

void UpdateEngine::handleReadBack(const host::HostMessage& message) {
    const std::uint32_t address = message.address;
    if (message.sender != targetAddress_.load() || message.payload.size() != host::kDataBlockSize ||
        address < host::kReadBackAddress ||
        address + host::kDataBlockSize > host::kReadBackAddress + host::kReadBackLength ||
        address != pendingAddress_.load()) {
        return;
    }
    std::memcpy(flashImage_->bytes().data() + readBackArea_.load() + (address - host::kReadBackAddress),
                message.payload.data(), host::kDataBlockSize);
    host::Buffer out;
    if (address + host::kDataBlockSize < host::kReadBackAddress + host::kReadBackLength) {
        sendReadRequest(host::kCommandRead32, address + host::kDataBlockSize, host::kDataBlockSize);
        return;
    }
    imageChecksum_ = flashImage_->computeChecksum();
    status_.setChecksum(imageChecksum_);
    writeBack_ = true;
    if (interfaceOpen_) {
        send(out, host::buildEraseRequest(out, pcAddress_, targetAddress_));
    }
}

void UpdateEngine::copyBlock(std::uint32_t cursor,
                             std::array<std::uint8_t, host::kDataBlockSize>& block) const {
    const std::span<const std::uint8_t> image = flashImage_->bytes();
    // A last block that would run past the window is padded as erased flash.
    block.fill(data::FlashImage::kErasedByte);
    if (cursor < image.size()) {
        std::memcpy(block.data(), image.data() + cursor,
                    std::min<std::size_t>(block.size(), image.size() - cursor));
    }
}

void UpdateEngine::sendGenericBlock() {
    std::array<std::uint8_t, host::kDataBlockSize> block;
    const std::uint32_t cursor = sourceCursor_.load();
    copyBlock(cursor, block);
    const std::uint32_t unitAddress = unitCursor_.load();
    status_.setStatusText(formatText("  Writing %08XH - %08XH", unitAddress, unitAddress + 127));
    sourceCursor_ = cursor + host::kDataBlockSize;
    unitCursor_ = unitAddress + host::kDataBlockSize;
    status_.advanceCurrent();
    host::Buffer message;
    if (interfaceOpen_) {
        send(message, host::buildDataBlock(message, pcAddress_, targetAddress_, unitAddress, block.data()));
    }
}

void UpdateEngine::finishChecksum(bool rejected) {
    if (rejected) {
        status_.setStatusText("Checksum Failed");
        sequenceError_ = ResultCode::ChecksumFailed;
    } else {
        status_.setStatusText("Write Completed");
    }
    setPhase(ExchangePhase::Idle, rejected, true);
}

void UpdateEngine::finishSelect(bool refused) {
    if (refused) {
        status_.setStatusText("Not the intended object!!");
        sequenceError_ = ResultCode::WrongTarget;
        status_.advanceOverall(kSkippedOverallSteps);
    } else {
        sequenceError_ = ResultCode::Ok;
    }
    setPhase(ExchangePhase::Idle, refused, true);
}

void UpdateEngine::failTransfer() {
    const std::uint32_t unitAddress = unitCursor_.load();
    status_.setStatusText(formatText("Write Failed (%08XH - %08XH)", unitAddress - 128, unitAddress - 1));
    sequenceError_ = ResultCode::WriteFailed;
    setPhase(ExchangePhase::Idle, true, true);
}

void UpdateEngine::handleGenericTransfer() {
    if (sourceCursor_.load() <= sourceEnd_.load()) {
        sendGenericBlock();
        return;
    }
    if (!writeBack_) {
        setPhase(ExchangePhase::Checksum, false, true);
        const std::uint16_t checksum = imageChecksum_.load();
        status_.setStatusText(formatText("  Writing Checksum %04XH", static_cast<unsigned>(checksum)));
        host::Buffer message;
        if (interfaceOpen_) {
            send(message, host::buildChecksumRequest(message, pcAddress_, targetAddress_, checksum));
        }
        return;
    }
    writeBack_ = false;
    unitCursor_ = host::kReadBackAddress;
    sourceCursor_ = readBackArea_.load();
    sourceEnd_ = readBackArea_.load() + host::kReadBackLength;
    sendGenericBlock();
}

void UpdateEngine::handleGenericStatus(const host::HostMessage& message) {
    if (message.sender != targetAddress_.load() || message.address != host::kStatusReplyRegister) {
        return;
    }
    resetIdleTicks();
    const bool rejected = message.payload[0] != 0;
    switch (phase_.load()) {
        case ExchangePhase::Erase:
            if (rejected) {
                status_.setStatusText("Erase Failed");
                sequenceError_ = ResultCode::EraseFailed;
                setPhase(ExchangePhase::Idle, true, true);
            } else if (requestKind_.load() == RequestKind::Write) {
                status_.setStatusText("Erase Completed");
                setPhase(ExchangePhase::Transfer, false, true);
                handleGenericTransfer();
            } else {
                status_.setStatusText("Erase Completed");
                status_.advanceOverall(kSkippedOverallSteps);
                setPhase(ExchangePhase::Idle, false, true);
            }
            break;
        case ExchangePhase::Checksum:
            finishChecksum(rejected);
            break;
        case ExchangePhase::Transfer:
            if (rejected) {
                failTransfer();
            } else {
                handleGenericTransfer();
            }
            break;
        case ExchangePhase::Idle:
            break;
    }
}

// ---- type-3 and type-4 units ------------------------------------------------

ResultCode UpdateEngine::runSegmentedUnit(data::UnitRecord& unit, bool typeFour, bool& anythingDone) {
    ResultCode result = ResultCode::Ok;
    for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
        data::ImageRow& row = *unit.row(i);
        if (!row.effectiveSelection()) {
            continue;
        }
        anythingDone = true;
        savedOverall_ = status_.overallPos();
        result = typeFour ? runType4Image(unit, row, i) : runType3Image(unit, row, i);
        if (result == ResultCode::WrongTarget) {
            row.setSelected(false);
        }
        // The unit restarts after each image; give it time before the next one.
        status_.setCancelEnabled(false);
        std::this_thread::sleep_for(result == ResultCode::Ok ? settleAfterSuccess_ : settleAfterFailure_);
        status_.setCancelEnabled(true);
    }
    return result;
}

namespace {
// The common result rule of a wait in the type-3 and type-4 image steps.
ResultCode afterWait(ResultCode waited, bool errorFlag) {
    if (waited != ResultCode::Ok) {
        return waited;
    }
    return errorFlag ? ResultCode::Failed : ResultCode::Ok;
}
}  // namespace

ResultCode UpdateEngine::runType3Image(data::UnitRecord& unit, data::ImageRow& row, std::int32_t index) {
    setSequenceTitles(unit, row);
    targetAddress_ = host::kSegmentedTarget;
    sequenceError_ = ResultCode::Ok;
    ResultCode result = prepareTransfer(row);
    if (result != ResultCode::Ok) {
        return result;
    }
    return runSelectAndTransfer(row, rowMask(index), false);
}

ResultCode UpdateEngine::runSelectAndTransfer(data::ImageRow& row, std::uint16_t mask, bool typeFour) {
    setPhase(ExchangePhase::Erase, false, true);
    status_.setStatusText("Erasing...");
    host::Buffer message;
    if (typeFour) {
        send(message, host::buildType4Select(message, mask));
    } else if (interfaceOpen_) {
        send(message, host::buildType3Select(message, pcAddress_, mask));
    }
    ResultCode result = afterWait(waitForExchange(), status_.errorFlag());
    if (result == ResultCode::WrongTarget) {
        row.setSelected(false);
    }
    if (result != ResultCode::Ok) {
        return result;
    }
    if (requestKind_.load() == RequestKind::EraseOnly) {
        status_.advanceOverall(kSkippedOverallSteps);
        row.setSelected(false);
        return ResultCode::Ok;
    }
    setPhase(ExchangePhase::Transfer, false, true);
    send(message,
         typeFour ? host::buildType4WriteStart(message, mask) : host::buildType3WriteStart(message, mask));
    std::this_thread::sleep_for(kWriteStartPause);
    // Type 3 keeps its cursors: the acknowledgement of the write start sends
    // this block again.
    sendSegmentedBlock(false, typeFour);
    result = afterWait(waitForExchange(), status_.errorFlag());
    if (result != ResultCode::Ok) {
        return result;
    }
    row.setSelected(false);
    return ResultCode::Ok;
}

ResultCode UpdateEngine::loadSegmentedImage(data::ImageRow& row) {
    status_.setFileName(row.fileName());
    row.setTopAddress(data::FlashImage::kSegmentedBaseAddress);
    flashImage_->allocate(data::FlashImage::kSegmentedWindowSize);
    const data::ImageLoadResult loaded =
        flashImage_->loadClipping(row.filePath(), data::FlashImage::kSegmentedBaseAddress);
    if (!loaded.ok()) {
        status_.setStatusText(loaded.errorText);
        return ResultCode::ImageError;
    }
    flashImage_->buildBlockChecksumTable();
    status_.setLowAddress(flashImage_->lowestAddress());
    status_.setHighAddress(flashImage_->highestAddress());
    status_.setChecksum(flashImage_->checksum());
    status_.setCurrentPos(0);
    return ResultCode::Ok;
}

ResultCode UpdateEngine::runType4Image(data::UnitRecord& unit, data::ImageRow& row, std::int32_t index) {
    setSequenceTitles(unit, row);
    pcAddress_ = host::kHostPcAddress;
    targetAddress_ = host::kSegmentedTarget;
    bootMode_ = false;
    sequenceError_ = ResultCode::Ok;
    if (operationCode_ == data::OperationCode::Erase) {
        status_.setCurrentTotal(kType4EraseOnlyCurrentSteps);
        status_.setCurrentPos(0);
        requestKind_ = RequestKind::EraseOnly;
    } else if (operationCode_ == data::OperationCode::Write) {
        const ResultCode loaded = loadSegmentedImage(row);
        if (loaded != ResultCode::Ok) {
            return loaded;
        }
        blockMask_ = flashImage_->blockMask();
        status_.setCurrentTotal(kType4StepsPerSegment * flashImage_->blocksToWrite() + kExtraTransferSteps);
        requestKind_ = RequestKind::Write;
        // Block 0 and every block i are taken from their fixed places in the
        // window, as the unit addresses they are written to.
        unitCursor_ = data::FlashImage::kSegmentedBaseAddress;
        sourceCursor_ = 0;
    } else {
        return ResultCode::DeviceError;
    }
    segmentBlocks_ = 0;
    blockStage_ = 0;
    blockIndex_ = 0;
    return runSelectAndTransfer(row, rowMask(index), true);
}

void UpdateEngine::sendSegmentedBlock(bool advanceBar, bool advanceCursors) {
    const std::uint32_t cursor = sourceCursor_.load();
    const std::uint32_t unitAddress = unitCursor_.load();
    std::array<std::uint8_t, host::kDataBlockSize> block;
    copyBlock(cursor, block);
    // The cursors move before the block leaves: its acknowledgement may be
    // handled on the receive thread before this call returns.
    if (advanceCursors) {
        sourceCursor_ = cursor + host::kDataBlockSize;
        unitCursor_ = unitAddress + host::kDataBlockSize;
    }
    if (advanceBar) {
        status_.advanceCurrent();
    }
    host::Buffer message;
    send(message, host::buildSegmentedDataBlock(message, unitAddress, block.data()));
}

void UpdateEngine::handleType3(const host::HostMessage& message) {
    if (message.sender != host::kSegmentedTarget) {
        return;
    }
    const ExchangePhase phase = phase_.load();
    host::Buffer out;
    if (message.command == host::kCommandSegmented) {
        if (phase == ExchangePhase::Erase && message.address == host::kSelectRegister) {
            resetIdleTicks();
            const std::uint16_t echo = word(message.payload, 0);
            const std::uint16_t refusal = word(message.payload, 2);
            if (echo != 0) {
                send(out, host::buildType3Echo(out, echo));
            } else {
                finishSelect(refusal != 0);
            }
        } else if (phase == ExchangePhase::Checksum) {
            resetIdleTicks();
            finishChecksum(word(message.payload, 0) != 0);
        }
        return;
    }
    if (message.address != host::kStatusReplyRegister || phase != ExchangePhase::Transfer) {
        return;
    }
    resetIdleTicks();
    if (message.payload[0] != 0) {
        failTransfer();
    } else if (sourceCursor_.load() > sourceEnd_.load()) {
        setPhase(ExchangePhase::Checksum, false, false);
        const std::uint16_t checksum = imageChecksum_.load();
        status_.setStatusText(formatText("  Writing Checksum %04XH", static_cast<unsigned>(checksum)));
        if (interfaceOpen_) {
            send(out, host::buildType3Checksum(out, pcAddress_, checksum));
        }
    } else {
        const std::uint32_t unitAddress = unitCursor_.load();
        status_.setStatusText(formatText("  Writing %08XH - %08XH", unitAddress, unitAddress + 127));
        sendSegmentedBlock(true);
    }
}

void UpdateEngine::handleType4(const host::HostMessage& message) {
    if (message.sender != host::kSegmentedTarget) {
        return;
    }
    resetIdleTicks();
    const ExchangePhase phase = phase_.load();
    host::Buffer out;
    if (message.command == host::kCommandSegmented) {
        if (phase == ExchangePhase::Erase) {
            const std::uint16_t echo = word(message.payload, 0);
            const std::uint16_t refusal = word(message.payload, 2);
            if (echo != 0) {
                send(out, host::buildType4Select(out, rowMask(echo % 32)));
            } else {
                finishSelect(refusal != 0);
            }
        } else if (phase == ExchangePhase::Checksum && message.address == host::kType4WriteStartRegister) {
            sequenceError_ = word(message.payload, 0) != 0 ? ResultCode::WriteFailed : ResultCode::Ok;
            setPhase(ExchangePhase::Idle, false, true);
        }
        return;
    }
    if (message.address != host::kStatusReplyRegister || phase != ExchangePhase::Transfer) {
        return;
    }
    if (message.payload[0] != 0) {
        failTransfer();
        return;
    }
    const std::uint32_t unitAddress = unitCursor_.load();
    const std::uint32_t base = data::FlashImage::kSegmentedBaseAddress;
    if (unitAddress >= base && unitAddress < base + kFirstSegmentEnd) {
        status_.setStatusText(
            formatText("Writing %08XH - %08XH (Block 0000)", unitAddress, unitAddress + 127));
        sendSegmentedBlock(false);
        if (unitCursor_.load() >= base + kFirstSegmentEnd) {
            unitCursor_ = base + data::FlashImage::kBlockSize;
            blockStage_ = 1;
            blockIndex_ = 1;
            sourceCursor_ = data::FlashImage::kBlockSize;
            status_.advanceCurrent();
        }
        return;
    }
    if (blockStage_.load() == 1) {
        segmentBlocks_ = 0;
        bool found = false;
        const std::uint8_t mask = blockMask_.load();
        for (std::int32_t i = blockIndex_.load(); i <= kLastSegmentIndex; ++i) {
            if (i < 8 && (mask & (1u << i)) != 0) {
                blockStage_ = 2;
                blockIndex_ = i + 1;
                found = true;
                break;
            }
            sourceCursor_ += data::FlashImage::kBlockSize;
            unitCursor_ += data::FlashImage::kBlockSize;
        }
        if (!found) {
            blockIndex_ = kLastSegmentIndex + 1;
            setPhase(ExchangePhase::Checksum, false, false);
            if (interfaceOpen_) {
                send(out, host::buildType4EndOfWrite(out, pcAddress_));
            }
            return;
        }
    }
    if (blockStage_.load() == 2) {
        const std::uint32_t address = unitCursor_.load();
        status_.setStatusText(
            formatText("Writing %08XH - %08XH (Block %04d)", address, address + 127, blockIndex_.load() - 1));
        sendSegmentedBlock(true);
        if (++segmentBlocks_ >= kBlocksPerSegment) {
            segmentBlocks_ = 0;
            blockStage_ = 1;
        }
    }
}

}  // namespace engine
