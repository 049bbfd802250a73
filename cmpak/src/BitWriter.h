#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace cmpak {

// Packs fields most significant bit first into a destination whose size the caller vouches for.
// Only completed bytes are ever stored, so nothing beyond the final byte count is touched.
class BitWriter {
  public:
    void start(uint8_t* out);

    // Appends the low bitCount bits of value (bitCount <= 16, value < 2^bitCount).
    void put(unsigned bitCount, unsigned value) {
        pending_ = (pending_ << bitCount) | value;
        pendingBits_ += bitCount;
        if (pendingBits_ >= 32) {
            pendingBits_ -= 32;
            storeWord(static_cast<uint32_t>(pending_ >> pendingBits_));
        }
    }

    // Writes the end padding: 16 zero bits, of which only the whole bytes are kept.
    void finishWithPadding();

    size_t bytesWritten() const { return written_; }

  private:
    void storeWord(uint32_t word) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                                  static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
        std::memcpy(out_ + written_, bytes, sizeof bytes);
        written_ += sizeof bytes;
    }

    uint8_t* out_ = nullptr;
    size_t written_ = 0;
    uint64_t pending_ = 0;      // the newest pendingBits_ bits are not yet stored
    unsigned pendingBits_ = 0;  // always below 32 between calls
};

}  // namespace cmpak
