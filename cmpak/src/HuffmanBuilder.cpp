#include "HuffmanBuilder.h"

#include <algorithm>
#include <limits>

namespace cmpak {

unsigned HuffmanBuilder::build(unsigned symbolCount, uint32_t* frequencies, uint8_t* lengths,
                               uint16_t* codes) {
    symbolCount_ = symbolCount;
    frequencies_ = frequencies;
    heapSize_ = 0;
    heap_[1] = 0;
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol) {
        lengths[symbol] = 0;
        if (frequencies[symbol] != 0) {
            ++heapSize_;
            heap_[heapSize_] = static_cast<uint16_t>(symbol);
            heapFrequency_[heapSize_] = frequencies[symbol];
        }
    }
    if (heapSize_ < 2) {
        codes[heap_[1]] = 0;
        return heap_[1];
    }
    for (unsigned slot = heapSize_ / 2; slot >= 1; --slot) {
        siftDown(slot);
    }

    leafCount_ = 0;
    unsigned nextNode = symbolCount;
    do {
        const unsigned least = heap_[1];
        if (least < symbolCount) {
            leafOrder_[leafCount_++] = static_cast<uint16_t>(least);
        }
        heap_[1] = heap_[heapSize_];
        heapFrequency_[1] = heapFrequency_[heapSize_];
        --heapSize_;
        siftDown(1);
        const unsigned second = heap_[1];
        if (second < symbolCount) {
            leafOrder_[leafCount_++] = static_cast<uint16_t>(second);
        }
        const unsigned node = nextNode++;
        frequencies[node] = frequencies[least] + frequencies[second];
        heap_[1] = static_cast<uint16_t>(node);
        heapFrequency_[1] = frequencies[node];
        siftDown(1);
        leftChild_[node] = static_cast<uint16_t>(least);
        rightChild_[node] = static_cast<uint16_t>(second);
    } while (heapSize_ > 1);

    const unsigned root = nextNode - 1;
    countLeafDepths(root);
    assignLengths(lengths);
    assignCanonicalCodes(lengths, codes);
    return root;
}

void HuffmanBuilder::siftDown(unsigned slot) {
    const uint16_t node = heap_[slot];
    const uint32_t frequency = heapFrequency_[slot];
    heapFrequency_[heapSize_ + 1] = std::numeric_limits<uint32_t>::max();
    for (unsigned child = 2 * slot; child <= heapSize_; child = 2 * slot) {
        // The right child is taken only when it is strictly less frequent.
        const uint32_t left = heapFrequency_[child];
        const uint32_t right = heapFrequency_[child + 1];
        const bool takeRight = left > right;
        child += takeRight ? 1 : 0;
        const uint32_t childFrequency = takeRight ? right : left;
        if (frequency <= childFrequency) {
            break;
        }
        heap_[slot] = heap_[child];
        heapFrequency_[slot] = childFrequency;
        slot = child;
    }
    heap_[slot] = node;
    heapFrequency_[slot] = frequency;
}

void HuffmanBuilder::countLeafDepths(unsigned root) {
    lengthCount_.fill(0);
    // Inner nodes are numbered in creation order, so every parent comes after its children.
    depth_[root] = 0;
    for (unsigned node = root + 1; node-- > symbolCount_;) {
        const uint8_t childDepth = static_cast<uint8_t>(std::min<unsigned>(depth_[node] + 1u, 255u));
        for (const unsigned child : {leftChild_[node], rightChild_[node]}) {
            depth_[child] = childDepth;
            if (child < symbolCount_) {
                // A block never holds enough codes for a deeper leaf; were it so, it would count here.
                ++lengthCount_[std::min<unsigned>(childDepth, kMaxCodeLength)];
            }
        }
    }
}

void HuffmanBuilder::assignLengths(uint8_t* lengths) const {
    unsigned leaf = 0;
    for (unsigned length = kMaxCodeLength; length >= 1; --length) {
        for (unsigned count = lengthCount_[length]; count > 0; --count) {
            lengths[leafOrder_[leaf++]] = static_cast<uint8_t>(length);
        }
    }
}

void HuffmanBuilder::assignCanonicalCodes(const uint8_t* lengths, uint16_t* codes) const {
    std::array<uint16_t, kMaxCodeLength + 2> nextCode{};
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        nextCode[length + 1] = static_cast<uint16_t>((nextCode[length] + lengthCount_[length]) << 1);
    }
    for (unsigned symbol = 0; symbol < symbolCount_; ++symbol) {
        codes[symbol] = lengths[symbol] != 0 ? nextCode[lengths[symbol]]++ : 0;
    }
}

}  // namespace cmpak
