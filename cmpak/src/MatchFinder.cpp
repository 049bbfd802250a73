#include "MatchFinder.h"

#include <algorithm>

namespace cmpak {

namespace {
uint16_t load16(const uint8_t* at) {
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}
}  // namespace

void MatchFinder::start(const uint8_t* source, uint32_t length) {
    source_ = source;
    sourceLeft_ = length;
    std::fill(text_.begin(), text_.end(), kWindowFill);
    // Start well past every position entered by earlier calls, so that none of them is valid.
    base_ += 2 * kSlidePosition;
    if (base_ >= kRebaseLimit) {
        rebase();
    }
    position_ = kStartPosition;
    firstPosition_ = base_ + kStartPosition;
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

void MatchFinder::slide() {
    std::memmove(text_.data(), text_.data() + kDictionarySize, kTextSize - kDictionarySize);
    remainder_ += readSource(kStartPosition);
    position_ -= kDictionarySize;
    base_ += kDictionarySize;
    if (base_ >= kRebaseLimit) {
        rebase();
    }
}

void MatchFinder::rebase() {
    // Moves every absolute position down so that the base comes to lie just above kRebasedBase; what
    // would fall below 0 is long out of the window and becomes 0, which no lookup accepts. The shift
    // is a multiple of the ring size, so ring slots stay with the positions they hold.
    const uint32_t shift = (base_ - kRebasedBase) & ~(kChainSize - 1);
    const auto lower = [shift](Entry entry) {
        return static_cast<Entry>(entry >= shift ? entry - shift : 0);
    };
    for (auto* table : {&head3_, &head4_}) {
        std::transform(table->begin(), table->end(), table->begin(), lower);
    }
    for (auto* table : {&previous3_, &previous4_}) {
        std::transform(table->begin(), table->end(), table->begin(), lower);
    }
    firstPosition_ = firstPosition_ >= shift ? firstPosition_ - shift : 0;
    base_ -= shift;
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
    const unsigned hash3 = hash3At(position_);
    const unsigned hash4 = hash4At(position_);
    const uint32_t absolute = base_ + position_;
    const uint32_t lowest = std::max(absolute - kDictionarySize, firstPosition_);
    const uint8_t* current = text_.data() + position_;
    // Anything shorter than 4 bytes is looked for below, so the first check covers bytes 0 to 3.
    unsigned bestLength = kMinMatch;
    unsigned bestPosition = 0;
    unsigned tail = bestLength - 1;
    for (uint32_t candidate = head4_[hash4]; candidate >= lowest;
         candidate = previous4_[candidate & (kChainSize - 1)]) {
        // A longer match must agree on the first two bytes and on the two ending at the byte after the
        // best so far.
        const uint8_t* earlier = text_.data() + (candidate - base_);
        if (load16(earlier + tail) != load16(current + tail) || load16(earlier) != load16(current)) {
            continue;
        }
        const unsigned length = commonLength(candidate - base_);
        if (length > bestLength) {
            bestLength = length;
            bestPosition = candidate - base_;
            tail = bestLength - 1;
            if (length == kMaxMatch) {
                break;
            }
        }
    }
    if (bestLength == kMinMatch) {
        // No match of 4 or more: the nearest string sharing the first three bytes, if any.
        bestLength = 0;
        for (uint32_t candidate = head3_[hash3]; candidate >= lowest;
             candidate = previous3_[candidate & (kChainSize - 1)]) {
            const uint8_t* earlier = text_.data() + (candidate - base_);
            if (load16(earlier) == load16(current) && earlier[2] == current[2]) {
                bestLength = kMinMatch;
                bestPosition = candidate - base_;
                break;
            }
        }
    }
    matchLength_ = bestLength;
    matchPosition_ = bestPosition;
    insert(hash3, hash4);
}

}  // namespace cmpak
