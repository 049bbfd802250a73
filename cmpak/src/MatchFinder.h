#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "CodecFormat.h"

namespace cmpak {

// Sliding text buffer of the encoder with hash chains over its positions. For every position it finds
// the longest earlier string (3..255 bytes, 1..1024 bytes back) and, among equally long ones, the
// nearest. The buffer holds the window, the current string and the look-ahead; when the position
// reaches the slide mark the newer half moves to the front and the next source bytes are read.
class MatchFinder {
  public:
    static constexpr unsigned kTextSize = 2 * kDictionarySize + kMaxMatch;   // 2303
    static constexpr unsigned kStartPosition = kDictionarySize + kMaxMatch;  // 1279
    static constexpr unsigned kSlidePosition = 2 * kDictionarySize;          // 2048

    // Loads the first source bytes and looks up the match at the first position.
    void start(const uint8_t* source, uint32_t length);

    // Moves one position on. With findMatch the match there is looked up; the positions a match
    // skips only need to be entered into the chains.
    void advance(bool findMatch) {
        --remainder_;
        if (++position_ == kSlidePosition) {
            slide();
        }
        if (findMatch) {
            findAndInsert();
        } else {
            insert(hash3At(position_), hash4At(position_));
        }
    }

    // The match at the current position, never longer than the bytes that remain; below 3 means none.
    unsigned matchLength() const { return matchLength_ < remainder_ ? matchLength_ : remainder_; }
    // Position of that match in the text buffer.
    unsigned matchPosition() const { return matchPosition_; }
    unsigned position() const { return position_; }
    // Source bytes read ahead from the current position on; near the end, all that is left.
    uint32_t remainder() const { return remainder_; }
    uint8_t byteBefore() const { return text_[position_ - 1]; }

  private:
    static constexpr unsigned kHashBits = 12;
    static constexpr unsigned kChainSize = kSlidePosition;  // a power of two above the window
    // Chain entries are absolute positions (base_ + buffer offset). They are renumbered down once the
    // base passes kRebaseLimit, which keeps them within 16 bits (so that the chains stay in the first
    // level cache); 0 is below every valid position, as the base never drops below kRebasedBase.
    static constexpr uint32_t kRebaseLimit = 1u << 15;
    static constexpr uint32_t kRebasedBase = 2 * kSlidePosition;
    // Word-wise comparison may look a few bytes past the longest match.
    static constexpr unsigned kComparePadding = 16;

    // Strings of 4 and more bytes are found through chains keyed by their first four bytes; a string
    // that only shares three bytes is looked up through the shorter-keyed chains only when no longer
    // match exists, where the nearest one is wanted.
    uint32_t keyAt(unsigned position) const {
        uint32_t key;
        std::memcpy(&key, text_.data() + position, sizeof key);
        return key;
    }
    unsigned hash3At(unsigned position) const {
        const uint32_t key = keyAt(position);
        const uint32_t firstThree = std::endian::native == std::endian::little ? key << 8 : key >> 8;
        return (firstThree * 2654435761u) >> (32 - kHashBits);
    }
    unsigned hash4At(unsigned position) const { return (keyAt(position) * 2246822519u) >> (32 - kHashBits); }

    void insert(unsigned hash3, unsigned hash4) {
        const auto absolute = static_cast<Entry>(base_ + position_);
        previous3_[absolute & (kChainSize - 1)] = head3_[hash3];
        head3_[hash3] = absolute;
        previous4_[absolute & (kChainSize - 1)] = head4_[hash4];
        head4_[hash4] = absolute;
    }
    uint32_t readSource(unsigned at);
    void slide();
    void rebase();
    void findAndInsert();
    unsigned commonLength(unsigned earlier) const;

    std::array<uint8_t, kTextSize + kComparePadding> text_{};
    // Most recent position of each hash, and for each position the one before it with the same hash;
    // one set per key length.
    using Entry = uint16_t;
    static_assert(kRebaseLimit + kSlidePosition <= 1u << 16, "absolute positions must fit an Entry");
    std::array<Entry, 1u << kHashBits> head3_{};
    std::array<Entry, kChainSize> previous3_{};
    std::array<Entry, 1u << kHashBits> head4_{};
    std::array<Entry, kChainSize> previous4_{};
    uint32_t base_ = 0;           // absolute position of text_[0]
    uint32_t firstPosition_ = 0;  // absolute position of the first source byte of this call
    const uint8_t* source_ = nullptr;
    uint32_t sourceLeft_ = 0;
    unsigned position_ = 0;
    uint32_t remainder_ = 0;
    unsigned matchLength_ = 0;
    unsigned matchPosition_ = 0;
};

}  // namespace cmpak
