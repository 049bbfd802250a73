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
    void advance(bool findMatch);

    // The match at the current position, never longer than the bytes that remain; below 3 means none.
    unsigned matchLength() const { return matchLength_ < remainder_ ? matchLength_ : remainder_; }
    // Position of that match in the text buffer.
    unsigned matchPosition() const { return matchPosition_; }
    unsigned position() const { return position_; }
    // Source bytes from the current position to the end.
    uint32_t remainder() const { return remainder_; }
    uint8_t byteBefore() const { return text_[position_ - 1]; }

  private:
    static constexpr unsigned kHashBits = 12;
    static constexpr int16_t kNoPosition = -1;
    // Word-wise comparison may look a few bytes past the longest match.
    static constexpr unsigned kComparePadding = 16;

    unsigned hashAt(unsigned position) const {
        const uint32_t key = static_cast<uint32_t>(text_[position]) << 16 |
                             static_cast<uint32_t>(text_[position + 1]) << 8 | text_[position + 2];
        return (key * 2654435761u) >> (32 - kHashBits);
    }
    uint32_t readSource(unsigned at);
    void slide();
    void findAndInsert();
    void insert() {
        const unsigned hash = hashAt(position_);
        previous_[position_] = head_[hash];
        head_[hash] = static_cast<int16_t>(position_);
    }
    unsigned commonLength(unsigned earlier) const;

    std::array<uint8_t, kTextSize + kComparePadding> text_{};
    // Most recent position of each hash, and for each position the one before it with the same hash;
    // positions are text buffer offsets, kNoPosition ends a chain.
    std::array<int16_t, 1u << kHashBits> head_{};
    std::array<int16_t, kSlidePosition> previous_{};
    const uint8_t* source_ = nullptr;
    uint32_t sourceLeft_ = 0;
    unsigned position_ = 0;
    uint32_t remainder_ = 0;
    unsigned matchLength_ = 0;
    unsigned matchPosition_ = 0;
};

}  // namespace cmpak
