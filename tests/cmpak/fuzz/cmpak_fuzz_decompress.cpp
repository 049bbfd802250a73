// libFuzzer target: any byte string through the bounded decoder. It must return -1 or a size that
// fits, touch nothing outside the destination and read nothing outside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cmpak.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    // The first two bytes choose the destination capacity, up to 64 KiB.
    const uint32_t capacity = static_cast<uint32_t>(data[0]) << 8 | data[1];
    const std::vector<uint8_t> stream(data + 2, data + size);
    std::vector<uint8_t> destination(capacity);
    const int32_t result =
        DecompressBounded(stream.data(), static_cast<uint32_t>(stream.size()), destination.data(), capacity);
    if (result < -1 || (result >= 0 && static_cast<uint32_t>(result) > capacity)) {
        std::abort();
    }
    return 0;
}
