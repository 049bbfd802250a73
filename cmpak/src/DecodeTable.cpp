#include "DecodeTable.h"

#include <algorithm>

namespace cmpak {

void DecodeTable::setSingle(unsigned symbol, unsigned tableBits) {
    tableBits_ = tableBits;
    symbolCount_ = symbol + 1;
    std::fill_n(entries_.begin(), 1u << tableBits, static_cast<uint16_t>(symbol));
}

bool DecodeTable::build(const uint8_t* lengths, unsigned symbolCount, unsigned tableBits) {
    tableBits_ = tableBits;
    symbolCount_ = symbolCount;
    nodeCount_ = 0;

    std::array<unsigned, kMaxCodeLength + 1> lengthCount{};
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol) {
        if (lengths[symbol] > kMaxCodeLength) {
            return false;
        }
        ++lengthCount[lengths[symbol]];
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
    std::fill_n(entries_.begin(), 1u << tableBits, kUnset);
    for (unsigned symbol = 0; symbol < symbolCount; ++symbol) {
        const unsigned length = lengths[symbol];
        if (length == 0) {
            continue;
        }
        const unsigned code = nextCode[length]++;
        if (length <= tableBits) {
            const unsigned first = code << (tableBits - length);
            std::fill_n(entries_.begin() + first, 1u << (tableBits - length),
                        static_cast<uint16_t>(symbol | length << kLengthShift));
        } else if (!addLongCode(symbol, code, length)) {
            return false;
        }
    }
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

unsigned DecodeTable::walkTree(unsigned node, BitReader& reader) const {
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

}  // namespace cmpak
