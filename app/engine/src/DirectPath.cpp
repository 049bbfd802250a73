#include "DirectPath.h"

#include "BootLoaderAnswers.h"
#include "DirectLink.h"
#include "Sequences.h"
#include "StatusText.h"
#include "data/FlashImage.h"
#include "data/UnitRecord.h"
#include "engine/FrontEnd.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

using data::FlashImage;

// Erase blocks: block 0 holds the first 4 KB; 64 KB block i is erase block i + 3.
constexpr std::uint8_t kFirstSegmentEraseBlock = 0;
constexpr std::int32_t kEraseBlockOffset = 3;
constexpr std::int32_t kSegmentCount = 15;
// Only blocks 1 to 7 can be marked: the mask is one byte.
constexpr std::int32_t kMaskBits = 8;
constexpr std::int32_t kStepsPerSegment = 17;
constexpr std::int32_t kEraseOnlyCurrentSteps = 18;
constexpr std::int32_t kExtraSteps = 4;
constexpr std::int32_t kOverallStepsPerErase = 3;
constexpr std::int32_t kOverallStepsPerWrite = 4;

bool segmentMarked(std::uint8_t mask, std::int32_t segment) {
    return segment < kMaskBits && (mask & (1u << segment)) != 0;
}

std::uint8_t eraseBlockOf(std::int32_t segment) {
    return static_cast<std::uint8_t>(segment + kEraseBlockOffset);
}

}  // namespace

void DirectPath::prepare() {
    unit_.loadRows(data::initialRowSelection(context_.operation.writingPort));
}

bool DirectPath::beginAttempt() {
    StatusModel& status = context_.status;
    status.setErrorFlag(false);
    status.setFinishedFlag(false);
    status.setCurrentTotal(0);
    status.setCurrentPos(0);
    status.setOverallTotal(0);
    status.setOverallPos(0);
    const std::int32_t steps = context_.operation.writes() ? kOverallStepsPerWrite : kOverallStepsPerErase;
    status.setOverallTotal(unit_.countSelectedRows() * steps);
    return true;
}

AttemptResult DirectPath::runAttempt() {
    AttemptResult outcome;
    for (int i = 0; i < unit_.rowCount() && outcome.result == ResultCode::Ok; ++i) {
        data::ImageRow& row = *unit_.row(i);
        if (row.effectiveSelection()) {
            outcome.anythingDone = true;
            outcome.result = runImage(row);
        }
    }
    if (outcome.anythingDone) {
        unit_.setResultText(context_.operation.writes() ? std::string(resultText(outcome.result))
                                                        : std::string());
    }
    return outcome;
}

void DirectPath::finish() {
    if (context_.bootMode) {
        link_.changeBootMode(target_, false);
        context_.bootMode = false;
    }
}

ResultCode DirectPath::runImage(data::ImageRow& row) {
    StatusModel& status = context_.status;
    showSequenceTitles(status, unit_, row);
    target_ = static_cast<std::uint8_t>(row.busAddress());
    status.setStatusText("Exit Text Mode");
    if (link_.leaveTextMode() != ResultCode::Ok) {
        status.setStatusText(formatText("Failed to open \"%s\"", context_.operation.comm.deviceName.c_str()));
        return ResultCode::OpenFailed;
    }
    const ResultCode entered = enterBootMode();
    if (entered != ResultCode::Ok) {
        return entered;
    }
    bool done = true;
    if (context_.operation.erases()) {
        done = eraseAll();
    } else {
        ResultCode loaded = ResultCode::Ok;
        done = eraseAndWrite(row, loaded);
        if (loaded != ResultCode::Ok) {
            return loaded;
        }
    }
    status.advanceOverall(1);
    if (!done) {
        return ResultCode::Failed;
    }
    row.setSelected(false);
    return ResultCode::Ok;
}

ResultCode DirectPath::enterBootMode() {
    link_.wake();
    context_.status.setStatusText("Changing BOOT mode");
    if (link_.changeBootMode(target_, true) != ResultCode::Ok) {
        context_.status.setStatusText("Failed in connecting");
        return ResultCode::DeviceError;
    }
    link_.wake();
    context_.status.advanceOverall(1);
    context_.bootMode = true;
    return ResultCode::Ok;
}

bool DirectPath::eraseBlock(std::uint8_t block) {
    if (link_.eraseBlock(target_, block) != ResultCode::Ok) {
        context_.user().showMessage(formatText("Failed in Flash Erasing Block%02d", block),
                                    core::MessageIcon::Stop);
        return false;
    }
    context_.status.advanceCurrent();
    return true;
}

bool DirectPath::eraseAll() {
    context_.status.setCurrentTotal(kEraseOnlyCurrentSteps);
    context_.status.setCurrentPos(0);
    bool erased = eraseBlock(kFirstSegmentEraseBlock);
    for (std::int32_t i = 1; i <= kSegmentCount && erased; ++i) {
        erased = eraseBlock(eraseBlockOf(i));
    }
    return erased;
}

bool DirectPath::eraseAndWrite(data::ImageRow& row, ResultCode& loadResult) {
    loadResult = loadSegmentedImage(context_, row);
    if (loadResult != ResultCode::Ok) {
        return false;
    }
    const std::uint8_t mask = context_.image.blockMask();
    context_.status.setCurrentTotal(kStepsPerSegment * context_.image.blocksToWrite() + kExtraSteps);
    bool erased = eraseBlock(kFirstSegmentEraseBlock);
    for (std::int32_t i = 1; i <= kSegmentCount && erased; ++i) {
        if (segmentMarked(mask, i)) {
            erased = eraseBlock(eraseBlockOf(i));
        }
    }
    return erased && writeImage(mask);
}

bool DirectPath::writeImage(std::uint8_t mask) {
    context_.status.advanceOverall(1);
    const std::uint8_t* window = context_.image.bytes().data();
    ResultCode written =
        link_.write(target_, FlashImage::kSegmentedBaseAddress, window, DirectLink::kChunkSize);
    for (std::int32_t i = 1; i <= kSegmentCount && written == ResultCode::Ok; ++i) {
        if (segmentMarked(mask, i)) {
            const std::uint32_t offset = static_cast<std::uint32_t>(i) * FlashImage::kBlockSize;
            written = link_.write(target_, FlashImage::kSegmentedBaseAddress + offset, window + offset,
                                  FlashImage::kBlockSize);
        }
    }
    if (written != ResultCode::Ok) {
        context_.user().showMessage("Failed in decompressing", core::MessageIcon::Stop);
        return false;
    }
    return true;
}

ResultCode DirectPath::readVersions() {
    ResultCode result = ResultCode::Ok;
    bool firstMerged = true;
    for (int i = 0; i < unit_.rowCount() && result == ResultCode::Ok; ++i) {
        data::ImageRow& row = *unit_.row(i);
        row.resetRomVersion();
        const std::string text = link_.readVersionText();
        if (!boot::BootLoaderAnswers::isVersionText(text)) {
            context_.user().showMessage("Can't get version", core::MessageIcon::Stop);
            result = ResultCode::DeviceError;
        } else {
            row.setRomVersionText(text);
            unit_.mergeRowVersion(i, firstMerged);
            firstMerged = false;
        }
    }
    return result;
}

}  // namespace engine
