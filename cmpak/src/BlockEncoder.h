#pragma once

#include <array>
#include <cstdint>

#include "BitWriter.h"
#include "CodecFormat.h"
#include "HuffmanBuilder.h"

namespace cmpak {

// Collects literal and match codes in the block buffer (a flag byte before every eight codes marks
// the matches) and, when the buffer is full or the source ends, writes the block: its size, the three
// code tables and the codes.
class BlockEncoder {
  public:
    explicit BlockEncoder(BitWriter& writer) : writer_(writer) {}

    void start();
    void outputLiteral(uint8_t byte) { output(byte, false, 0); }
    // length 3..255, offset = distance - 1 (0..1023).
    void outputMatch(unsigned length, unsigned offset) { output(length + kLengthSymbolBias, true, offset); }
    // Writes the last block, if any codes are pending.
    void finish();

  private:
    void output(unsigned symbol, bool isMatch, unsigned offset);
    void closeBlock();
    void countLengthCodeFrequencies(unsigned codeCount);
    void writeLengthCodeLengths(unsigned symbolCount, unsigned countBits, int zeroRunIndex);
    void writeCodeLengths(unsigned codeCount);
    void writeLengthCodeSymbol(unsigned symbol) { writer_.put(tableLengths_[symbol], tableCodes_[symbol]); }
    void writeCodes();
    void resetFrequencies();

    BitWriter& writer_;
    HuffmanBuilder huffman_;
    std::array<uint8_t, kBlockBufferSize> buffer_{};
    unsigned bufferUsed_ = 0;
    unsigned flagAt_ = 0;
    unsigned flagMask_ = 0;

    std::array<uint32_t, 2 * kCodeSymbols - 1> codeFrequencies_{};
    std::array<uint32_t, 2 * kPositionSymbols - 1> positionFrequencies_{};
    std::array<uint32_t, 2 * kLengthCodeSymbols - 1> lengthCodeFrequencies_{};
    std::array<uint8_t, kCodeSymbols> codeLengths_{};
    std::array<uint16_t, kCodeSymbols> codes_{};
    // Shared by the code-length code and then the position code, which is built after it is used.
    std::array<uint8_t, kLengthCodeSymbols> tableLengths_{};
    std::array<uint16_t, kLengthCodeSymbols> tableCodes_{};
};

}  // namespace cmpak
