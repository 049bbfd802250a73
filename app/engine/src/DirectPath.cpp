// Direct boot-loader path for units of type 2: the engine drives the unit's
// boot loader itself over DirectPort, one open and close of the port per
// frame exchange, and sends firmware in 4 KB chunks, compressed when that
// makes them smaller.
#include <algorithm>
#include <string>
#include <thread>

#include "StatusText.h"
#include "data/FlashImage.h"
#include "data/UnitRecord.h"
#include "engine/BootLoaderAnswers.h"
#include "engine/BootLoaderFrames.h"
#include "engine/DirectPort.h"
#include "engine/OperationHost.h"
#include "engine/UpdateEngine.h"

namespace engine {

namespace {

using std::chrono::milliseconds;

constexpr std::uint32_t kChunkSize = 4096;
constexpr int kBootAnswerTimeoutMs = 5000;
constexpr int kEraseAnswerTimeoutMs = 2000;
constexpr int kChunkDoneTimeoutMs = 5000;
constexpr milliseconds kWakePause{200};
constexpr milliseconds kBootEnterPause{500};
constexpr milliseconds kTextModeLeftPause{1000};
constexpr milliseconds kTextModeSilentPause{5000};
// Erase blocks: block 0 holds the first 4 KB; 64 KB block i is erase block i + 3.
constexpr std::uint8_t kFirstSegmentEraseBlock = 0;
constexpr std::uint8_t kEraseBlockOffset = 3;
constexpr std::int32_t kSegmentCount = 15;
constexpr std::int32_t kDirectStepsPerSegment = 17;
constexpr std::int32_t kDirectEraseOnlyCurrentSteps = 18;
constexpr std::int32_t kDirectExtraSteps = 4;
constexpr std::int32_t kOverallStepsPerErase = 3;
constexpr std::int32_t kOverallStepsPerWrite = 4;

}  // namespace

ResultCode UpdateEngine::directWake() {
    boot::Frame frame;
    if (directPort_->open(comm_.deviceName)) {
        directPort_->write(std::span<const std::uint8_t>(frame.data(), boot::buildWake(frame)));
        directPort_->close();
    }
    std::this_thread::sleep_for(kWakePause);
    return ResultCode::Ok;
}

ResultCode UpdateEngine::directFrameExchange(const std::uint8_t* frame, std::size_t length,
                                             std::uint8_t answerCommand, int firstByteTimeoutMs) {
    if (!directPort_->open(comm_.deviceName)) {
        return ResultCode::OpenFailed;
    }
    ResultCode result = ResultCode::DeviceError;
    if (directPort_->write(std::span<const std::uint8_t>(frame, length))) {
        result = boot::BootLoaderAnswers::readShortAnswer(*directPort_, answerCommand, firstByteTimeoutMs);
    }
    directPort_->close();
    return result;
}

ResultCode UpdateEngine::directBootChange(bool enter) {
    boot::Frame frame;
    const std::size_t length = boot::buildBootMode(frame, targetAddress_, enter);
    const ResultCode result = directFrameExchange(
        frame.data(), length, boot::kCommandBootMode | boot::kAnswerBit, kBootAnswerTimeoutMs);
    if (enter) {
        std::this_thread::sleep_for(kBootEnterPause);
    }
    return result;
}

ResultCode UpdateEngine::directEraseBlock(std::uint8_t block) {
    status_.setStatusText(formatText("Erasing Block %02d ...", block));
    boot::Frame frame;
    const std::size_t length = boot::buildEraseBlock(frame, targetAddress_, block);
    return directFrameExchange(frame.data(), length, boot::kCommandErase | boot::kAnswerBit,
                               kEraseAnswerTimeoutMs);
}

ResultCode UpdateEngine::directWrite(std::uint32_t unitAddress, const std::uint8_t* source,
                                     std::uint32_t length) {
    const std::uint8_t target = targetAddress_;
    boot::Frame frame;
    while (length > 0) {
        const std::uint32_t chunkLength = std::min(length, kChunkSize);
        const std::uint8_t* data = source;
        std::uint32_t sendLength = chunkLength;
        bool compressed = false;
        if (compress_ != nullptr) {
            const std::uint32_t packed = compress_(source, chunkLength, compressionBuffer_.data());
            if (packed > 0 && packed < chunkLength) {
                data = compressionBuffer_.data();
                sendLength = packed;
                compressed = true;
            }
        }
        for (std::uint32_t offset = 0; offset < sendLength; offset += boot::kMaxPiece) {
            status_.setStatusText(formatText("Writing %08XH - %08XH (Rest %04d)", unitAddress,
                                             unitAddress + kChunkSize - 1,
                                             static_cast<int>(sendLength - offset)));
            const std::uint32_t piece = std::min<std::uint32_t>(boot::kMaxPiece, sendLength - offset);
            const std::uint32_t address =
                compressed ? (offset | boot::kCompressedAddressBit) : unitAddress + offset;
            const std::size_t frameLength =
                boot::buildData(frame, target, address, std::span<const std::uint8_t>(data + offset, piece));
            if (!directPort_->open(comm_.deviceName)) {
                return ResultCode::DeviceError;
            }
            const bool written = directPort_->write(std::span<const std::uint8_t>(frame.data(), frameLength));
            directPort_->close();
            if (!written) {
                return ResultCode::DeviceError;
            }
        }
        if (compressed) {
            status_.setStatusText(
                formatText("Writing %08XH - %08XH(Wait Done)", unitAddress, unitAddress + kChunkSize - 1));
            if (!directPort_->open(comm_.deviceName)) {
                return ResultCode::DeviceError;
            }
            const std::size_t frameLength = boot::buildChunkDone(frame, target, unitAddress);
            const bool confirmed =
                directPort_->write(std::span<const std::uint8_t>(frame.data(), frameLength)) &&
                boot::BootLoaderAnswers::readChunkDoneAnswer(*directPort_, target, unitAddress,
                                                             kChunkDoneTimeoutMs);
            directPort_->close();
            if (!confirmed) {
                return ResultCode::DeviceError;
            }
        }
        status_.advanceCurrent();
        unitAddress += kChunkSize;
        source += chunkLength;
        length -= chunkLength;
    }
    return ResultCode::Ok;
}

ResultCode UpdateEngine::directImageSteps(data::UnitRecord& unit, data::ImageRow& row) {
    setSequenceTitles(unit, row);
    targetAddress_ = static_cast<std::uint8_t>(row.busAddress());

    status_.setStatusText("Exit Text Mode");
    if (!directPort_->open(comm_.deviceName)) {
        status_.setStatusText(formatText("Failed to open \"%s\"", comm_.deviceName.c_str()));
        return ResultCode::OpenFailed;
    }
    static constexpr std::uint8_t kExitCommand[] = {'e', 'x', 'i', 't', '\r'};
    directPort_->write(kExitCommand);
    if (boot::BootLoaderAnswers::countTextAnswer(*directPort_) > 0) {
        std::this_thread::sleep_for(kTextModeLeftPause);
    } else {
        status_.setStatusText("Waiting Comm timeout");
        std::this_thread::sleep_for(kTextModeSilentPause);
    }
    directPort_->close();

    directWake();
    status_.setStatusText("Changing BOOT mode");
    if (directBootChange(true) != ResultCode::Ok) {
        status_.setStatusText("Failed in connecting");
        return ResultCode::DeviceError;
    }
    directWake();
    status_.advanceOverall(1);
    bootMode_ = true;

    bool failed = false;
    auto eraseBlock = [this, &failed](std::uint8_t block) {
        if (failed) {
            return;
        }
        if (directEraseBlock(block) != ResultCode::Ok) {
            showMessage(formatText("Failed in Flash Erasing Block%02d", block), true);
            failed = true;
            return;
        }
        status_.advanceCurrent();
    };

    if (operationCode_ == data::OperationCode::Erase) {
        status_.setCurrentTotal(kDirectEraseOnlyCurrentSteps);
        status_.setCurrentPos(0);
        requestKind_ = RequestKind::EraseOnly;
        eraseBlock(kFirstSegmentEraseBlock);
        for (std::int32_t i = 1; i <= kSegmentCount; ++i) {
            eraseBlock(static_cast<std::uint8_t>(i + kEraseBlockOffset));
        }
    } else {
        const ResultCode loaded = loadSegmentedImage(row);
        if (loaded != ResultCode::Ok) {
            return loaded;
        }
        const std::uint8_t mask = flashImage_->blockMask();
        status_.setCurrentTotal(kDirectStepsPerSegment * flashImage_->blocksToWrite() + kDirectExtraSteps);
        requestKind_ = RequestKind::Write;
        auto segmentSelected = [mask](std::int32_t i) { return i < 8 && (mask & (1u << i)) != 0; };
        eraseBlock(kFirstSegmentEraseBlock);
        for (std::int32_t i = 1; i <= kSegmentCount; ++i) {
            if (segmentSelected(i)) {
                eraseBlock(static_cast<std::uint8_t>(i + kEraseBlockOffset));
            }
        }
        if (!failed) {
            status_.advanceOverall(1);
            const std::uint8_t* window = flashImage_->bytes().data();
            ResultCode written = directWrite(data::FlashImage::kSegmentedBaseAddress, window, kChunkSize);
            for (std::int32_t i = 1; i <= kSegmentCount && written == ResultCode::Ok; ++i) {
                if (segmentSelected(i)) {
                    const std::uint32_t offset = static_cast<std::uint32_t>(i) * data::FlashImage::kBlockSize;
                    written = directWrite(data::FlashImage::kSegmentedBaseAddress + offset, window + offset,
                                          data::FlashImage::kBlockSize);
                }
            }
            if (written != ResultCode::Ok) {
                showMessage("Failed in decompressing", true);
                failed = true;
            }
        }
    }
    status_.advanceOverall(1);
    if (failed) {
        return ResultCode::Failed;
    }
    row.setSelected(false);
    return ResultCode::Ok;
}

ResultCode UpdateEngine::directUpdate(data::UnitRecord& unit) {
    setMainWindowEnabled(false);
    if (withStatusWindow_ && host_ != nullptr) {
        host_->showStatusWindow(status_);
    }
    currentUnit_ = &unit;
    currentUnitType_ = unit.unitType() & 0xFF;
    unit.loadRows(data::initialRowSelection(writingPort_));
    const bool write = operationCode_ == data::OperationCode::Write;
    ResultCode result = ResultCode::Ok;
    for (std::int32_t attempt = 1; attempt <= retryCount_.load(); ++attempt) {
        status_.setErrorFlag(false);
        status_.setFinishedFlag(false);
        status_.setCurrentTotal(0);
        status_.setCurrentPos(0);
        status_.setOverallTotal(0);
        status_.setOverallPos(0);
        status_.setOverallTotal(unit.countSelectedRows() *
                                (write ? kOverallStepsPerWrite : kOverallStepsPerErase));
        result = ResultCode::Ok;
        bool anythingDone = false;
        for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
            data::ImageRow& row = *unit.row(i);
            if (row.effectiveSelection()) {
                anythingDone = true;
                result = directImageSteps(unit, row);
            }
        }
        if (anythingDone) {
            unit.setResultText(write ? std::string(resultText(result)) : std::string());
        }
        if (!anythingDone) {
            status_.setErrorFlag(true);
            status_.setStatusText("No anyting !!!");
            break;
        }
        if (result == ResultCode::Ok) {
            status_.setErrorFlag(false);
            status_.setStatusText(completedText(write, attempt - 1));
            break;
        }
        status_.setErrorFlag(true);
        if (result != ResultCode::TimedOut) {
            break;
        }
        if (attempt >= retryCount_.load()) {
            status_.setStatusText("Retry TimeOut !!!");
            break;
        }
        status_.setStatusText(formatText("Time Out - Failed(%d)", attempt));
        if (!waitTicksCancellable(retryTicks_.load())) {
            result = ResultCode::Cancelled;
            break;
        }
    }
    status_.setCancelEnabled(false);
    status_.setFinishedFlag(true);
    if (bootMode_) {
        directBootChange(false);
        bootMode_ = false;
    }
    finishAndAwaitOk();
    return result;
}

ResultCode UpdateEngine::directGetVersion(data::UnitRecord& unit, bool oneUnit) {
    if (oneUnit) {
        setMainWindowEnabled(false);
        currentUnit_ = &unit;
        unit.loadRows(data::initialRowSelection(writingPort_));
    }
    ResultCode result = ResultCode::Ok;
    bool firstMerged = true;
    for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
        data::ImageRow& row = *unit.row(i);
        row.resetRomVersion();
        directPort_->open(comm_.deviceName);
        std::uint8_t byte = 0;
        while (directPort_->readByte(byte, boot::BootLoaderAnswers::kVersionSilenceMs)) {
        }
        static constexpr std::uint8_t kVersionCommand[] = {'V', 'E', 'R', '\r'};
        directPort_->write(kVersionCommand);
        const std::string text = boot::BootLoaderAnswers::readVersionReply(*directPort_);
        directPort_->close();
        if (!boot::BootLoaderAnswers::isVersionText(text)) {
            showMessage("Can't get version", true);
            result = ResultCode::DeviceError;
        } else {
            row.setRomVersionText(text);
            unit.mergeRowVersion(i, firstMerged);
            firstMerged = false;
        }
    }
    if (oneUnit) {
        finishGetVersion(result);
        currentUnit_ = nullptr;
    }
    return result;
}

}  // namespace engine
