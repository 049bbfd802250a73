#include "engine/TransferRecords.h"

#include <algorithm>
#include <cstring>

#include "data/FlashImage.h"

namespace engine {

DataBlock blockAt(std::span<const std::uint8_t> window, std::uint32_t offset) {
    DataBlock block;
    block.fill(data::FlashImage::kErasedByte);
    if (offset < window.size()) {
        std::memcpy(block.data(), window.data() + offset,
                    std::min<std::size_t>(block.size(), window.size() - offset));
    }
    return block;
}

}  // namespace engine
