#pragma once

#include <array>
#include <cstdint>

#include "BitReader.h"
#include "CodecFormat.h"

namespace cmpak {

// Decoding table of one canonical Huffman code: the next tableBits bits index an entry that holds
// the symbol and its length, or, for longer codes, the root of a small binary tree walked bit by bit
// (a 1 bit goes right). Only complete codes are accepted, so every lookup ends in a symbol.
class DecodeTable {
  public:
    static constexpr unsigned kMaxTableBits = 12;
    static constexpr uint16_t kInvalidSymbol = 0xFFFF;

    // False when the lengths do not form a complete prefix code of at most 16 bits.
    bool build(const uint8_t* lengths, unsigned symbolCount, unsigned tableBits);
    // Every lookup yields symbol and reads no bits.
    void setSingle(unsigned symbol, unsigned tableBits);

    // The next symbol, or kInvalidSymbol when a tree walk fails (not possible for accepted codes).
    unsigned decode(BitReader& reader) const {
        for (;;) {
            const unsigned entry = entries_[reader.peek(tableBits_)];
            if ((entry & kTreeFlag) == 0) {
                const unsigned length = entry >> kLengthShift;
                if (length <= reader.available()) {
                    reader.consume(length);
                    return entry & kSymbolMask;
                }
            } else if (tableBits_ <= reader.available()) {
                reader.consume(tableBits_);
                return walkTree(entry & kSymbolMask, reader);
            }
            reader.fetchByte();
        }
    }

  private:
    static constexpr unsigned kTreeFlag = 0x8000;
    static constexpr unsigned kLengthShift = 10;
    static constexpr unsigned kSymbolMask = (1u << kLengthShift) - 1;
    static constexpr uint16_t kUnset = 0xFFFF;
    static constexpr unsigned kMaxNodes = 2 * kCodeSymbols;

    unsigned walkTree(unsigned node, BitReader& reader) const;
    bool addLongCode(unsigned symbol, unsigned code, unsigned length);
    bool newNode(uint16_t& link);

    unsigned tableBits_ = 8;
    unsigned symbolCount_ = 0;
    unsigned nodeCount_ = 0;
    // Leaf entry: symbol | length << 10. Tree entry: kTreeFlag | node.
    std::array<uint16_t, 1u << kMaxTableBits> entries_{};
    // Children: a value below symbolCount_ is a symbol, otherwise symbolCount_ + node.
    std::array<uint16_t, kMaxNodes> left_{};
    std::array<uint16_t, kMaxNodes> right_{};
};

}  // namespace cmpak
