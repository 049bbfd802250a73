#include "BitWriter.h"

#include "CodecFormat.h"

namespace cmpak {

void BitWriter::start(uint8_t* out) {
    out_ = out;
    written_ = 0;
    pending_ = 0;
    pendingBits_ = 0;
}

void BitWriter::finishWithPadding() {
    put(kEndPaddingBits, 0);
    while (pendingBits_ >= 8) {
        pendingBits_ -= 8;
        out_[written_++] = static_cast<uint8_t>(pending_ >> pendingBits_);
    }
    // What is left is less than a byte of padding zeros; it is dropped.
    pendingBits_ = 0;
    pending_ = 0;
}

}  // namespace cmpak
