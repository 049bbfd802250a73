#include "MatchFinder.h"

#include <algorithm>

namespace cmpak {

void MatchFinder::start(const uint8_t* source, uint32_t length) {
    source_ = source;
    sourceLeft_ = length;
    std::fill(text_.begin(), text_.end(), kWindowFill);
    head_.fill(kNoPosition);
    position_ = kStartPosition;
    remainder_ = readSource(kStartPosition);
    matchLength_ = 0;
    matchPosition_ = 0;
    if (remainder_ > 0) {
        findAndInsert();
    }
}

uint32_t MatchFinder::readSource(unsigned at) {
    const uint32_t count = std::min<uint32_t>(sourceLeft_, kDictionarySize);
    if (count > 0) {
        std::memcpy(text_.data() + at, source_, count);
        source_ += count;
        sourceLeft_ -= count;
    }
    return count;
}

void MatchFinder::advance(bool findMatch) {
    --remainder_;
    if (++position_ == kSlidePosition) {
        slide();
    }
    if (findMatch) {
        findAndInsert();
    } else {
        insert();
    }
}

void MatchFinder::slide() {
    std::memmove(text_.data(), text_.data() + kDictionarySize, kTextSize - kDictionarySize);
    remainder_ += readSource(kStartPosition);
    position_ -= kDictionarySize;
    // Chains now point 1024 bytes lower; what falls off the front ends its chain.
    const auto shift = [](int16_t entry) {
        return static_cast<int16_t>(entry >= static_cast<int16_t>(kDictionarySize) ? entry - kDictionarySize
                                                                                   : kNoPosition);
    };
    for (int16_t& entry : head_) {
        entry = shift(entry);
    }
    for (unsigned at = 0; at < kDictionarySize; ++at) {
        previous_[at] = shift(previous_[at + kDictionarySize]);
    }
}

unsigned MatchFinder::commonLength(unsigned earlier) const {
    const uint8_t* a = text_.data() + earlier;
    const uint8_t* b = text_.data() + position_;
    unsigned length = 0;
    while (length < kMaxMatch) {
        uint64_t wordA;
        uint64_t wordB;
        std::memcpy(&wordA, a + length, sizeof wordA);
        std::memcpy(&wordB, b + length, sizeof wordB);
        const uint64_t difference = wordA ^ wordB;
        if (difference != 0) {
            if constexpr (std::endian::native == std::endian::little) {
                length += static_cast<unsigned>(std::countr_zero(difference)) / 8;
            } else {
                length += static_cast<unsigned>(std::countl_zero(difference)) / 8;
            }
            return std::min(length, kMaxMatch);
        }
        length += sizeof wordA;
    }
    return kMaxMatch;
}

void MatchFinder::findAndInsert() {
    const unsigned hash = hashAt(position_);
    const int lowest = static_cast<int>(position_) - static_cast<int>(kDictionarySize);
    const uint8_t* current = text_.data() + position_;
    unsigned bestLength = 0;
    unsigned bestPosition = 0;
    for (int candidate = head_[hash]; candidate >= lowest && candidate >= 0;
         candidate = previous_[candidate]) {
        // A longer match must at least agree at the first byte beyond the best so far.
        if (text_[candidate + bestLength] != current[bestLength]) {
            continue;
        }
        const unsigned length = commonLength(static_cast<unsigned>(candidate));
        if (length > bestLength) {
            bestLength = length;
            bestPosition = static_cast<unsigned>(candidate);
            if (length == kMaxMatch) {
                break;
            }
        }
    }
    matchLength_ = bestLength >= kMinMatch ? bestLength : 0;
    matchPosition_ = bestPosition;
    previous_[position_] = head_[hash];
    head_[hash] = static_cast<int16_t>(position_);
}

}  // namespace cmpak
