#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>

#include "Operation.h"
#include "engine/HostMessages.h"
#include "engine/ResultCode.h"

namespace data {
class ImageRow;
class UnitRecord;
}  // namespace data

// The flash sequences of the host interface, each one conversation on the
// line that the worker runs from its first request to its last answer, and
// what they share with the direct path: the blocks of an image, its set-up
// and the steps it shows.
namespace engine {

// Where a transfer of 128-byte blocks stands.
struct BlockCursor {
    std::uint32_t source = 0;  // window offset of the next block to send
    std::uint32_t end = 0;     // window offset of the last byte to send
    std::uint32_t unit = 0;    // unit address the next block is written to

    bool passedEnd() const { return source > end; }
    void advance() {
        source += host::kDataBlockSize;
        unit += host::kDataBlockSize;
    }
};

using DataBlock = std::array<std::uint8_t, host::kDataBlockSize>;

// The 128 bytes of the window at offset. A last block that runs past the
// window is padded as erased flash.
DataBlock blockAt(std::span<const std::uint8_t> window, std::uint32_t offset);

// The blocks of one image and the checksum that follows them (generic and
// type-3 sequences).
struct ImageTransfer {
    BlockCursor cursor;
    std::uint16_t checksum = 0;
};

// The title of the status window for one image ("unit (cpu version)"), and an empty file text.
void showSequenceTitles(StatusModel& status, const data::UnitRecord& unit, const data::ImageRow& row);

// The exchange of an image moves on to its next stage (erase, transfer,
// checksum, end): one step on both bars, the status line red when it failed.
void nextStage(StatusModel& status, bool failed);

// For a write of the generic and type-3 sequences: loads the row's image
// into the 512 KB window and fills transfer with where its blocks go and
// its checksum. For an erase only: the Current bar of an erase.
ResultCode prepareImageTransfer(const OperationContext& context, data::ImageRow& row,
                                ImageTransfer& transfer);

// Loads a type-4 or direct-path image into the 1 MB window at 0x300000 with
// its block checksum table, and shows its range and checksum.
ResultCode loadSegmentedImage(const OperationContext& context, data::ImageRow& row);

// The mask of the row at index in its unit's select and write-start messages.
std::uint16_t rowMask(std::int32_t index);

// The answer to an image checksum ends the image's exchange.
ResultCode answerChecksum(StatusModel& status, bool refused);

// ---- the generic sequence --------------------------------------------------------

// One image of the generic sequence as it goes on the line.
struct GenericImage {
    std::uint8_t target = 0;
    bool eraseOnly = false;
    ImageTransfer transfer;  // a write's blocks and checksum
    // The unit keeps a 1 KB area that the erase would lose: it is read back
    // into the window before the erase and written back after the image.
    bool readsBack = false;
    std::uint32_t readBackArea = 0;  // window offset that receives the area
};

// The generic sequence of one selected image (units of every type but 2, 3
// and 4, and type-3 units through Card Direct): the erase, then the image
// in 128-byte blocks, each sent when the unit has acknowledged the one
// before, then the image checksum. Ok deselects the row.
ResultCode runGenericSequence(const OperationContext& context, const data::UnitRecord& unit,
                              data::ImageRow& row);

// Its conversation on the line, from the first request to the answer to the
// checksum (or to the erase, for an erase only).
ResultCode exchangeGenericImage(HostLink& link, StatusModel& status, GenericImage& image,
                                std::span<std::uint8_t> window);

// ---- the sequences of type-3 and type-4 units ------------------------------------

// One image of a type-3 or type-4 unit as it goes on the line. Both kinds
// answer at bus address 0x13 and are selected by the mask of the image's
// row: the select erases, the write start opens the transfer.
struct SegmentedImage {
    std::uint16_t mask = 0;
    bool eraseOnly = false;
    // Type 3: the image's blocks and checksum. Type 4: the cursor starts at
    // 0x300000 and the block mask says which 64 KB blocks follow the first 4 KB.
    ImageTransfer transfer;
    std::uint8_t blockMask = 0;
    // The unit takes a moment after the write start before the first block.
    std::chrono::milliseconds writeStartPause{100};
    // Whether the unit's answers reach the PC at all.
    bool answersHeard = true;
};

// One selected image of a type-3 or type-4 unit (through the host
// interface), index being its row's place in the unit; then the pause in
// which the unit restarts. Ok and WrongTarget deselect the row.
ResultCode runSegmentedSequence(const OperationContext& context, const data::UnitRecord& unit,
                                data::ImageRow& row, std::int32_t index);

// The type-3 conversation: the select, which the unit may answer with a word
// to echo first; the write start and the image in 128-byte blocks, the first
// one sent twice; the checksum.
ResultCode exchangeType3Image(HostLink& link, StatusModel& status, SegmentedImage& image,
                              std::span<const std::uint8_t> window);

// The type-4 conversation: the select, which the unit may answer by naming
// another row; the write start, the first 4 KB at 0x300000, every 64 KB
// block of the mask at its own address, and the end of write. Every message
// of the unit counts as an answer, whatever it is.
ResultCode exchangeType4Image(HostLink& link, StatusModel& status, SegmentedImage& image,
                              std::span<const std::uint8_t> window);

}  // namespace engine
