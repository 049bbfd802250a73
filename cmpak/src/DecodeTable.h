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
    // The same, given the symbols of nonzero length in increasing order.
    bool build(const uint8_t* lengths, const uint16_t* present, unsigned presentCount, unsigned symbolCount,
               unsigned tableBits);
    // Every lookup yields symbol and reads no bits.
    void setSingle(unsigned symbol, unsigned tableBits);
    // The fewest bits any symbol takes: 0 for a one-symbol table.
    unsigned shortestCode() const { return shortestCode_; }

    // The next symbol, or kInvalidSymbol when a tree walk fails (not possible for accepted codes).
    // kBits is the table width the table was built with. Fetches bytes as the code needs them.
    template <unsigned kBits>
    [[gnu::always_inline]] unsigned decode(BitReader& reader) const {
        for (;;) {
            const unsigned entry = entries_[reader.peek(kBits)];
            if ((entry & kTreeFlag) == 0) {
                const unsigned length = entry >> kLengthShift;
                if (length <= reader.available()) {
                    reader.consume(length);
                    return entry & kSymbolMask;
                }
            } else if (kBits <= reader.available()) {
                reader.consume(kBits);
                return walkTree(entry & kSymbolMask, reader);
            }
            reader.fetchByte();
        }
    }

    // As decode, for a reader known to hold at least 16 bits.
    template <unsigned kBits>
    [[gnu::always_inline]] unsigned decodeFilled(BitReader& reader) const {
        const unsigned entry = entries_[reader.peek(kBits)];
        if ((entry & kTreeFlag) == 0) [[likely]] {
            reader.consume(entry >> kLengthShift);
            return entry & kSymbolMask;
        }
        reader.consume(kBits);
        return walkTree(entry & kSymbolMask, reader);
    }

  private:
    unsigned walkTree(unsigned node, BitReader& reader) const {
        if (node >= nodeCount_) {
            return kInvalidSymbol;
        }
        for (unsigned depth = tableBits_; depth < kMaxCodeLength; ++depth) {
            const unsigned child = reader.take(1) != 0 ? right_[node] : left_[node];
            if (child < symbolCount_) {
                return child;
            }
            if (child == kUnset) {
                return kInvalidSymbol;
            }
            node = child - symbolCount_;
        }
        return kInvalidSymbol;
    }

    static constexpr unsigned kTreeFlag = 0x8000;
    static constexpr unsigned kLengthShift = 10;
    static constexpr unsigned kSymbolMask = (1u << kLengthShift) - 1;
    static constexpr uint16_t kUnset = 0xFFFF;
    static constexpr unsigned kMaxNodes = 2 * kCodeSymbols;

    bool addLongCode(unsigned symbol, unsigned code, unsigned length);
    bool newNode(uint16_t& link);
    [[gnu::always_inline]] void fillSpan(unsigned first, unsigned span, uint16_t entry);

    unsigned tableBits_ = 8;
    unsigned symbolCount_ = 0;
    unsigned nodeCount_ = 0;
    unsigned shortestCode_ = 0;
    // Leaf entry: symbol | length << 10. Tree entry: kTreeFlag | node.
    std::array<uint16_t, 1u << kMaxTableBits> entries_{};
    // Children: a value below symbolCount_ is a symbol, otherwise symbolCount_ + node.
    std::array<uint16_t, kMaxNodes> left_{};
    std::array<uint16_t, kMaxNodes> right_{};
};

}  // namespace cmpak
