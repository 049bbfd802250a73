#include "Sequences.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "SequenceAnswers.h"
#include "data/FlashImage.h"
#include "data/UnitRecord.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

// Current-bar steps beyond the blocks of a write, and of an erase only.
constexpr std::int32_t kExtraTransferSteps = 4;
constexpr std::int32_t kEraseOnlyCurrentSteps = 2;

}  // namespace

DataBlock blockAt(std::span<const std::uint8_t> window, std::uint32_t offset) {
    DataBlock block;
    block.fill(data::FlashImage::kErasedByte);
    if (offset < window.size()) {
        std::memcpy(block.data(), window.data() + offset,
                    std::min<std::size_t>(block.size(), window.size() - offset));
    }
    return block;
}

void showSequenceTitles(StatusModel& status, const data::UnitRecord& unit, const data::ImageRow& row) {
    char title[256];
    std::snprintf(title, sizeof title, "%s (%s %s)", unit.name().c_str(), row.cpuName().c_str(),
                  row.fileVersionText().c_str());
    status.setTitle(title);
    status.setFileName("");
}

void nextStage(StatusModel& status, bool failed) {
    status.advanceCurrent();
    status.advanceOverall(1);
    status.setErrorFlag(failed);
}

ResultCode answerChecksum(StatusModel& status, bool refused) {
    status.setStatusText(answers::checksumAnswerText(refused));
    nextStage(status, refused);
    return refused ? ResultCode::ChecksumFailed : ResultCode::Ok;
}

ResultCode prepareImageTransfer(const OperationContext& context, data::ImageRow& row,
                                ImageTransfer& transfer) {
    StatusModel& status = context.status;
    if (context.operation.erases()) {
        status.setCurrentTotal(kEraseOnlyCurrentSteps);
        status.setCurrentPos(0);
        return ResultCode::Ok;
    }
    if (!context.operation.writes()) {
        return ResultCode::DeviceError;
    }
    status.setFileName(row.fileName());
    data::FlashImage& image = context.image;
    image.allocate(data::FlashImage::kStandardWindowSize);
    const data::ImageLoadResult loaded = image.loadStrict(row.filePath(), row.topAddress());
    if (!loaded.ok()) {
        status.setStatusText(loaded.errorText);
        return ResultCode::ImageError;
    }
    const std::uint32_t lowest = image.lowestAddress();
    const std::uint32_t highest = image.highestAddress();
    if (lowest > highest) {
        // A file of header and end records only: there is nothing to write.
        status.setStatusText("Data is Empty!");
        return ResultCode::ImageError;
    }
    status.setLowAddress(lowest);
    status.setHighAddress(highest);
    status.setChecksum(image.checksum());
    transfer.checksum = image.checksum();
    status.setCurrentPos(0);
    const std::uint32_t blocks = (highest - lowest + host::kDataBlockSize - 1) / host::kDataBlockSize;
    status.setCurrentTotal(static_cast<std::int32_t>(blocks) + kExtraTransferSteps);
    transfer.cursor.source = lowest - image.baseAddress();
    transfer.cursor.end = highest - image.baseAddress();
    transfer.cursor.unit = lowest - row.topAddress() + row.flashAddress();
    return ResultCode::Ok;
}

ResultCode loadSegmentedImage(const OperationContext& context, data::ImageRow& row) {
    StatusModel& status = context.status;
    data::FlashImage& image = context.image;
    status.setFileName(row.fileName());
    row.setTopAddress(data::FlashImage::kSegmentedBaseAddress);
    image.allocate(data::FlashImage::kSegmentedWindowSize);
    const data::ImageLoadResult loaded =
        image.loadClipping(row.filePath(), data::FlashImage::kSegmentedBaseAddress);
    if (!loaded.ok()) {
        status.setStatusText(loaded.errorText);
        return ResultCode::ImageError;
    }
    image.buildBlockChecksumTable();
    status.setLowAddress(image.lowestAddress());
    status.setHighAddress(image.highestAddress());
    status.setChecksum(image.checksum());
    status.setCurrentPos(0);
    return ResultCode::Ok;
}

std::uint16_t rowMask(std::int32_t index) {
    return static_cast<std::uint16_t>(1u << (index & 31));
}

}  // namespace engine
