#pragma once

#include <cstdint>
#include <vector>

namespace cmpaktest {

// Writes hand-made streams field by field, most significant bit first, to probe the decoder.
class StreamBuilder {
  public:
    explicit StreamBuilder(uint32_t size);
    StreamBuilder& bits(unsigned count, uint32_t value);
    // Completes the last byte with zeros and adds the end padding.
    std::vector<uint8_t> finish() const;

  private:
    std::vector<uint8_t> bytes_;
    unsigned usedInLastByte_ = 8;
};

}  // namespace cmpaktest
