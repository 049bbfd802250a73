#include "DecodeTable.h"

#include <algorithm>
#include <cstring>

namespace cmpak {

void DecodeTable::setSingle(unsigned symbol, unsigned tableBits) {
    tableBits_ = tableBits;
    symbolCount_ = symbol + 1;
    shortestCode_ = 0;
    std::fill_n(entries_.begin(), 1u << tableBits, static_cast<uint16_t>(symbol));
}

inline void DecodeTable::fillSpan(unsigned first, unsigned span, uint16_t entry) {
    uint16_t* at = entries_.data() + first;
    if (span < 4) {
        for (unsigned i = 0; i < span; ++i) {
            at[i] = entry;
        }
        return;
    }
    // Spans of 4 and more are aligned to their size: store four or eight entries at a time.
    const uint64_t four = entry * 0x0001000100010001ull;
    if (span < 8) {
        std::memcpy(at, &four, sizeof four);
        return;
    }
    const uint64_t eight[2] = {four, four};
    for (unsigned i = 0; i < span; i += 8) {
        std::memcpy(at + i, eight, sizeof eight);
    }
}

bool DecodeTable::build(const uint8_t* lengths, unsigned symbolCount, unsigned tableBits) {
    tableBits_ = tableBits;
    symbolCount_ = symbolCount;
    nodeCount_ = 0;
    shortestCode_ = 0;

    std::array<uint16_t, kCodeSymbols> present;
    unsigned presentCount = 0;
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol) {
        if (lengths[symbol] != 0) {
            present[presentCount++] = static_cast<uint16_t>(symbol);
        }
    }
    return build(lengths, present.data(), presentCount, symbolCount, tableBits);
}

bool DecodeTable::build(const uint8_t* lengths, const uint16_t* present, unsigned presentCount,
                        unsigned symbolCount, unsigned tableBits) {
    tableBits_ = tableBits;
    symbolCount_ = symbolCount;
    nodeCount_ = 0;
    shortestCode_ = 0;

    unsigned longest = 0;
    unsigned shortest = kMaxCodeLength;
    for (unsigned i = 0; i < presentCount; ++i) {
        longest = std::max<unsigned>(longest, lengths[present[i]]);
        shortest = std::min<unsigned>(shortest, lengths[present[i]]);
    }
    if (longest > kMaxCodeLength) {
        return false;
    }
    std::array<unsigned, kMaxCodeLength + 1> lengthCount{};
    for (unsigned i = 0; i < presentCount; ++i) {
        ++lengthCount[lengths[present[i]]];
    }
    // The code is complete when its codes fill the 16-bit code space exactly.
    uint32_t codeSpace = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        codeSpace += lengthCount[length] << (kMaxCodeLength - length);
    }
    if (codeSpace != 1u << kMaxCodeLength) {
        return false;
    }

    std::array<unsigned, kMaxCodeLength + 2> nextCode{};
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        nextCode[length + 1] = (nextCode[length] + lengthCount[length]) << 1;
    }
    // Tree slots are told apart from free ones by kUnset; short-only codes cover every entry anyway.
    if (longest > tableBits) {
        std::fill_n(entries_.begin(), 1u << tableBits, kUnset);
    }
    for (unsigned i = 0; i < presentCount; ++i) {
        const unsigned symbol = present[i];
        const unsigned length = lengths[symbol];
        const unsigned code = nextCode[length]++;
        if (length <= tableBits) {
            fillSpan(code << (tableBits - length), 1u << (tableBits - length),
                     static_cast<uint16_t>(symbol | length << kLengthShift));
        } else if (!addLongCode(symbol, code, length)) {
            return false;
        }
    }
    shortestCode_ = shortest;
    return true;
}

bool DecodeTable::newNode(uint16_t& link) {
    if (nodeCount_ >= kMaxNodes) {
        return false;
    }
    left_[nodeCount_] = kUnset;
    right_[nodeCount_] = kUnset;
    link = static_cast<uint16_t>(nodeCount_++);
    return true;
}

bool DecodeTable::addLongCode(unsigned symbol, unsigned code, unsigned length) {
    uint16_t& entry = entries_[code >> (length - tableBits_)];
    if (entry == kUnset) {
        uint16_t node;
        if (!newNode(node)) {
            return false;
        }
        entry = static_cast<uint16_t>(kTreeFlag | node);
    } else if ((entry & kTreeFlag) == 0) {
        return false;
    }
    unsigned node = entry & kSymbolMask;
    for (unsigned bit = length - tableBits_; bit-- > 0;) {
        uint16_t& child = ((code >> bit) & 1) != 0 ? right_[node] : left_[node];
        if (bit == 0) {
            if (child != kUnset) {
                return false;
            }
            child = static_cast<uint16_t>(symbol);
            return true;
        }
        if (child == kUnset) {
            uint16_t created;
            if (!newNode(created)) {
                return false;
            }
            child = static_cast<uint16_t>(symbolCount_ + created);
        } else if (child < symbolCount_) {
            return false;
        }
        node = child - symbolCount_;
    }
    return false;
}

}  // namespace cmpak
