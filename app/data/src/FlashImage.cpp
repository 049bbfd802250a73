#include "data/FlashImage.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "platform/TextFile.h"

namespace data {
namespace {

constexpr std::string_view kFileOpenError = "File open Error!";
constexpr std::string_view kMemoryError = "Memory Allocation Error!";
constexpr std::string_view kEmptyError = "Data is Empty!";
constexpr std::string_view kFormatError = "File Format Error!";

// Field positions of an S-record line: "S", type, count byte, address, data, checksum.
constexpr std::size_t kTypePosition = 1;
constexpr std::size_t kCountPosition = 2;
constexpr std::size_t kAddressPosition = 4;

// Address length in bytes of the data record types; other types carry no data.
int dataAddressLength(char recordType) {
    switch (recordType) {
        case '1':
            return 2;
        case '2':
            return 3;
        case '3':
            return 4;
        default:
            return 0;
    }
}

// Record types that end a file: S7, S8 and S9 carry the start address.
bool isTermination(char recordType) {
    return recordType == '7' || recordType == '8' || recordType == '9';
}

// Record types that carry the number of data records before them: S5 in
// 16 bits, S6 in 24 bits.
int recordCountLength(char recordType) {
    return recordType == '5' ? 2 : recordType == '6' ? 3 : 0;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// One piece of a line as it was read, at most kMaxLinePiece characters.
class LinePiece {
  public:
    void clear() { length_ = 0; }
    void push(char c) { text_[length_++] = c; }
    std::size_t length() const { return length_; }
    bool full() const { return length_ == FlashImage::kMaxLinePiece; }
    char at(std::size_t position) const { return position < length_ ? text_[position] : '\0'; }

    // Whether the piece holds the whole record its count byte announces:
    // "S", the type, the count and count bytes of two characters each.
    // The line end does not count.
    bool holdsRecord() const {
        std::size_t characters = length_;
        while (characters > 0 && (text_[characters - 1] == '\n' || text_[characters - 1] == '\r'))
            --characters;
        return characters >= kAddressPosition + 2 * static_cast<std::size_t>(byteAt(kCountPosition));
    }

    // A byte of two hexadecimal characters; a character that is not one
    // (or lies past the end of the piece) makes the byte 0.
    std::uint8_t byteAt(std::size_t position) const {
        int high = hexDigit(at(position));
        int low = hexDigit(at(position + 1));
        if (high < 0 || low < 0)
            return 0;
        return static_cast<std::uint8_t>(high * 16 + low);
    }

  private:
    std::array<char, FlashImage::kMaxLinePiece> text_{};
    std::size_t length_ = 0;
};

// Cuts text into the pieces a line reader with a 255-byte buffer returns:
// up to a line end (kept, CR LF read as one LF) or kMaxLinePiece characters.
class PieceReader {
  public:
    explicit PieceReader(std::string_view text) : text_(text) {}

    bool next(LinePiece& piece) {
        piece.clear();
        if (position_ >= text_.size())
            return false;
        while (position_ < text_.size() && !piece.full()) {
            char c = text_[position_++];
            if (c == '\r' && position_ < text_.size() && text_[position_] == '\n')
                continue;
            piece.push(c);
            if (c == '\n')
                break;
        }
        return true;
    }

  private:
    std::string_view text_;
    std::size_t position_ = 0;
};

ImageLoadResult failure(std::string_view text, std::string_view detail = {}) {
    return ImageLoadResult{std::string(text), std::string(detail)};
}

std::string formatAddressError(std::uint32_t address, int line) {
    char text[64];
    std::snprintf(text, sizeof text, "Address Error! Address=%08XH, Line=%d", static_cast<unsigned>(address),
                  line);
    return text;
}

std::string formatChecksumError(int line) {
    char text[48];
    std::snprintf(text, sizeof text, "Checksum Error! line=%d", line);
    return text;
}

}  // namespace

bool FlashImage::allocate(std::uint32_t size) {
    if (size == 0) {
        std::vector<std::uint8_t>().swap(buffer_);
        storedRange_.reset();
        highestAddress_ = 0;
        checksum_ = 0;
        lowestAddress_ = 0xFFFFFFFF;
        return true;
    }
    if (buffer_.size() != size) {
        std::vector<std::uint8_t>().swap(buffer_);
        try {
            buffer_.resize(size);
        } catch (const std::bad_alloc&) {
            return false;
        } catch (const std::length_error&) {
            return false;
        }
    }
    fill();
    return true;
}

void FlashImage::fill() {
    std::fill(buffer_.begin(), buffer_.end(), kErasedByte);
}

ImageLoadResult FlashImage::load(const std::string& path, std::uint32_t baseAddress, LoadMode mode) {
    baseAddress_ = baseAddress;
    storedRange_.reset();
    platform::TextFileContent file = platform::TextFile::read(path);
    if (!file.ok())
        return failure(kFileOpenError, file.reason());
    return loadText(file.text, baseAddress, mode, path);
}

ImageLoadResult FlashImage::loadText(std::string_view content, std::uint32_t baseAddress, LoadMode mode,
                                     std::string_view fileName) {
    baseAddress_ = baseAddress;
    storedRange_.reset();
    if (buffer_.empty())
        return failure(kMemoryError);
    fill();

    // The window's bounds and the touched range, wide enough that no sum of
    // a 32-bit address and a record length wraps.
    const std::int64_t windowBegin = baseAddress;
    const std::int64_t windowEnd = windowBegin + static_cast<std::int64_t>(buffer_.size());
    std::int64_t lowest = mode == LoadMode::Strict ? 0xFFFFFFFF : windowEnd;
    std::int64_t highest = mode == LoadMode::Strict ? 0 : windowBegin - 1;
    // What really went into the buffer, which the touched range above does
    // not tell when nothing did (a clipping load then reports base - 1 as
    // its highest address).
    std::int64_t storedLowest = windowEnd;
    std::int64_t storedHighest = windowBegin - 1;
    auto keepRange = [&] {
        lowestAddress_ = static_cast<std::uint32_t>(lowest);
        highestAddress_ = static_cast<std::uint32_t>(highest);
        storedRange_.reset();
        if (storedLowest <= storedHighest) {
            storedRange_ = AddressRange{static_cast<std::uint32_t>(storedLowest),
                                        static_cast<std::uint32_t>(storedHighest)};
        }
    };

    PieceReader reader(content);
    LinePiece piece;
    int lineNumber = 0;
    // A file cut short loses its termination record, and a line cut short
    // lacks characters its count byte announces: neither is ever written.
    // A writer that has no start address to give (srec_cat) ends with the
    // count record instead, which proves the file whole just as well.
    bool terminated = false;
    std::uint32_t dataRecords = 0;
    std::optional<std::uint32_t> countedRecords;
    while (reader.next(piece)) {
        ++lineNumber;
        if (piece.at(0) != 'S') {
            keepRange();
            return failure(kFormatError);
        }
        const char recordType = piece.at(kTypePosition);
        const int countBytes = recordCountLength(recordType);
        if (isTermination(recordType) || countBytes != 0) {
            if (!piece.holdsRecord()) {
                keepRange();
                return failure(kFormatError);
            }
            terminated = terminated || isTermination(recordType);
            if (countBytes != 0) {
                std::uint32_t announced = 0;
                for (int i = 0; i < countBytes; ++i)
                    announced =
                        (announced << 8) | piece.byteAt(kAddressPosition + 2 * static_cast<std::size_t>(i));
                const std::uint32_t fieldMask = (std::uint32_t{1} << (8 * countBytes)) - 1;
                if (announced != (dataRecords & fieldMask)) {
                    keepRange();
                    return failure(kFormatError);
                }
                countedRecords = dataRecords;
            }
            continue;
        }
        const int addressBytes = dataAddressLength(recordType);
        if (addressBytes == 0)
            continue;
        if (!piece.holdsRecord()) {
            keepRange();
            return failure(kFormatError);
        }
        ++dataRecords;

        std::uint32_t sum = 0;
        const std::uint8_t count = piece.byteAt(kCountPosition);
        sum += count;
        std::uint32_t address = 0;
        for (int i = 0; i < addressBytes; ++i) {
            std::uint8_t byte = piece.byteAt(kAddressPosition + 2 * static_cast<std::size_t>(i));
            address = (address << 8) | byte;
            sum += byte;
        }
        const int dataLength = count - addressBytes - 1;
        if (dataLength < 0) {
            // The count does not even cover the address and the checksum.
            keepRange();
            return failure(kFormatError);
        }
        const std::size_t dataPosition = kAddressPosition + 2 * static_cast<std::size_t>(addressBytes);
        const std::int64_t first = address;
        const std::int64_t last = first + dataLength - 1;

        // The range of addresses that goes into the buffer.
        std::int64_t storeBegin = first;
        std::int64_t storeEnd = last + 1;
        if (dataLength > 0) {
            if (mode == LoadMode::Strict) {
                lowest = std::min(lowest, first);
                highest = std::max(highest, last);
                if (last >= windowEnd || first < windowBegin) {
                    keepRange();
                    return failure(formatAddressError(address, lineNumber));
                }
            } else {
                if (last < windowBegin) {
                    storeEnd = storeBegin;
                } else if (first < windowBegin) {
                    storeBegin = windowBegin;
                    lowest = std::min(lowest, windowBegin);
                } else {
                    lowest = std::min(lowest, first);
                }
                if (last >= windowEnd) {
                    storeEnd = std::min(storeEnd, windowEnd);
                    if (first < windowEnd)
                        highest = std::max(highest, windowEnd - 1);
                } else {
                    highest = std::max(highest, last);
                }
            }
        }

        if (dataLength > 0 && storeBegin < storeEnd) {
            storedLowest = std::min(storedLowest, storeBegin);
            storedHighest = std::max(storedHighest, storeEnd - 1);
        }
        for (int i = 0; i < dataLength; ++i) {
            std::uint8_t byte = piece.byteAt(dataPosition + 2 * static_cast<std::size_t>(i));
            sum += byte;
            std::int64_t at = first + i;
            if (at >= storeBegin && at < storeEnd)
                buffer_[static_cast<std::size_t>(at - windowBegin)] = byte;
        }
        const std::uint8_t recordChecksum =
            piece.byteAt(dataPosition + 2 * static_cast<std::size_t>(dataLength));
        if (recordChecksum != static_cast<std::uint8_t>(~sum)) {
            keepRange();
            return failure(formatChecksumError(lineNumber));
        }
    }
    keepRange();
    if (lineNumber == 0)
        return failure(kEmptyError);
    if (!terminated && countedRecords != dataRecords)
        return failure(kFormatError);
    computeChecksum();
    fileName_ = fileName;
    return ImageLoadResult{};
}

std::uint16_t FlashImage::computeChecksum() {
    checksum_ = checksumOf(buffer_);
    return checksum_;
}

std::uint16_t FlashImage::checksumOf(std::span<const std::uint8_t> window) {
    std::uint16_t sum = 0;
    for (std::size_t offset = 0; offset + 4 <= window.size(); offset += 2) {
        sum = static_cast<std::uint16_t>(sum + ((window[offset] << 8) | window[offset + 1]));
    }
    return sum;
}

std::uint8_t FlashImage::blockMask() const {
    return buffer_.size() > kBlockMaskOffset ? buffer_[kBlockMaskOffset] : 0;
}

int FlashImage::blocksToWrite() const {
    std::uint8_t mask = blockMask();
    int blocks = 0;
    for (int bit = 1; bit <= 7; ++bit)
        blocks += (mask >> bit) & 1;
    return blocks;
}

bool FlashImage::buildBlockChecksumTable() {
    if (buffer_.size() < static_cast<std::size_t>(kBlockSize) * kBlockCount)
        return false;
    for (int block = 1; block < kBlockCount; ++block) {
        const std::size_t begin = static_cast<std::size_t>(block) * kBlockSize;
        std::uint16_t sum = 0;
        for (std::size_t i = begin; i < begin + kBlockSize; ++i)
            sum = static_cast<std::uint16_t>(sum + buffer_[i]);
        const std::uint16_t complement = static_cast<std::uint16_t>(~sum);
        const std::size_t at = kBlockChecksumTableOffset + 2 * static_cast<std::size_t>(block - 1);
        buffer_[at] = static_cast<std::uint8_t>(complement >> 8);
        buffer_[at + 1] = static_cast<std::uint8_t>(complement & 0xFF);
    }
    return true;
}

}  // namespace data
