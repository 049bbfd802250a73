#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>

#include "data/FlashImage.h"
#include "data/UnitList.h"
#include "data/VersionValue.h"

namespace {

// An S3 image of `size` random bytes at `base`, `perLine` data bytes a record.
std::string makeImage(std::uint32_t base, std::uint32_t size, unsigned perLine) {
    std::mt19937 random(42);
    std::string text = "S00600004844521B\r\n";
    char hex[3];
    for (std::uint32_t offset = 0; offset < size; offset += perLine) {
        unsigned length = std::min<unsigned>(perLine, size - offset);
        unsigned count = 4 + length + 1;
        std::uint32_t address = base + offset;
        unsigned sum = count;
        std::snprintf(hex, sizeof hex, "%02X", count);
        text += "S3";
        text += hex;
        for (int i = 3; i >= 0; --i) {
            unsigned byte = (address >> (8 * i)) & 0xFF;
            sum += byte;
            std::snprintf(hex, sizeof hex, "%02X", byte);
            text += hex;
        }
        for (unsigned i = 0; i < length; ++i) {
            unsigned byte = random() & 0xFF;
            sum += byte;
            std::snprintf(hex, sizeof hex, "%02X", byte);
            text += hex;
        }
        std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFF);
        text += hex;
        text += "\r\n";
    }
    text += "S70500000000FA\r\n";
    return text;
}

// A full 512 KB window loaded strictly, as before every generic write.
void BM_LoadStrictFullWindow(benchmark::State& state) {
    const std::uint32_t base = 0x200000;
    std::string text =
        makeImage(base, data::FlashImage::kStandardWindowSize, static_cast<unsigned>(state.range(0)));
    data::FlashImage image;
    image.allocate(data::FlashImage::kStandardWindowSize);
    for (auto _ : state) {
        data::ImageLoadResult result = image.loadText(text, base, data::FlashImage::LoadMode::Strict);
        if (!result.ok())
            state.SkipWithError(result.errorText.c_str());
        benchmark::DoNotOptimize(image.checksum());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadStrictFullWindow)->Arg(16)->Arg(32)->Arg(119)->Unit(benchmark::kMillisecond);

// A 1 MB segmented window loaded clipping, then the block checksum table.
void BM_LoadClippingSegmented(benchmark::State& state) {
    const std::uint32_t base = data::FlashImage::kSegmentedBaseAddress;
    std::string text = makeImage(base, data::FlashImage::kSegmentedWindowSize, 32);
    data::FlashImage image;
    image.allocate(data::FlashImage::kSegmentedWindowSize);
    for (auto _ : state) {
        data::ImageLoadResult result = image.loadText(text, base, data::FlashImage::LoadMode::Clipping);
        if (!result.ok())
            state.SkipWithError(result.errorText.c_str());
        image.buildBlockChecksumTable();
        benchmark::DoNotOptimize(image.bytes().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadClippingSegmented)->Unit(benchmark::kMillisecond);

void BM_WindowChecksum(benchmark::State& state) {
    data::FlashImage image;
    image.allocate(data::FlashImage::kStandardWindowSize);
    for (auto _ : state)
        benchmark::DoNotOptimize(image.computeChecksum());
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * data::FlashImage::kStandardWindowSize));
}
BENCHMARK(BM_WindowChecksum);

void BM_VersionFromText(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(data::VersionValue::fromText("0123S2X").majorNumber());
}
BENCHMARK(BM_VersionFromText);

// Parsing unit-list lines (no file system access).
void BM_ParseUnitListLines(benchmark::State& state) {
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            benchmark::DoNotOptimize(data::UnitList::parseLine("  SRF7 , UNITS\\SRF7 , SRF7.SET , extra  "));
        }
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_ParseUnitListLines);

}  // namespace

BENCHMARK_MAIN();
