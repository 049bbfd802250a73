#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace cmpak {

// Reads a stream most significant bit first through a 64-bit buffer whose valid bits sit at the top.
// Eager mode (stream length known) refills eight bytes at a time and feeds zero bytes past the end,
// noting an overrun once it is clearly beyond it. Lazy mode (stream length unknown) fetches a byte only
// when a field needs its bits, so a valid stream is never read past its end padding.
class BitReader {
  public:
    void start(const uint8_t* stream, size_t length, size_t offset, bool eager) {
        stream_ = stream;
        length_ = length;
        index_ = offset;
        eager_ = eager;
        buffer_ = 0;
        available_ = 0;
        overrun_ = false;
    }

    unsigned available() const { return available_; }
    // The next bitCount bits (1..16); bits not yet fetched read as 0.
    uint32_t peek(unsigned bitCount) const { return static_cast<uint32_t>(buffer_ >> (64 - bitCount)); }
    void consume(unsigned bitCount) {
        buffer_ <<= bitCount;
        available_ -= bitCount;
    }
    uint32_t take(unsigned bitCount) {
        if (bitCount == 0) {
            return 0;
        }
        while (available_ < bitCount) {
            fetchByte();
        }
        const uint32_t value = peek(bitCount);
        consume(bitCount);
        return value;
    }

    // Eager mode: makes at least 48 bits available, enough for one whole literal or match.
    void refill() {
        if (eager_) {
            refillAhead();
        }
    }

    // As refill, in either mode: for a lazy reader the caller knows that the next 16 bytes belong to
    // the stream.
    void refillAhead() {
        if (available_ >= kRefillLevel) {
            return;
        }
        if (index_ + sizeof(uint64_t) <= length_) {
            uint64_t word;
            std::memcpy(&word, stream_ + index_, sizeof word);
            word = toBigEndian(word);
            // Bits of a byte only partly taken are fetched again later; OR-ing them twice is harmless.
            buffer_ |= word >> available_;
            const unsigned bytes = (63 - available_) / 8;
            index_ += bytes;
            available_ += 8 * bytes;
            return;
        }
        while (available_ <= 56) {
            fetchByte();
        }
    }

    void fetchByte() {
        uint8_t byte = 0;
        if (index_ < length_) {
            byte = stream_[index_];
        } else if (index_ > length_ + kOverrunSlack) {
            overrun_ = true;
        }
        ++index_;
        buffer_ |= static_cast<uint64_t>(byte) << (56 - available_);
        available_ += 8;
    }

    // True once more bits were consumed than the stream holds, or are about to be.
    bool overrun() const { return overrun_; }
    // Bits consumed so far, counted from the start of the stream.
    size_t consumedBits() const { return 8 * index_ - available_; }

  private:
    static constexpr unsigned kRefillLevel = 48;
    // Zero bytes fed past the end before the reader itself must have gone past it.
    static constexpr size_t kOverrunSlack = 8;

    static uint64_t toBigEndian(uint64_t word) {
        if constexpr (std::endian::native == std::endian::little) {
            return __builtin_bswap64(word);
        } else {
            return word;
        }
    }

    const uint8_t* stream_ = nullptr;
    size_t length_ = 0;
    size_t index_ = 0;
    uint64_t buffer_ = 0;
    unsigned available_ = 0;
    bool eager_ = false;
    bool overrun_ = false;
};

}  // namespace cmpak
