#include "BlockEncoder.h"

#include <bit>

namespace cmpak {

namespace {
constexpr unsigned kFirstFlag = 0x80;
constexpr int kNoZeroRun = -1;

unsigned bitLength(unsigned value) {
    return static_cast<unsigned>(std::bit_width(value));
}
}  // namespace

void BlockEncoder::start() {
    bufferUsed_ = 0;
    flagAt_ = 0;
    flagMask_ = 0;
    resetFrequencies();
}

void BlockEncoder::resetFrequencies() {
    codeFrequencies_.fill(0);
    positionFrequencies_.fill(0);
}

void BlockEncoder::output(unsigned symbol, bool isMatch, unsigned offset) {
    flagMask_ >>= 1;
    if (flagMask_ == 0) {
        flagMask_ = kFirstFlag;
        if (bufferUsed_ >= kBlockCloseMark) {
            closeBlock();
            bufferUsed_ = 0;
        }
        flagAt_ = bufferUsed_++;
        buffer_[flagAt_] = 0;
    }
    buffer_[bufferUsed_++] = static_cast<uint8_t>(symbol);
    ++codeFrequencies_[symbol];
    if (isMatch) {
        buffer_[flagAt_] |= static_cast<uint8_t>(flagMask_);
        buffer_[bufferUsed_++] = static_cast<uint8_t>(offset >> 8);
        buffer_[bufferUsed_++] = static_cast<uint8_t>(offset);
        ++positionFrequencies_[bitLength(offset)];
    }
}

void BlockEncoder::finish() {
    if (bufferUsed_ > 0) {
        closeBlock();
    }
    bufferUsed_ = 0;
    flagMask_ = 0;
}

void BlockEncoder::closeBlock() {
    const unsigned codeRoot =
        huffman_.build(kCodeSymbols, codeFrequencies_.data(), codeLengths_.data(), codes_.data());
    writer_.put(kBlockSizeBits, codeFrequencies_[codeRoot]);
    if (codeRoot >= kCodeSymbols) {
        unsigned codeCount = kCodeSymbols;
        while (codeCount > 0 && codeLengths_[codeCount - 1] == 0) {
            --codeCount;
        }
        countLengthCodeFrequencies(codeCount);
        const unsigned lengthRoot = huffman_.build(kLengthCodeSymbols, lengthCodeFrequencies_.data(),
                                                   tableLengths_.data(), tableCodes_.data());
        if (lengthRoot >= kLengthCodeSymbols) {
            writeLengthCodeLengths(kLengthCodeSymbols, kLengthCodeCountBits, kZeroRunIndex);
        } else {
            writer_.put(kLengthCodeCountBits, 0);
            writer_.put(kLengthCodeCountBits, lengthRoot);
        }
        writeCodeLengths(codeCount);
    } else {
        // One symbol only: the code-length code and the literal/length code in their one-symbol forms.
        writer_.put(kLengthCodeCountBits, 0);
        writer_.put(kLengthCodeCountBits, 0);
        writer_.put(kCodeCountBits, 0);
        writer_.put(kCodeCountBits, codeRoot);
    }

    const unsigned positionRoot = huffman_.build(kPositionSymbols, positionFrequencies_.data(),
                                                 tableLengths_.data(), tableCodes_.data());
    if (positionRoot >= kPositionSymbols) {
        writeLengthCodeLengths(kPositionSymbols, kPositionCountBits, kNoZeroRun);
    } else {
        writer_.put(kPositionCountBits, 0);
        writer_.put(kPositionCountBits, positionRoot);
    }

    writeCodes();
    resetFrequencies();
}

void BlockEncoder::countLengthCodeFrequencies(unsigned codeCount) {
    lengthCodeFrequencies_.fill(0);
    for (unsigned symbol = 0; symbol < codeCount;) {
        const unsigned length = codeLengths_[symbol++];
        if (length != 0) {
            ++lengthCodeFrequencies_[length + kLengthSymbolOffset];
            continue;
        }
        unsigned run = 1;
        while (symbol < codeCount && codeLengths_[symbol] == 0) {
            ++symbol;
            ++run;
        }
        if (run < kShortZeroRunMin) {
            lengthCodeFrequencies_[kOneZero] += run;
        } else if (run <= kShortZeroRunMax) {
            ++lengthCodeFrequencies_[kShortZeroRun];
        } else if (run == kShortZeroRunMax + 1) {
            ++lengthCodeFrequencies_[kOneZero];
            ++lengthCodeFrequencies_[kShortZeroRun];
        } else {
            ++lengthCodeFrequencies_[kLongZeroRun];
        }
    }
}

void BlockEncoder::writeLengthCodeLengths(unsigned symbolCount, unsigned countBits, int zeroRunIndex) {
    unsigned count = symbolCount;
    while (count > 0 && tableLengths_[count - 1] == 0) {
        --count;
    }
    writer_.put(countBits, count);
    for (unsigned symbol = 0; symbol < count;) {
        const unsigned length = tableLengths_[symbol++];
        if (length < kLongLengthMark) {
            writer_.put(kShortLengthBits, length);
        } else {
            // 111, then one 1 bit for each step above 7, then a closing 0.
            writer_.put(kShortLengthBits, kLongLengthMark);
            const unsigned tailBits = length - kLongLengthMark + 1;
            writer_.put(tailBits, (1u << tailBits) - 2);
        }
        if (static_cast<int>(symbol) == zeroRunIndex) {
            while (symbol < kZeroRunLimit && tableLengths_[symbol] == 0) {
                ++symbol;
            }
            writer_.put(kZeroRunBits, symbol - kZeroRunIndex);
        }
    }
}

void BlockEncoder::writeCodeLengths(unsigned codeCount) {
    writer_.put(kCodeCountBits, codeCount);
    for (unsigned symbol = 0; symbol < codeCount;) {
        const unsigned length = codeLengths_[symbol++];
        if (length != 0) {
            writeLengthCodeSymbol(length + kLengthSymbolOffset);
            continue;
        }
        unsigned run = 1;
        while (symbol < codeCount && codeLengths_[symbol] == 0) {
            ++symbol;
            ++run;
        }
        if (run < kShortZeroRunMin) {
            for (; run > 0; --run) {
                writeLengthCodeSymbol(kOneZero);
            }
        } else if (run <= kShortZeroRunMax) {
            writeLengthCodeSymbol(kShortZeroRun);
            writer_.put(kShortZeroRunBits, run - kShortZeroRunMin);
        } else if (run == kShortZeroRunMax + 1) {
            writeLengthCodeSymbol(kOneZero);
            writeLengthCodeSymbol(kShortZeroRun);
            writer_.put(kShortZeroRunBits, kShortZeroRunMax - kShortZeroRunMin);
        } else {
            writeLengthCodeSymbol(kLongZeroRun);
            writer_.put(kCodeCountBits, run - kLongZeroRunMin);
        }
    }
}

void BlockEncoder::writeCodes() {
    // A local copy of the writer stays in registers; its stores into the output cannot alias it.
    BitWriter writer = writer_;
    const unsigned used = bufferUsed_;
    unsigned flags = 0;
    unsigned at = 0;
    for (unsigned code = 0; at < used; ++code) {
        if ((code & 7) == 0) {
            flags = buffer_[at++];
        } else {
            flags <<= 1;
        }
        if ((flags & kFirstFlag) == 0) {
            const unsigned literal = buffer_[at++];
            writer.put(codeLengths_[literal], codes_[literal]);
            continue;
        }
        const unsigned symbol = buffer_[at] + kLiteralSymbols;
        const unsigned offset = static_cast<unsigned>(buffer_[at + 1]) << 8 | buffer_[at + 2];
        at += 3;
        writer.put(codeLengths_[symbol], codes_[symbol]);
        const unsigned offsetBits = bitLength(offset);
        writer.put(tableLengths_[offsetBits], tableCodes_[offsetBits]);
        if (offsetBits > 1) {
            writer.put(offsetBits - 1, offset & ((1u << (offsetBits - 1)) - 1));
        }
    }
    writer_ = writer;
}

}  // namespace cmpak
