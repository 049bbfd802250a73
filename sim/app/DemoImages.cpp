// qx7a-demo-images: lays out the demo data root. Copies the checked-in unit
// list, settings and console description and writes the firmware images,
// Motorola S-record files with S1, S2 and S3 records mixed.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "sim/FlashDevice.h"

namespace fs = std::filesystem;

namespace {

// The images follow the layout of the simulated flash: the version word the
// console takes over after a verified write, the windows and the block mask.
constexpr std::uint32_t kVersionWordOffset = sim::FlashDevice::kVersionWordOffset;
constexpr std::uint32_t kStandardBase = sim::FlashDevice::kStandardBase;
constexpr std::uint32_t kSegmentedBase = sim::FlashDevice::kSegmentedBase;
constexpr std::uint32_t kBlockSize = sim::FlashDevice::kBlockSize;
constexpr std::uint32_t kBlockMaskOffset = sim::FlashDevice::kBlockMaskOffset;
constexpr std::size_t kBytesPerRecord = 32;

struct DemoImage {
    const char* directory;
    const char* fileName;
    std::uint16_t versionWord;
    std::uint32_t codeBytes;  // bytes of code after the header (standard images)
    std::uint8_t blockMask;   // segmented images: blocks 1..7 that hold code; 0 for a standard image
    std::uint32_t seed;
};

// Versions newer than the console holds (console.json), plus one older file
// that the image search must pass over.
constexpr DemoImage kImages[] = {
    {"SRF7", "MAIN0106.mot", 0x0006, 0xC000, 0, 11}, {"SRF7", "MAIN0104.mot", 0x0004, 0xC000, 0, 12},
    {"SRF7", "SUB_0106.mot", 0x0006, 0x6000, 0, 13}, {"ENG7", "CTRL0203.mot", 0x0103, 0x8000, 0, 21},
    {"ENG7", "DSP_0203.mot", 0x0103, 0x4000, 0, 22}, {"LIO7", "IOA_0112.mot", 0x000C, 0x4000, 0, 31},
    {"LIO7", "IOB_0112.mot", 0x000C, 0x3000, 0, 32}, {"XDG7", "MAIN0301.mot", 0x0201, 0, 0x06, 41},
    {"XDG7D", "CARD0120.mot", 0x0014, 0, 0x02, 51},
};

// Firmware-like bytes: short instruction patterns with changing operands and
// runs of padding, so that the compressor has something to find.
std::vector<std::uint8_t> codeBytes(std::uint32_t length, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(length);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint32_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        const std::uint8_t noise = static_cast<std::uint8_t>(state >> 16);
        switch ((i / 16) % 4) {
            case 0:
                bytes[i] = static_cast<std::uint8_t>(0x4E + (i & 3));
                break;
            case 1:
                bytes[i] = noise;
                break;
            case 2:
                bytes[i] = (i & 1) ? static_cast<std::uint8_t>(i >> 4) : 0x71;
                break;
            default:
                bytes[i] = (noise & 0x80) ? 0x00 : noise;
                break;
        }
    }
    return bytes;
}

std::string hexByte(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// One S-record line of type 1, 2 or 3 (or 0, 5, 7, 8, 9) for the given address and data.
std::string record(int type, std::uint32_t address, const std::uint8_t* data, std::size_t length) {
    const int addressLength = (type == 0 || type == 1 || type == 5 || type == 9) ? 2
                              : (type == 2 || type == 8)                         ? 3
                                                                                 : 4;
    const std::size_t count = static_cast<std::size_t>(addressLength) + length + 1;
    std::string line = "S" + std::to_string(type) + hexByte(static_cast<std::uint8_t>(count));
    unsigned sum = static_cast<unsigned>(count);
    for (int i = addressLength - 1; i >= 0; --i) {
        const auto byte = static_cast<std::uint8_t>(address >> (8 * i));
        line += hexByte(byte);
        sum += byte;
    }
    for (std::size_t i = 0; i < length; ++i) {
        line += hexByte(data[i]);
        sum += data[i];
    }
    line += hexByte(static_cast<std::uint8_t>(~sum));
    return line + "\r\n";
}

// The window's bytes (0xFF where the image holds nothing) as S-records:
// runs of data only, record types cycling so that the file mixes S2 and S3
// (S1 cannot reach these addresses).
std::string sRecords(const std::vector<std::uint8_t>& window, std::uint32_t base, const std::string& header,
                     bool withBootVector) {
    std::string text = record(0, 0, reinterpret_cast<const std::uint8_t*>(header.data()), header.size());
    std::size_t records = 0;
    if (withBootVector) {
        // A reset vector below the window, which the clipping loader drops.
        const std::uint8_t vector[] = {0x00, 0x30, 0x00, 0x00};
        text += record(1, 0x0000, vector, sizeof vector);
        ++records;
    }
    for (std::size_t offset = 0; offset < window.size(); offset += kBytesPerRecord) {
        bool empty = true;
        for (std::size_t i = offset; i < offset + kBytesPerRecord && i < window.size(); ++i) {
            empty = empty && window[i] == 0xFF;
        }
        if (empty) {
            continue;
        }
        const std::size_t length = std::min(kBytesPerRecord, window.size() - offset);
        const int type = (records % 3 == 2) ? 3 : 2;
        text += record(type, base + static_cast<std::uint32_t>(offset), window.data() + offset, length);
        ++records;
    }
    text += record(5, static_cast<std::uint32_t>(records & 0xFFFF), nullptr, 0);
    text += record(8, base, nullptr, 0);
    return text;
}

std::vector<std::uint8_t> imageWindow(const DemoImage& image, std::uint32_t& base) {
    std::vector<std::uint8_t> window;
    if (image.blockMask == 0) {
        base = kStandardBase;
        window.assign(0x100 + image.codeBytes, 0xFF);
        const std::vector<std::uint8_t> code = codeBytes(image.codeBytes, image.seed);
        std::copy(code.begin(), code.end(), window.begin() + 0x100);
    } else {
        base = kSegmentedBase;
        int lastBlock = 0;
        for (int block = 1; block < 8; ++block) {
            if (image.blockMask & (1u << block)) {
                lastBlock = block;
            }
        }
        window.assign((lastBlock + 1) * kBlockSize, 0xFF);
        // Block 0: the first 4 KB is written (mask at offset 7, checksum table
        // from offset 10 filled in by the program, code after the header).
        const std::vector<std::uint8_t> boot = codeBytes(0x0F00, image.seed);
        std::copy(boot.begin(), boot.end(), window.begin() + 0x100);
        window[kBlockMaskOffset] = image.blockMask;
        for (int block = 1; block < 8; ++block) {
            if (image.blockMask & (1u << block)) {
                const std::vector<std::uint8_t> code =
                    codeBytes(kBlockSize, image.seed + static_cast<std::uint32_t>(block));
                std::copy(code.begin(), code.end(), window.begin() + block * kBlockSize);
            }
        }
    }
    window[0] = 0x51;  // an image marker, so the header record is not all padding
    window[1] = 0x58;
    window[kVersionWordOffset] = static_cast<std::uint8_t>(image.versionWord >> 8);
    window[kVersionWordOffset + 1] = static_cast<std::uint8_t>(image.versionWord);
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: qx7a-demo-images SOURCE_DIR OUTPUT_DIR\n";
        return 2;
    }
    const fs::path source = argv[1];
    const fs::path output = argv[2];
    std::error_code failure;
    fs::create_directories(output, failure);
    fs::copy(source, output, fs::copy_options::recursive | fs::copy_options::overwrite_existing, failure);
    if (failure) {
        std::cerr << "qx7a-demo-images: cannot copy " << source << " to " << output << ": "
                  << failure.message() << "\n";
        return 1;
    }
    for (const DemoImage& image : kImages) {
        std::uint32_t base = 0;
        const std::vector<std::uint8_t> window = imageWindow(image, base);
        const fs::path path = output / image.directory / image.fileName;
        std::ofstream file(path, std::ios::binary);
        file << sRecords(window, base, image.fileName, image.blockMask != 0);
        if (!file) {
            std::cerr << "qx7a-demo-images: cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
