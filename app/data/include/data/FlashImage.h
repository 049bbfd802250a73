#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace data {

// Outcome of loading an S-record file; errorText holds the text the status
// line shows ("File open Error!", "Checksum Error! line=12", ...), detail
// why a file could not be opened ("not a regular file", ...).
struct ImageLoadResult {
    std::string errorText;
    std::string detail;
    bool ok() const { return errorText.empty(); }
};

// First and last address of a range, both included.
struct AddressRange {
    std::uint32_t lowest = 0;
    std::uint32_t highest = 0;
};

// A window of a unit's flash address space mirrored in memory, pre-filled
// with 0xFF, filled from a Motorola S-record file; with the lowest and
// highest address the file touched and the 16-bit image checksum.
class FlashImage {
  public:
    // Window of the generic and type-3 sequences (base: the row's top address).
    static constexpr std::uint32_t kStandardWindowSize = 0x80000;
    // Window of type-4 units and of the direct boot-loader path.
    static constexpr std::uint32_t kSegmentedWindowSize = 0x100000;
    static constexpr std::uint32_t kSegmentedBaseAddress = 0x300000;
    static constexpr std::uint32_t kBlockSize = 0x10000;
    static constexpr int kBlockCount = 16;
    // Offset of the block mask byte in block 0, and of the block checksum table.
    static constexpr std::uint32_t kBlockMaskOffset = 7;
    static constexpr std::uint32_t kBlockChecksumTableOffset = 10;
    // Longest piece of a line read at once, line end included.
    static constexpr std::size_t kMaxLinePiece = 254;

    static constexpr std::uint8_t kErasedByte = 0xFF;

    enum class LoadMode {
        Strict,    // data outside the window is an address error
        Clipping,  // data outside the window is dropped
    };

    FlashImage() = default;

    // Size 0 frees the buffer and clears the record. Otherwise makes a buffer
    // of this size (keeping one of the same size) and fills it with 0xFF.
    bool allocate(std::uint32_t size);
    void fill();

    // A line that does not start with "S", a record shorter than its count
    // byte says, an S5/S6 count that differs from the number of data records
    // before it, and a file that neither has a termination record (S7, S8 or
    // S9) nor ends its data with a count record are each a "File Format
    // Error!": a file cut short is never taken whole.
    // Only a regular file is read (platform::TextFile).
    ImageLoadResult load(const std::string& path, std::uint32_t baseAddress, LoadMode mode);
    ImageLoadResult loadStrict(const std::string& path, std::uint32_t baseAddress) {
        return load(path, baseAddress, LoadMode::Strict);
    }
    ImageLoadResult loadClipping(const std::string& path, std::uint32_t baseAddress) {
        return load(path, baseAddress, LoadMode::Clipping);
    }
    // The same from file content already in memory; fileName is recorded.
    ImageLoadResult loadText(std::string_view content, std::uint32_t baseAddress, LoadMode mode,
                             std::string_view fileName = {});

    // Wrapping 16-bit sum of the big-endian words of the window, the last
    // word excluded; stored as the checksum and returned.
    std::uint16_t computeChecksum();
    // The same sum over any window.
    static std::uint16_t checksumOf(std::span<const std::uint8_t> window);

    // Segmented (1 MB) windows: the byte at offset 7 marks blocks 1..7 that
    // hold data; bit 0 is not a block.
    std::uint8_t blockMask() const;
    int blocksToWrite() const;
    // Writes the one's complement of the byte sum of blocks 1..15 into block
    // 0 (big-endian, from offset 10). False when the window is smaller than 1 MB.
    bool buildBlockChecksumTable();

    std::span<std::uint8_t> bytes() { return buffer_; }
    std::span<const std::uint8_t> bytes() const { return buffer_; }
    bool hasBuffer() const { return !buffer_.empty(); }
    std::uint32_t size() const { return static_cast<std::uint32_t>(buffer_.size()); }
    std::uint32_t baseAddress() const { return baseAddress_; }
    std::uint32_t lowestAddress() const { return lowestAddress_; }
    std::uint32_t highestAddress() const { return highestAddress_; }
    // The addresses of the bytes the last load put into the window; nothing
    // when it stored none (the range above then holds its start values).
    const std::optional<AddressRange>& storedRange() const { return storedRange_; }
    std::uint16_t checksum() const { return checksum_; }
    const std::string& fileName() const { return fileName_; }

  private:
    std::string fileName_;
    std::uint32_t baseAddress_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::uint32_t lowestAddress_ = 0xFFFFFFFF;
    std::uint32_t highestAddress_ = 0;
    std::optional<AddressRange> storedRange_;
    std::uint16_t checksum_ = 0;
};

}  // namespace data
