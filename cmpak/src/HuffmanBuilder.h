#pragma once

#include <array>
#include <cstdint>

#include "CodecFormat.h"

namespace cmpak {

// Builds the static Huffman code of one block alphabet. The tree comes from a binary min-heap of the
// symbols that occur; code lengths are the leaf depths, handed out longest first to the leaves in the
// order they left the heap, and codes are canonical. The order of every tie is fixed, so the same
// frequencies always give the same bits.
class HuffmanBuilder {
  public:
    static constexpr unsigned kMaxSymbols = kCodeSymbols;
    static constexpr unsigned kMaxNodes = 2 * kMaxSymbols - 1;

    // frequencies holds symbolCount counts and room for symbolCount - 1 inner-node sums after them.
    // Returns the root: symbolCount or above when a tree was built; otherwise the one symbol that occurs
    // (0 when none does), every length is 0 and the symbol's code is 0.
    unsigned build(unsigned symbolCount, uint32_t* frequencies, uint8_t* lengths, uint16_t* codes);

  private:
    void siftDown(unsigned slot);
    void countLeafDepths(unsigned root);
    void assignLengths(uint8_t* lengths) const;
    void assignCanonicalCodes(const uint8_t* lengths, uint16_t* codes) const;

    unsigned symbolCount_ = 0;
    uint32_t* frequencies_ = nullptr;
    unsigned heapSize_ = 0;
    std::array<uint16_t, kMaxSymbols + 1> heap_{};  // 1-based
    // Frequency of heap_[i], kept beside it; the slot after the last holds a sentinel that is never
    // strictly less frequent, so a missing right child is never taken.
    std::array<uint32_t, kMaxSymbols + 2> heapFrequency_{};
    std::array<uint16_t, kMaxNodes> leftChild_{};
    std::array<uint16_t, kMaxNodes> rightChild_{};
    std::array<uint8_t, kMaxNodes> depth_{};
    std::array<uint16_t, kMaxSymbols> leafOrder_{};  // leaves in the order they left the heap
    unsigned leafCount_ = 0;
    std::array<uint16_t, kMaxCodeLength + 1> lengthCount_{};
};

}  // namespace cmpak
