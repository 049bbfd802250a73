#pragma once

#include "engine/OperationContext.h"
#include "engine/ResultCode.h"
#include "engine/TransferRecords.h"

namespace data {
class ImageRow;
class UnitRecord;
}  // namespace data

namespace engine {

// The title of the status window for one image ("unit (cpu version)"), and an empty file text.
void showSequenceTitles(StatusModel& status, const data::UnitRecord& unit, const data::ImageRow& row);

// For a write of the generic and type-3 sequences: loads the row's image
// into the 512 KB window and fills transfer with where its blocks go and
// its checksum. For an erase only: the Current bar of an erase. Sets the
// request kind of the exchange either way.
ResultCode prepareImageTransfer(OperationContext& context, data::ImageRow& row, ImageTransfer& transfer);

// Loads a type-4 or direct-path image into the 1 MB window at 0x300000 with
// its block checksum table, and shows its range and checksum.
ResultCode loadSegmentedImage(OperationContext& context, data::ImageRow& row);

// The mask of the row at index in its unit's select and write-start messages.
std::uint16_t rowMask(std::int32_t index);

}  // namespace engine
