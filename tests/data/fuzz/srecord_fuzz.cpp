#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/FlashImage.h"

// Loads the input as an S-record file into a small window, once strictly and
// once clipping, with a base taken from the first input bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static data::FlashImage image = [] {
        data::FlashImage made;
        made.allocate(0x1000);
        return made;
    }();
    std::uint32_t base = 0;
    if (size >= 4) {
        base = (std::uint32_t{data[0]} << 24) | (std::uint32_t{data[1]} << 16) |
               (std::uint32_t{data[2]} << 8) | data[3];
        // Keep most bases near addresses the records can reach.
        if ((data[0] & 0x80) == 0)
            base &= 0xFFFF;
    }
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (auto mode : {data::FlashImage::LoadMode::Strict, data::FlashImage::LoadMode::Clipping}) {
        data::ImageLoadResult result = image.loadText(text, base, mode);
        if (result.ok() && image.checksum() != image.computeChecksum())
            __builtin_trap();
    }
    image.blocksToWrite();
    return 0;
}
