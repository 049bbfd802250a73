#include "StreamDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace cmpak {

namespace {
constexpr int kNoZeroRun = -1;
// With at least this much room after a match, it may be copied in 8-byte steps.
constexpr unsigned kWideCopy = 8;
// A refill reads up to 8 bytes past the less than 48 bits it may already hold, so reading ahead
// needs 112 bits of the stream still to come: the codes left in the block guarantee them, at their
// shortest code length each. While the code lengths are read that length is not known yet; every
// code takes a bit at least.
constexpr unsigned kBitsAheadForRefill = 112;
constexpr uint32_t kCodesAheadForRefill = kBitsAheadForRefill;
}  // namespace

bool StreamDecoder::decode(const uint8_t* stream, size_t streamLength, Mode mode, uint8_t* destination,
                           uint32_t size) {
    const bool bounded = mode == Mode::Bounded;
    reader_.start(stream, streamLength, kHeaderBytes, bounded);
    const bool decoded = bounded ? expand<true>(destination, size) : expand<false>(destination, size);
    if (!decoded) {
        return false;
    }
    if (bounded) {
        // Everything read must lie inside the stream, and so must the two end-padding bytes.
        const size_t consumedBytes = reader_.consumedBits() / 8;
        if (reader_.overrun() || consumedBytes + kEndPaddingBytes > streamLength) {
            return false;
        }
    }
    return true;
}

namespace {
// Copies a match that lies inside the data produced so far and leaves 8 bytes of room after it.
[[gnu::always_inline]] inline void copyWithin(uint8_t* out, unsigned distance, unsigned length) {
    const uint8_t* from = out - distance;
    if (distance >= kWideCopy) {
        // Each step reads bytes at least 8 back, all final already; overshoot is rewritten later.
        for (unsigned i = 0; i < length; i += kWideCopy) {
            std::memcpy(out + i, from + i, kWideCopy);
        }
        return;
    }
    // A short distance repeats a pattern of that period: once one whole multiple of the period of 8
    // or more bytes is written, 8-byte steps from that far back continue it.
    const unsigned period = (kWideCopy + distance - 1) / distance * distance;
    const unsigned head = length < period ? length : period;
    for (unsigned i = 0; i < head; ++i) {
        out[i] = from[i];
    }
    for (unsigned i = head; i < length; i += kWideCopy) {
        std::memcpy(out + i, out + i - period, kWideCopy);
    }
}
}  // namespace

template <bool kBounded>
bool StreamDecoder::expand(uint8_t* destination, uint32_t size) {
    // The hot loop works on a local copy of the reader, which stores into the destination cannot
    // alias; the member is used for block headers only.
    BitReader reader = reader_;
    uint8_t* out = destination;
    uint8_t* const end = destination + size;
    uint32_t blockCodes = 0;
    uint32_t eagerWhileCodesLeft = std::numeric_limits<uint32_t>::max();
    while (out < end) {
        if (blockCodes == 0) {
            // Past the end of the stream only zero bytes are fed; stop at the next block at the latest.
            reader_ = reader;
            if (reader_.overrun() || !readBlockHeader(blockCodes)) {
                return false;
            }
            reader = reader_;
            const unsigned shortest = codeTable_.shortestCode();
            eagerWhileCodesLeft = shortest == 0 ? std::numeric_limits<uint32_t>::max()
                                                : (kBitsAheadForRefill + shortest - 1) / shortest;
        }
        --blockCodes;
        // Eager reading, where one refill holds a whole literal or match. Without a known stream length
        // that is safe while enough codes of at least one bit each remain in the block: they and the
        // end padding lie ahead in the stream.
        const bool filled = kBounded || blockCodes >= eagerWhileCodesLeft;
        unsigned symbol;
        if (filled) {
            reader.refillAhead();
            symbol = codeTable_.decodeFilled<kLiteralTableBits>(reader);
        } else {
            symbol = codeTable_.decode<kLiteralTableBits>(reader);
        }
        if (symbol < kLiteralSymbols) [[likely]] {
            *out++ = static_cast<uint8_t>(symbol);
            continue;
        }
        if (symbol >= kCodeSymbols) {
            return false;
        }
        const unsigned length = symbol - kLengthSymbolBias;
        unsigned offsetBits;
        if (filled) {
            offsetBits = positionTable_.decodeFilled<kSmallTableBits>(reader);
        } else {
            offsetBits = positionTable_.decode<kSmallTableBits>(reader);
        }
        if (offsetBits >= kPositionSymbols) {
            return false;
        }
        unsigned offset = offsetBits;
        if (offsetBits > 1) {
            offset = (1u << (offsetBits - 1)) + reader.take(offsetBits - 1);
        }
        const uint32_t produced = static_cast<uint32_t>(out - destination);
        const unsigned distance = offset + 1;
        if (distance <= produced && static_cast<size_t>(end - out) >= length + kWideCopy) [[likely]] {
            copyWithin(out, distance, length);
            out += length;
            continue;
        }
        if (!copyMatch(destination, produced, size, length, distance, kBounded)) {
            return false;
        }
        out += std::min<uint32_t>(length, size - produced);
    }
    reader_ = reader;
    return true;
}

bool StreamDecoder::copyMatch(uint8_t* destination, uint32_t produced, uint32_t size, unsigned length,
                              unsigned distance, bool bounded) {
    if (length > size - produced) {
        if (bounded) {
            return false;
        }
        length = size - produced;
    }
    uint8_t* out = destination + produced;
    if (distance > produced) {
        if (bounded) {
            return false;
        }
        // Bytes before the start of the data are the window's initial fill.
        for (unsigned i = 0; i < length; ++i) {
            out[i] = produced + i >= distance ? out[static_cast<int>(i) - static_cast<int>(distance)]
                                              : kWindowFill;
        }
        return true;
    }
    const uint8_t* from = out - distance;
    for (unsigned i = 0; i < length; ++i) {
        out[i] = from[i];
    }
    return true;
}

bool StreamDecoder::readBlockHeader(uint32_t& blockCodes) {
    blockCodes = reader_.take(kBlockSizeBits);
    if (blockCodes == 0) {
        return false;
    }
    return readSmallCode(kLengthCodeSymbols, kLengthCodeCountBits, static_cast<int>(kZeroRunIndex)) &&
           readCodeLengths(blockCodes) && readSmallCode(kPositionSymbols, kPositionCountBits, kNoZeroRun) &&
           !reader_.overrun();
}

bool StreamDecoder::readSmallCode(unsigned symbolCount, unsigned countBits, int zeroRunIndex) {
    DecodeTable& table = zeroRunIndex == kNoZeroRun ? positionTable_ : lengthCodeTable_;
    const unsigned count = reader_.take(countBits);
    if (count == 0) {
        const unsigned symbol = reader_.take(countBits);
        if (symbol >= symbolCount) {
            return false;
        }
        table.setSingle(symbol, kSmallTableBits);
        return true;
    }
    if (count > symbolCount) {
        return false;
    }
    std::fill_n(lengths_.begin(), symbolCount, uint8_t{0});
    for (unsigned symbol = 0; symbol < count;) {
        unsigned length = reader_.take(kShortLengthBits);
        if (length == kLongLengthMark) {
            while (reader_.take(1) != 0) {
                if (++length > kMaxCodeLength) {
                    return false;
                }
            }
        }
        lengths_[symbol++] = static_cast<uint8_t>(length);
        if (static_cast<int>(symbol) == zeroRunIndex) {
            // Zero lengths are already in place; the run only moves the index on.
            symbol += reader_.take(kZeroRunBits);
        }
        if (reader_.overrun()) {
            return false;
        }
    }
    return table.build(lengths_.data(), symbolCount, kSmallTableBits);
}

bool StreamDecoder::readCodeLengths(uint32_t blockCodes) {
    const unsigned count = reader_.take(kCodeCountBits);
    if (count == 0) {
        const unsigned symbol = reader_.take(kCodeCountBits);
        if (symbol >= kCodeSymbols) {
            return false;
        }
        codeTable_.setSingle(symbol, kLiteralTableBits);
        return true;
    }
    if (count > kCodeSymbols) {
        return false;
    }
    std::fill(lengths_.begin(), lengths_.end(), uint8_t{0});
    // With a literal/length code that is not one symbol, each of the block's codes takes a bit at
    // least, so reading ahead is safe even where the stream length is unknown (see expand).
    const bool readAhead = blockCodes >= kCodesAheadForRefill;
    unsigned presentCount = 0;
    for (unsigned symbol = 0; symbol < count;) {
        unsigned lengthSymbol;
        if (readAhead) {
            reader_.refillAhead();
            lengthSymbol = lengthCodeTable_.decodeFilled<kSmallTableBits>(reader_);
        } else {
            lengthSymbol = lengthCodeTable_.decode<kSmallTableBits>(reader_);
        }
        if (lengthSymbol >= kLengthCodeSymbols) {
            return false;
        }
        if (lengthSymbol > kLongZeroRun) {
            present_[presentCount++] = static_cast<uint16_t>(symbol);
            lengths_[symbol++] = static_cast<uint8_t>(lengthSymbol - kLengthSymbolOffset);
        } else {
            unsigned run = 1;
            if (lengthSymbol == kShortZeroRun) {
                run = reader_.take(kShortZeroRunBits) + kShortZeroRunMin;
            } else if (lengthSymbol == kLongZeroRun) {
                run = reader_.take(kCodeCountBits) + kLongZeroRunMin;
            }
            if (run > count - symbol) {
                return false;
            }
            symbol += run;
        }
    }
    if (reader_.overrun()) {
        return false;
    }
    return codeTable_.build(lengths_.data(), present_.data(), presentCount, kCodeSymbols, kLiteralTableBits);
}

}  // namespace cmpak
