// Compress and Decompress of 4096-byte chunks against zlib's compress2 (level 6) and uncompress on
// the very same chunks. Throughput counts uncompressed bytes; "ratio" is compressed / uncompressed.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchCorpus.h"
#include "cmpak.h"

namespace {

using cmpakbench::Corpus;
using cmpakbench::kChunkSize;

constexpr size_t kMaxChunks = 256;
constexpr size_t kCompressedRoom = 8192;  // what FLASHKIT gives Compress for one chunk
constexpr int kZlibLevel = 6;

struct Coded {
    std::vector<std::vector<uint8_t>> cmpak;
    std::vector<std::vector<uint8_t>> zlib;
    size_t cmpakBytes = 0;
    size_t zlibBytes = 0;
};

[[noreturn]] void fail(const char* what, const Corpus& corpus) {
    std::fprintf(stderr, "cmpak_bench: %s on %s\n", what, corpus.name.c_str());
    std::exit(1);
}

// Codes every chunk both ways once and checks that both restore it.
Coded codeAndVerify(const Corpus& corpus) {
    Coded coded;
    std::vector<uint8_t> restored(kChunkSize);
    for (const std::vector<uint8_t>& chunk : corpus.chunks) {
        std::vector<uint8_t> stream(kCompressedRoom);
        stream.resize(Compress(chunk.data(), kChunkSize, stream.data()));
        if (DecompressBounded(stream.data(), static_cast<uint32_t>(stream.size()), restored.data(),
                              kChunkSize) != static_cast<int32_t>(kChunkSize) ||
            restored != chunk) {
            fail("cmpak round trip failed", corpus);
        }
        coded.cmpakBytes += stream.size();
        coded.cmpak.push_back(std::move(stream));

        uLongf zlibSize = compressBound(kChunkSize);
        std::vector<uint8_t> zlibStream(zlibSize);
        if (compress2(zlibStream.data(), &zlibSize, chunk.data(), kChunkSize, kZlibLevel) != Z_OK) {
            fail("zlib compress2 failed", corpus);
        }
        zlibStream.resize(zlibSize);
        coded.zlibBytes += zlibSize;
        coded.zlib.push_back(std::move(zlibStream));
    }
    return coded;
}

void finish(benchmark::State& state, const Corpus& corpus, size_t codedBytes) {
    const size_t bytes = corpus.chunks.size() * kChunkSize;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    if (codedBytes > 0) {
        state.counters["ratio"] = static_cast<double>(codedBytes) / static_cast<double>(bytes);
    }
}

void registerCorpus(const Corpus& corpus) {
    if (corpus.chunks.empty()) {
        std::fprintf(stderr, "cmpak_bench: no data for %s\n", corpus.name.c_str());
        return;
    }
    std::fprintf(stderr, "%-13s %3zu chunks from %s\n", corpus.name.c_str(), corpus.chunks.size(),
                 corpus.origin.c_str());
    const Coded coded = codeAndVerify(corpus);

    benchmark::RegisterBenchmark(
        ("cmpak_Compress/" + corpus.name).c_str(), [corpus, coded](benchmark::State& state) {
            std::vector<uint8_t> out(kCompressedRoom);
            for (auto _ : state) {
                for (const std::vector<uint8_t>& chunk : corpus.chunks) {
                    benchmark::DoNotOptimize(Compress(chunk.data(), kChunkSize, out.data()));
                }
                benchmark::ClobberMemory();
            }
            finish(state, corpus, coded.cmpakBytes);
        });
    benchmark::RegisterBenchmark(("zlib_compress2_6/" + corpus.name).c_str(), [corpus, coded](
                                                                                  benchmark::State& state) {
        std::vector<uint8_t> out(compressBound(kChunkSize));
        for (auto _ : state) {
            for (const std::vector<uint8_t>& chunk : corpus.chunks) {
                uLongf size = out.size();
                benchmark::DoNotOptimize(compress2(out.data(), &size, chunk.data(), kChunkSize, kZlibLevel));
            }
            benchmark::ClobberMemory();
        }
        finish(state, corpus, coded.zlibBytes);
    });
    benchmark::RegisterBenchmark(("cmpak_Decompress/" + corpus.name).c_str(),
                                 [corpus, coded](benchmark::State& state) {
                                     std::vector<uint8_t> out(kChunkSize);
                                     for (auto _ : state) {
                                         for (const std::vector<uint8_t>& stream : coded.cmpak) {
                                             benchmark::DoNotOptimize(Decompress(stream.data(), out.data()));
                                         }
                                         benchmark::ClobberMemory();
                                     }
                                     finish(state, corpus, 0);
                                 });
    benchmark::RegisterBenchmark(
        ("cmpak_DecompressBounded/" + corpus.name).c_str(), [corpus, coded](benchmark::State& state) {
            std::vector<uint8_t> out(kChunkSize);
            for (auto _ : state) {
                for (const std::vector<uint8_t>& stream : coded.cmpak) {
                    benchmark::DoNotOptimize(DecompressBounded(
                        stream.data(), static_cast<uint32_t>(stream.size()), out.data(), kChunkSize));
                }
                benchmark::ClobberMemory();
            }
            finish(state, corpus, 0);
        });
    benchmark::RegisterBenchmark(
        ("zlib_uncompress/" + corpus.name).c_str(), [corpus, coded](benchmark::State& state) {
            std::vector<uint8_t> out(kChunkSize);
            for (auto _ : state) {
                for (const std::vector<uint8_t>& stream : coded.zlib) {
                    uLongf size = out.size();
                    benchmark::DoNotOptimize(uncompress(out.data(), &size, stream.data(), stream.size()));
                }
                benchmark::ClobberMemory();
            }
            finish(state, corpus, 0);
        });
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    registerCorpus(cmpakbench::machineCodeCorpus(CMPAK_BENCH_BINARY_DIR, kMaxChunks));
    registerCorpus(
        cmpakbench::firmwareCorpus({CMPAK_BENCH_BUILT_DEMO_DIR, CMPAK_BENCH_DEMO_DIR}, kMaxChunks));
    registerCorpus(cmpakbench::randomCorpus(64));
    registerCorpus(cmpakbench::zeroCorpus(64));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
