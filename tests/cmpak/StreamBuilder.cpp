#include "StreamBuilder.h"

namespace cmpaktest {

StreamBuilder::StreamBuilder(uint32_t size) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes_.push_back(static_cast<uint8_t>(size >> shift));
    }
}

StreamBuilder& StreamBuilder::bits(unsigned count, uint32_t value) {
    for (unsigned bit = count; bit-- > 0;) {
        if (usedInLastByte_ == 8) {
            bytes_.push_back(0);
            usedInLastByte_ = 0;
        }
        if ((value >> bit) & 1) {
            bytes_.back() |= static_cast<uint8_t>(0x80 >> usedInLastByte_);
        }
        ++usedInLastByte_;
    }
    return *this;
}

std::vector<uint8_t> StreamBuilder::finish() const {
    std::vector<uint8_t> out = bytes_;
    out.push_back(0);
    if (usedInLastByte_ == 8) {
        out.push_back(0);
    }
    return out;
}

}  // namespace cmpaktest
