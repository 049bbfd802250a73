#include "sim/FlashDevice.h"

#include <algorithm>

namespace sim {

FlashDevice::FlashDevice(std::string name, std::uint32_t base, std::uint32_t size)
    : name_(std::move(name)), base_(base), bytes_(size, kErased) {}

bool FlashDevice::contains(std::uint32_t address, std::size_t length) const {
    return address >= base_ && length <= bytes_.size() && address - base_ <= bytes_.size() - length;
}

void FlashDevice::eraseAll() {
    std::fill(bytes_.begin(), bytes_.end(), kErased);
    blocksSinceErase = 0;
}

bool FlashDevice::eraseBlock(int block) {
    const std::size_t start = static_cast<std::size_t>(block) * kBlockSize;
    if (block < 0 || start + kBlockSize > bytes_.size()) {
        return false;
    }
    std::fill(bytes_.begin() + static_cast<long>(start),
              bytes_.begin() + static_cast<long>(start + kBlockSize), kErased);
    blocksSinceErase = 0;
    return true;
}

bool FlashDevice::write(std::uint32_t address, std::span<const std::uint8_t> data) {
    if (data.empty() || !contains(address, 1)) {
        return false;
    }
    const std::size_t offset = address - base_;
    const std::size_t inside = std::min(data.size(), bytes_.size() - offset);
    for (std::size_t i = inside; i < data.size(); ++i) {
        if (data[i] != kErased) {
            return false;
        }
    }
    for (std::size_t i = 0; i < inside; ++i) {
        // Programming flash clears bits; a bit that is clear stays clear.
        if ((bytes_[offset + i] & data[i]) != data[i]) {
            return false;
        }
    }
    for (std::size_t i = 0; i < inside; ++i) {
        bytes_[offset + i] = data[i];
    }
    return true;
}

bool FlashDevice::read(std::uint32_t address, std::size_t length, std::uint8_t* out) const {
    if (!contains(address, length)) {
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<long>(address - base_), length, out);
    return true;
}

void FlashDevice::preset(std::uint32_t address, std::span<const std::uint8_t> data) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (contains(address + static_cast<std::uint32_t>(i), 1)) {
            bytes_[address - base_ + i] = data[i];
        }
    }
}

std::uint16_t FlashDevice::windowChecksum() const {
    std::uint16_t sum = 0;
    for (std::size_t offset = 0; offset + 2 < bytes_.size(); offset += 2) {
        sum = static_cast<std::uint16_t>(sum + ((bytes_[offset] << 8) | bytes_[offset + 1]));
    }
    return sum;
}

std::uint8_t FlashDevice::blockMask() const {
    return bytes_.size() > kBlockMaskOffset ? bytes_[kBlockMaskOffset] : 0;
}

std::uint16_t FlashDevice::blockChecksum(std::span<const std::uint8_t> block) {
    std::uint32_t sum = 0;
    for (const std::uint8_t value : block) {
        sum += value;
    }
    return static_cast<std::uint16_t>(~sum);
}

bool FlashDevice::blockTableMatches(int& firstBadBlock) const {
    firstBadBlock = 0;
    if (bytes_.size() < kSegmentedSize) {
        return false;
    }
    const std::uint8_t mask = blockMask();
    for (int block = 1; block < 8; ++block) {
        if ((mask & (1u << block)) == 0) {
            continue;
        }
        const std::size_t entry = kBlockChecksumTableOffset + 2 * static_cast<std::size_t>(block - 1);
        const std::uint16_t stored = static_cast<std::uint16_t>((bytes_[entry] << 8) | bytes_[entry + 1]);
        const std::span<const std::uint8_t> contents(bytes_.data() + block * kBlockSize, kBlockSize);
        if (blockChecksum(contents) != stored) {
            firstBadBlock = block;
            return false;
        }
    }
    return true;
}

std::uint16_t FlashDevice::versionWord() const {
    return static_cast<std::uint16_t>((bytes_[kVersionWordOffset] << 8) | bytes_[kVersionWordOffset + 1]);
}

}  // namespace sim
