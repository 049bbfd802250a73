#include "BenchCorpus.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace cmpakbench {

namespace {

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

template <typename T>
T readLittle(const std::vector<uint8_t>& bytes, size_t at) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
        value |= static_cast<T>(static_cast<T>(bytes[at + i]) << (8 * i));
    }
    return value;
}

// The .text section of a 64-bit little-endian ELF file; empty for anything else.
std::vector<uint8_t> textSection(const std::vector<uint8_t>& elf) {
    constexpr size_t kHeaderSize = 64;
    constexpr size_t kSectionHeaderSize = 64;
    if (elf.size() < kHeaderSize ||
        std::memcmp(elf.data(),
                    "\x7f"
                    "ELF",
                    4) != 0 ||
        elf[4] != 2 || elf[5] != 1) {
        return {};
    }
    const auto sectionTable = readLittle<uint64_t>(elf, 0x28);
    const auto sectionCount = readLittle<uint16_t>(elf, 0x3C);
    const auto namesIndex = readLittle<uint16_t>(elf, 0x3E);
    if (sectionTable + uint64_t{sectionCount} * kSectionHeaderSize > elf.size() ||
        namesIndex >= sectionCount) {
        return {};
    }
    const auto section = [&](unsigned index) { return sectionTable + uint64_t{index} * kSectionHeaderSize; };
    const uint64_t names = readLittle<uint64_t>(elf, section(namesIndex) + 0x18);
    for (unsigned index = 0; index < sectionCount; ++index) {
        const uint64_t nameAt = names + readLittle<uint32_t>(elf, section(index));
        const uint64_t offset = readLittle<uint64_t>(elf, section(index) + 0x18);
        const uint64_t size = readLittle<uint64_t>(elf, section(index) + 0x20);
        if (nameAt + 6 <= elf.size() && std::memcmp(elf.data() + nameAt, ".text", 6) == 0 &&
            offset + size <= elf.size()) {
            return std::vector<uint8_t>(elf.begin() + static_cast<long>(offset),
                                        elf.begin() + static_cast<long>(offset + size));
        }
    }
    return {};
}

// Whole chunks only, as for machine code.
void cutInto(Corpus& corpus, const std::vector<uint8_t>& bytes, size_t maxChunks) {
    for (size_t at = 0; at + kChunkSize <= bytes.size() && corpus.chunks.size() < maxChunks;
         at += kChunkSize) {
        corpus.chunks.emplace_back(bytes.begin() + static_cast<long>(at),
                                   bytes.begin() + static_cast<long>(at + kChunkSize));
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Data records (S1, S2, S3) of an S-record file laid out by address.
std::vector<std::vector<uint8_t>> loadSRecords(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::map<uint32_t, uint8_t> bytes;
    std::string line;
    while (std::getline(file, line)) {
        if (line.size() < 4 || line[0] != 'S' || line[1] < '1' || line[1] > '3') {
            continue;
        }
        const size_t addressBytes = static_cast<size_t>(line[1] - '0') + 1;
        std::vector<uint8_t> record;
        for (size_t i = 2; i + 1 < line.size(); i += 2) {
            const int high = hexValue(line[i]);
            const int low = hexValue(line[i + 1]);
            if (high < 0 || low < 0) {
                break;
            }
            record.push_back(static_cast<uint8_t>(high << 4 | low));
        }
        if (record.empty() || record.size() < size_t{record[0]} + 1 || record[0] < addressBytes + 1) {
            continue;
        }
        uint32_t address = 0;
        for (size_t i = 0; i < addressBytes; ++i) {
            address = address << 8 | record[1 + i];
        }
        for (size_t i = 1 + addressBytes; i < record[0]; ++i) {
            bytes[address++] = record[i];
        }
    }
    // Contiguous stretches become images of their own, so that a far-off vector does not pull in a
    // huge erased gap; short gaps read as erased flash.
    constexpr uint32_t kLargestGap = 4096;
    std::vector<std::vector<uint8_t>> images;
    uint32_t next = 0;
    for (const auto& [address, value] : bytes) {
        if (images.empty() || address - next > kLargestGap) {
            images.emplace_back();
        } else {
            images.back().insert(images.back().end(), address - next, 0xFF);
        }
        images.back().push_back(value);
        next = address + 1;
    }
    return images;
}

// A firmware-like image: a vector table, code from a small instruction vocabulary with varied
// operands, message strings, look-up tables and erased (0xFF) gaps.
std::vector<uint8_t> syntheticFirmware(uint32_t seed, size_t size) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> image;
    const auto put16 = [&](uint32_t value) {
        image.push_back(static_cast<uint8_t>(value >> 8));
        image.push_back(static_cast<uint8_t>(value));
    };
    for (int vector = 0; vector < 64; ++vector) {
        put16(0x0000);
        put16(0x1000 + (generator() % 64) * 16);
    }
    static const uint16_t kOpcodes[] = {0x4E75, 0x4E71, 0x2F0E, 0x2C5F, 0x7000, 0x7201, 0x6000, 0x6700,
                                        0x6600, 0x41F9, 0x43F9, 0x3028, 0x3140, 0xB0BC, 0x4A80, 0xD081};
    static const char* const kMessages[] = {"ERASE OK",   "WRITE ERROR", "CHECKSUM %04X", "BOOT V1.02",
                                            "UNIT READY", "TIMEOUT",     "FLASH BUSY",    "RETRY"};
    while (image.size() < size) {
        const unsigned section = generator() % 16;
        if (section < 11) {
            for (int i = 0; i < 200; ++i) {
                const uint16_t opcode = kOpcodes[generator() % 16];
                put16(opcode | (generator() % 4 == 0 ? generator() % 8 : 0));
                if (generator() % 3 == 0) {
                    put16(generator() % 512);  // short operand
                }
            }
        } else if (section < 13) {
            for (int i = 0; i < 20; ++i) {
                const char* message = kMessages[generator() % 8];
                image.insert(image.end(), message, message + std::strlen(message) + 1);
            }
        } else if (section < 15) {
            uint32_t value = generator() % 1000;
            for (int i = 0; i < 256; ++i) {
                put16(value);
                value += generator() % 40;
            }
        } else {
            image.insert(image.end(), 512 + generator() % 3000, 0xFF);
        }
    }
    image.resize(size);
    return image;
}

}  // namespace

Corpus machineCodeCorpus(const std::string& binaryDir, size_t maxChunks) {
    Corpus corpus{"machine_code", "", {}};
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(binaryDir, error)) {
        if (entry.is_regular_file(error)) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        const std::vector<uint8_t> text = textSection(readFile(path));
        if (!text.empty()) {
            const size_t before = corpus.chunks.size();
            cutInto(corpus, text, std::min(maxChunks, before + maxChunks / 4));
            if (corpus.chunks.size() > before) {
                corpus.origin += path.filename().string() + " ";
            }
        }
    }
    return corpus;
}

Corpus firmwareCorpus(const std::vector<std::string>& demoDirs, size_t maxChunks) {
    Corpus corpus{"firmware", "", {}};
    for (const std::string& demoDir : demoDirs) {
        std::error_code error;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(demoDir, error)) {
            std::string extension = entry.path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
            if (entry.is_regular_file(error) && extension == ".mot") {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const auto& path : files) {
            for (std::vector<uint8_t> image : loadSRecords(path)) {
                // The last piece of an image is sent padded like erased flash.
                image.resize((image.size() + kChunkSize - 1) / kChunkSize * kChunkSize, 0xFF);
                cutInto(corpus, image, maxChunks);
            }
            corpus.origin += path.filename().string() + " ";
        }
        if (!corpus.chunks.empty()) {
            corpus.origin += "in " + demoDir;
            return corpus;
        }
    }
    if (corpus.chunks.empty()) {
        corpus.origin = "synthetic firmware-like images (no demo .mot files found)";
        for (uint32_t seed = 1; corpus.chunks.size() < maxChunks; ++seed) {
            cutInto(corpus, syntheticFirmware(seed, 128 * 1024), maxChunks);
        }
    }
    return corpus;
}

Corpus randomCorpus(size_t chunkCount) {
    Corpus corpus{"random", "mt19937 bytes", {}};
    std::mt19937 generator(42);
    for (size_t i = 0; i < chunkCount; ++i) {
        std::vector<uint8_t> chunk(kChunkSize);
        for (uint8_t& byte : chunk) {
            byte = static_cast<uint8_t>(generator());
        }
        corpus.chunks.push_back(std::move(chunk));
    }
    return corpus;
}

Corpus zeroCorpus(size_t chunkCount) {
    return Corpus{"zeros", "zero bytes",
                  std::vector<std::vector<uint8_t>>(chunkCount, std::vector<uint8_t>(kChunkSize, 0))};
}

}  // namespace cmpakbench
