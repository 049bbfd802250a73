// The library's C entry points. All coder state is held once, here, for the life of the process;
// callers serialise their calls.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "CodecFormat.h"
#include "StreamDecoder.h"
#include "StreamEncoder.h"
#include "cmpak.h"

namespace {

// The library is loaded into programs whose standard output may carry data, so the coding
// statistics are printed only on request, and to standard error.
constexpr const char* kStatisticsVariable = "CMPAK_STATS";

constexpr const char* kProductVersion = "1, 0, 0, 0";

cmpak::StreamEncoder theEncoder;
cmpak::StreamDecoder theDecoder;

uint32_t readSizeHeader(const uint8_t* stream) {
    uint32_t size = 0;
    for (unsigned i = 0; i < cmpak::kHeaderBytes; ++i) {
        size = size << 8 | stream[i];
    }
    return size;
}

}  // namespace

extern "C" {

CMPAK_API uint32_t Compress(const uint8_t* src, uint32_t len, uint8_t* dst) {
    if (dst == nullptr || (src == nullptr && len > 0)) {
        return 0;
    }
    std::FILE* statistics = std::getenv(kStatisticsVariable) != nullptr ? stderr : nullptr;
    return theEncoder.compress(src, len, dst, statistics);
}

CMPAK_API uint32_t Decompress(const uint8_t* stream, uint8_t* dst) {
    if (stream == nullptr) {
        return 0;
    }
    const uint32_t size = readSizeHeader(stream);
    if (size == 0) {
        return 0;
    }
    if (dst == nullptr) {
        return 0;
    }
    const bool decoded = theDecoder.decode(stream, std::numeric_limits<size_t>::max(),
                                           cmpak::StreamDecoder::Mode::Unbounded, dst, size);
    return decoded ? size : 0;
}

CMPAK_API int32_t DecompressBounded(const uint8_t* stream, uint32_t streamLen, uint8_t* dst,
                                    uint32_t dstCap) {
    constexpr int32_t kFailed = -1;
    if (stream == nullptr || streamLen < cmpak::kHeaderBytes) {
        return kFailed;
    }
    const uint32_t size = readSizeHeader(stream);
    if (size == 0) {
        return 0;
    }
    if (dst == nullptr || size > dstCap ||
        size > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
        return kFailed;
    }
    const bool decoded = theDecoder.decode(stream, streamLen, cmpak::StreamDecoder::Mode::Bounded, dst, size);
    return decoded ? static_cast<int32_t>(size) : kFailed;
}

CMPAK_API const char* GetCmpakProductVer(void) {
    return kProductVersion;
}

}  // extern "C"
