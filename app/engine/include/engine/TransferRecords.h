#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "engine/HostMessages.h"

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

// The generic sequence: the image, and for the unit with the preserved area
// that area, read back before the erase and written back after the image.
struct GenericTransfer {
    ImageTransfer image;
    bool writeBack = false;             // the preserved area still has to be written back
    std::uint32_t readBackArea = 0;     // window offset that receives the preserved area
    std::uint32_t readBackAddress = 0;  // unit address of the read-back request in flight
};

// Stages of a type-4 transfer after its first 4 KB.
enum class BlockStage : std::uint8_t {
    FirstSegment = 0,  // the first 4 KB of the image
    FindNext = 1,      // look for the next 64 KB block the mask names
    Sending = 2,       // sending the 128-byte blocks of one 64 KB block
};

// The type-4 sequence: the first 4 KB, then every 64 KB block its mask names.
struct SegmentTransfer {
    BlockCursor cursor;  // its end is not used: the mask decides where the transfer ends
    BlockStage stage = BlockStage::FirstSegment;
    std::int32_t blockIndex = 0;     // the next 64 KB block to look at
    std::int32_t segmentBlocks = 0;  // 128-byte blocks sent of the current 64 KB block
    std::uint8_t blockMask = 0;
};

}  // namespace engine
