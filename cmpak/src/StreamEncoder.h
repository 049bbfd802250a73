#pragma once

#include <cstdint>
#include <cstdio>

#include "BitWriter.h"
#include "BlockEncoder.h"
#include "MatchFinder.h"

namespace cmpak {

// Compress: the size header, then the one-step lazy parse of the source into literals and matches,
// handed to the block coder, then the end padding. Optionally prints the coding statistics.
class StreamEncoder {
  public:
    StreamEncoder() : blocks_(writer_) {}
    StreamEncoder(const StreamEncoder&) = delete;
    StreamEncoder& operator=(const StreamEncoder&) = delete;

    // Returns the bytes written, header included; 0 for an empty source (the header is still written).
    // statistics receives the progress and summary lines when it is not null.
    uint32_t compress(const uint8_t* source, uint32_t length, uint8_t* destination, std::FILE* statistics);

  private:
    static constexpr unsigned kProgressStep = 1024;

    void reportProgress(uint32_t coded, std::FILE* statistics);
    static void reportSummary(uint32_t length, uint32_t written, std::FILE* statistics);

    BitWriter writer_;
    BlockEncoder blocks_;
    MatchFinder finder_;
    uint32_t progressMark_ = 0;
};

}  // namespace cmpak
