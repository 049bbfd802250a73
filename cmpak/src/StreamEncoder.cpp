#include "StreamEncoder.h"

namespace cmpak {

uint32_t StreamEncoder::compress(const uint8_t* source, uint32_t length, uint8_t* destination,
                                 std::FILE* statistics) {
    for (unsigned i = 0; i < kHeaderBytes; ++i) {
        destination[i] = static_cast<uint8_t>(length >> (8 * (kHeaderBytes - 1 - i)));
    }
    writer_.start(destination + kHeaderBytes);
    blocks_.start();
    progressMark_ = 0;
    if (length == 0) {
        return 0;
    }
    finder_.start(source, length);
    uint32_t coded = 0;

    while (finder_.remainder() > 0) {
        const unsigned lastLength = finder_.matchLength();
        const unsigned lastPosition = finder_.matchPosition();
        finder_.advance(true);
        // A match is taken only when the match one byte later is not longer.
        if (finder_.matchLength() > lastLength || lastLength < kMinMatch) {
            blocks_.outputLiteral(finder_.byteBefore());
            ++coded;
        } else {
            // Positions are buffer offsets; a slide in between moves them by 1024, which the mask absorbs.
            blocks_.outputMatch(lastLength, (finder_.position() - lastPosition - 2) & (kDictionarySize - 1));
            for (unsigned skipped = 1; skipped < lastLength; ++skipped) {
                finder_.advance(skipped + 1 == lastLength);
            }
            coded += lastLength;
        }
        if (statistics != nullptr) {
            reportProgress(coded, statistics);
        }
    }

    blocks_.finish();
    writer_.finishWithPadding();
    const uint32_t written = static_cast<uint32_t>(kHeaderBytes + writer_.bytesWritten());
    if (statistics != nullptr) {
        reportSummary(length, written, statistics);
    }
    return written;
}

void StreamEncoder::reportProgress(uint32_t coded, std::FILE* statistics) {
    if (coded > progressMark_) {
        std::fprintf(statistics, "%12lu\r", static_cast<unsigned long>(coded));
        progressMark_ += kProgressStep;
    }
}

void StreamEncoder::reportSummary(uint32_t length, uint32_t written, std::FILE* statistics) {
    std::fprintf(statistics, "In  : %lu byte\n", static_cast<unsigned long>(length));
    std::fprintf(statistics, "Out : %lu byte\n", static_cast<unsigned long>(written));
    const uint64_t ratio = (length / 2 + static_cast<uint64_t>(written) * 1000) / length;
    std::fprintf(statistics, "Out/In: %lu.%03lu\n", static_cast<unsigned long>(ratio / 1000),
                 static_cast<unsigned long>(ratio % 1000));
}

}  // namespace cmpak
