#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sim {

// The flash memory of one CPU (or of CPUs that share one bus address): a
// window of the unit's address space that starts erased (0xFF) and, like
// real flash, can only clear bits when written.
class FlashDevice {
  public:
    // Window of generic and type-3 CPUs.
    static constexpr std::uint32_t kStandardBase = 0x200000;
    static constexpr std::uint32_t kStandardSize = 0x80000;
    // Window of type-4 and boot-loader (type-2) CPUs: sixteen 64 KB blocks.
    static constexpr std::uint32_t kSegmentedBase = 0x300000;
    static constexpr std::uint32_t kSegmentedSize = 0x100000;
    static constexpr std::uint32_t kBlockSize = 0x10000;
    static constexpr int kBlockCount = 16;
    static constexpr std::uint32_t kBlockMaskOffset = 7;
    static constexpr std::uint32_t kBlockChecksumTableOffset = 10;
    // Demo images carry their version word at this offset of the window.
    static constexpr std::uint32_t kVersionWordOffset = 0x40;
    static constexpr std::uint8_t kErased = 0xFF;

    FlashDevice(std::string name, std::uint32_t base, std::uint32_t size);

    const std::string& name() const { return name_; }
    std::uint32_t base() const { return base_; }
    std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

    bool contains(std::uint32_t address, std::size_t length) const;

    void eraseAll();
    // Erases one 64 KB block of a segmented window; false when out of range.
    bool eraseBlock(int block);
    // Writes data at a unit address. Bytes beyond the window's end are accepted
    // only when they are 0xFF (a padded last block). False when the data does
    // not start inside the window or would need to set bits that are clear.
    bool write(std::uint32_t address, std::span<const std::uint8_t> data);
    // Copies bytes out; false when the range is not inside the window.
    bool read(std::uint32_t address, std::size_t length, std::uint8_t* out) const;
    // Fills a range with a fixed pattern, as a factory calibration would.
    void preset(std::uint32_t address, std::span<const std::uint8_t> data);

    // Wrapping 16-bit sum of the big-endian words of the window, the last word
    // excluded: the image checksum the program sends after a transfer.
    std::uint16_t windowChecksum() const;
    // Segmented windows: the block mask (bits 1..7) in block 0.
    std::uint8_t blockMask() const;
    // Checks every block of the mask against the checksum table in block 0;
    // the failing block number goes to firstBadBlock.
    bool blockTableMatches(int& firstBadBlock) const;
    static std::uint16_t blockChecksum(std::span<const std::uint8_t> block);

    // The big-endian word at kVersionWordOffset.
    std::uint16_t versionWord() const;

    // Counts the data blocks written since the last erase (for faults).
    int blocksSinceErase = 0;

  private:
    std::string name_;
    std::uint32_t base_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace sim
