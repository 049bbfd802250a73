#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The data the benchmark codes, cut into the 4096-byte chunks that FLASHKIT compresses.
namespace cmpakbench {

inline constexpr size_t kChunkSize = 4096;

struct Corpus {
    std::string name;
    std::string origin;  // where the bytes came from, for the report
    std::vector<std::vector<uint8_t>> chunks;
};

// (a) the code sections of the project's own built programs and libraries.
Corpus machineCodeCorpus(const std::string& binaryDir, size_t maxChunks);
// (b) the demo firmware images (S-records) of the first directory that has any, else synthetic
// firmware-like images.
Corpus firmwareCorpus(const std::vector<std::string>& demoDirs, size_t maxChunks);
// (c) and (d).
Corpus randomCorpus(size_t chunkCount);
Corpus zeroCorpus(size_t chunkCount);

}  // namespace cmpakbench
