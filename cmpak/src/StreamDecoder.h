#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "BitReader.h"
#include "CodecFormat.h"
#include "DecodeTable.h"

namespace cmpak {

// Decompress: reads block headers, builds the three decoding tables and expands literals and
// matches straight into the destination. Every field read from the stream is checked against the
// format's limits, so a corrupt stream ends in a clean failure, never outside the tables or the
// destination.
class StreamDecoder {
  public:
    enum class Mode {
        // Stream length unknown: bytes are fetched only as needed; a match reaching before the start of
        // the data copies the window's initial spaces, as the format defines.
        Unbounded,
        // Stream length known: truncation, a missing end padding and matches reaching before the start
        // are all reported as corrupt.
        Bounded,
    };

    // Decodes size bytes into destination, which holds at least size bytes. streamLength counts the
    // header; false for a corrupt or truncated stream.
    bool decode(const uint8_t* stream, size_t streamLength, Mode mode, uint8_t* destination, uint32_t size);

  private:
    static constexpr unsigned kLiteralTableBits = 12;
    static constexpr unsigned kSmallTableBits = 8;

    template <bool kBounded>
    bool expand(uint8_t* destination, uint32_t size);
    bool readBlockHeader(uint32_t& blockCodes);
    bool readSmallCode(unsigned symbolCount, unsigned countBits, int zeroRunIndex);
    bool readCodeLengths(uint32_t blockCodes);
    static bool copyMatch(uint8_t* destination, uint32_t produced, uint32_t size, unsigned length,
                          unsigned distance, bool bounded);

    BitReader reader_;
    DecodeTable codeTable_;
    DecodeTable lengthCodeTable_;
    DecodeTable positionTable_;
    std::array<uint8_t, kCodeSymbols> lengths_{};
    std::array<uint16_t, kCodeSymbols> present_{};  // symbols of nonzero length, in order
};

}  // namespace cmpak
