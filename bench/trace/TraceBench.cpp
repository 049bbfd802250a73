// How fast a communication log is read: the lines cut from 1 MB pieces (as
// flashkit-cli reads the file), parsed and decoded into operations, with and
// without the listing of every message. The log is made here in the library's
// own format: writes of a few thousand blocks each, their check passes and
// version reads, repeated to 64 MB.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/CommLogLine.h"
#include "engine/CommLogSplitter.h"
#include "engine/LogTrace.h"

namespace {

constexpr std::size_t kLogSize = std::size_t{64} << 20;
constexpr std::size_t kPiece = std::size_t{1} << 20;

class LogMaker {
  public:
    std::string make(std::size_t size) {
        text_.reserve(size + 4096);
        text_ += "**********LogStart**********\r\n";
        while (text_.size() < size) {
            write(2048);
        }
        text_ += "------:E00 ( Err ) TRX.DLL - DLL UNLOAD.\r\n**********Log Close**********\r\n";
        return std::move(text_);
    }

  private:
    void write(int blocks) {
        open();
        data('S', 10, {0x07, 0xCC, 0x1F, 0x00, 0x01, 0x04, 0x00, 0x01});
        data('R', 12, {0x06, 0x8C, 0x00, 0x1F, 0x01, 0x04, 0x00});
        close();
        open();
        data('S', 2000, {0x06, 0x33, 0x1F, 0xFE, 0x01, 0x00, 0x00});
        data('S', 0, {0x06, 0x33, 0x1F, 0xFE, 0x00, 0x00, 0x00});
        data('S', 1000, {0x06, 0x30, 0x1F, 0x01, 0x01, 0x67, 0x00});
        const std::vector<int> ack = {0x06, 0x30, 0x01, 0x1F, 0x01, 0x66, 0x00};
        data('R', 400, ack);
        for (int i = 0; i < blocks; ++i) {
            const std::uint32_t address = 0x200000 + 128u * static_cast<std::uint32_t>(i);
            std::vector<int> block = {0x87,
                                      0x32,
                                      0x1F,
                                      0x01,
                                      0x00,
                                      static_cast<int>(address >> 16),
                                      static_cast<int>((address >> 8) & 0xFF),
                                      static_cast<int>(address & 0xFF)};
            for (int b = 0; b < 128; ++b) {
                block.push_back((i * 31 + b * 7) & 0xFF);
            }
            data('S', 14, block);
            data('R', 14, ack);
        }
        data('S', 13, {0x07, 0x30, 0x1F, 0x01, 0x01, 0x64, 0x12, 0x34});
        data('R', 14, ack);
        data('S', 5, {0x06, 0x34, 0x1F, 0xFE, 0x00, 0x00, 0x00});
        close();
    }

    void open() { text_ += "------:E00 ( Err ) TRX.DLL - End of InitInterFace Function.\r\n"; }
    void close() {
        text_ +=
            "------:E00 ( Err ) TRX.DLL - Call CloseInterFace Function.\r\n"
            "------:E00 ( Err ) TRX.DLL - Tx Thread Destroy Success.\r\n"
            "------:E00 ( Err ) TRX.DLL - Rx Thread Destroy Success.\r\n"
            "------:E00 ( Err ) TRX.DLL - End of CloseInterFace Function.\r\n";
    }
    void data(char kind, int elapsed, const std::vector<int>& bytes) {
        // The time stamps follow the elapsed sums of the sent lines.
        if (kind == 'S') {
            sentMs_ += elapsed;
        }
        const long long second = sentMs_ / 1000;
        char head[64];
        std::snprintf(head, sizeof head, "%02lld:%02lld:%02lld 05/06/2024%10d:%c", (second / 3600) % 24,
                      (second / 60) % 60, second % 60, elapsed, kind);
        text_ += head;
        static constexpr char kHex[] = "0123456789abcdef";
        for (const int byte : bytes) {
            text_ += kHex[byte >> 4];
            text_ += kHex[byte & 15];
            text_ += ' ';
        }
        text_ += "\r\n";
    }

    std::string text_;
    long long sentMs_ = 0;
};

const std::string& benchLog() {
    static const std::string log = LogMaker().make(kLogSize);
    return log;
}

class CountingSink final : public engine::trace::TraceSink {
  public:
    explicit CountingSink(bool listing) : listing_(listing) {}
    bool wantsMessages() const override { return listing_; }
    void onMessage(const engine::trace::TracedMessage& message) override {
        characters += message.meaning.size();
    }
    void onOperation(const engine::trace::OperationTrace& operation) override { blocks += operation.blocks; }

    std::uint64_t blocks = 0;
    std::uint64_t characters = 0;

  private:
    bool listing_;
};

void decodeLog(benchmark::State& state, bool listing) {
    const std::string& log = benchLog();
    for (auto _ : state) {
        CountingSink sink(listing);
        engine::trace::TraceSettings settings;
        engine::trace::LogTracer tracer(settings, sink);
        engine::commlog::LogLineSplitter splitter;
        engine::commlog::LogLine line;
        const auto onLine = [&](const engine::commlog::LogLineSplitter::Line& piece) {
            engine::commlog::parseLogLine(piece.text, line);
            if (line.kind == engine::commlog::LineKind::Unreadable) {
                tracer.takeUnreadable(piece.number, line.text, piece.text);
            } else {
                tracer.take(line, piece.number);
            }
        };
        for (std::size_t at = 0; at < log.size(); at += kPiece) {
            const std::size_t size = std::min(kPiece, log.size() - at);
            splitter.feed(std::span<const char>(log.data() + at, size), onLine);
        }
        splitter.finish(onLine);
        tracer.finish();
        if (tracer.summary().unreadableLines != 0) {
            state.SkipWithError("the made log has unreadable lines");
        }
        benchmark::DoNotOptimize(sink.blocks);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(log.size()));
    state.counters["MB_per_s"] = benchmark::Counter(static_cast<double>(log.size()) / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

// Reading and decoding: the operations, their steps and problems.
void BM_DecodeLog(benchmark::State& state) {
    decodeLog(state, false);
}
BENCHMARK(BM_DecodeLog)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// The same with every message named and described (--all).
void BM_DecodeLogListingMessages(benchmark::State& state) {
    decodeLog(state, true);
}
BENCHMARK(BM_DecodeLogListingMessages)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// The line parser alone.
void BM_ParseLines(benchmark::State& state) {
    const std::string& log = benchLog();
    for (auto _ : state) {
        engine::commlog::LogLineSplitter splitter;
        engine::commlog::LogLine line;
        std::uint64_t bytes = 0;
        splitter.feed(std::span<const char>(log.data(), log.size()),
                      [&](const engine::commlog::LogLineSplitter::Line& piece) {
                          engine::commlog::parseLogLine(piece.text, line);
                          bytes += line.byteCount;
                      });
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(log.size()));
}
BENCHMARK(BM_ParseLines)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
