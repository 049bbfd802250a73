// libFuzzer target: any source through Compress, then both decoders must give it back exactly, and
// Compress must stay within its documented room.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cmpak.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    const uint32_t length = static_cast<uint32_t>(size);
    std::vector<uint8_t> stream(length + length / 2 + 640);
    const uint32_t written = Compress(data, length, stream.data());
    if (length == 0) {
        if (written != 0) {
            std::abort();
        }
        return 0;
    }
    if (written > stream.size()) {
        std::abort();
    }
    stream.resize(written);
    stream.shrink_to_fit();

    std::vector<uint8_t> restored(length);
    if (DecompressBounded(stream.data(), written, restored.data(), length) != static_cast<int32_t>(length) ||
        std::memcmp(restored.data(), data, length) != 0) {
        std::abort();
    }
    std::vector<uint8_t> unbounded(length);
    if (Decompress(stream.data(), unbounded.data()) != length ||
        std::memcmp(unbounded.data(), data, length) != 0) {
        std::abort();
    }
    return 0;
}
