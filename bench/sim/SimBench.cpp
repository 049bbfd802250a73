// What the simulated console costs per exchange: in process (the model
// alone) and over its pseudo-terminal (line, reader thread, model, framing),
// unpaced and paced at 115200 baud 8N2.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <stdexcept>

#include "ScriptedHost.h"
#include "SimProcess.h"
#include "platform/SerialPort.h"
#include "sim/ConsoleDescription.h"
#include "trx/frame/FrameScanner.h"
#include "trx/frame/FrameUnpacker.h"

namespace {

using simtest::Bytes;

constexpr const char* kConsole = R"({"units": {"SRF7": {"versionAddress": 256, "cpus": {
    "MAIN": {"bus": 1, "versionAddress": 258}}}}})";
constexpr std::uint32_t kBlocksPerWindow = 0x80000 / 128;

Bytes blockData(std::uint32_t index) {
    Bytes data(128);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(index * 31 + i * 7);
    }
    return data;
}

void ConsoleModelBlock(benchmark::State& state) {
    sim::ConsoleDescription description;
    std::string error;
    if (!sim::loadConsoleDescriptionText(kConsole, ".", "", description, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    sim::SimConsole console(std::move(description));
    simtest::ScriptedHost host(console);
    host.send(simtest::broadcast(0x33, 1));
    std::uint32_t index = 0;
    const Bytes data = blockData(0);
    for (auto _ : state) {
        if (index == kBlocksPerWindow) {
            state.PauseTiming();
            host.send(simtest::eraseRequest(1));
            index = 0;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(host.send(simtest::dataBlock(1, 0x200000 + index * 128, data)));
        ++index;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ConsoleModelBlock);

// Sends a data block over the line and waits for its acknowledgement.
class LineClient : public trx::frame::FrameSink {
  public:
    explicit LineClient(const std::string& path) {
        platform::LineSettings settings;
        settings.baudRate = 115200;
        settings.stopBits = platform::StopBits::Two;
        if (!port_.open(path) || !port_.configure(settings)) {
            throw std::runtime_error("cannot open " + path);
        }
    }
    bool send(const Bytes& message) {
        std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame{};
        const std::size_t length = trx::frame::packFrame(message, frame);
        return port_.writeAll(std::span<const std::uint8_t>(frame.data(), length), 1000).ok();
    }
    bool exchange(const Bytes& message) {
        if (!send(message)) {
            return false;
        }
        replies_ = 0;
        while (replies_ == 0) {
            if (port_.waitReadable(2000) != platform::WaitResult::Ready) {
                return false;
            }
            std::array<std::uint8_t, 512> buffer{};
            const platform::Result<std::size_t> got = port_.read(buffer);
            if (got && *got > 0) {
                scanner_.feed(std::span<const std::uint8_t>(buffer.data(), *got), *this);
            }
        }
        return true;
    }
    void onFrame(std::span<const std::uint8_t>) override { ++replies_; }
    void onBrokenFrame(std::span<const std::uint8_t>) override {}

  private:
    platform::SerialPort port_;
    trx::frame::FrameScanner scanner_;
    int replies_ = 0;
};

std::size_t frameLength(const Bytes& message) {
    std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame{};
    return trx::frame::packFrame(message, frame);
}

// Each iteration: one data block out, its acknowledgement back. With a pace,
// "wire_ratio" is the time taken over the time both frames need on that line.
void BlockOverTheLine(benchmark::State& state, long paceBaud) {
    const std::string description = "/tmp/qx7a-sim-bench-console.json";
    {
        std::FILE* file = std::fopen(description.c_str(), "w");
        std::fputs(kConsole, file);
        std::fclose(file);
    }
    std::vector<std::string> arguments{"--console", description};
    if (paceBaud > 0) {
        arguments.insert(arguments.end(), {"--pace", std::to_string(paceBaud)});
    }
    simtest::SimProcess sim;
    if (!sim.start(arguments)) {
        state.SkipWithError(sim.error().c_str());
        return;
    }
    LineClient line(sim.portPath());
    line.send(simtest::broadcast(0x33, 1));  // not answered: it only switches boot mode on
    const Bytes data = blockData(1);
    std::uint32_t index = 0;
    double exchangeSeconds = 0;
    for (auto _ : state) {
        if (index % kBlocksPerWindow == 0) {
            state.PauseTiming();
            if (!line.exchange(simtest::eraseRequest(1))) {
                state.SkipWithError("no erase acknowledgement");
                break;
            }
            index = 0;
            state.ResumeTiming();
        }
        const auto start = std::chrono::steady_clock::now();
        if (!line.exchange(simtest::dataBlock(1, 0x200000 + index * 128, data))) {
            state.SkipWithError("no block acknowledgement");
            break;
        }
        exchangeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++index;
    }
    state.SetItemsProcessed(state.iterations());
    if (paceBaud > 0 && state.iterations() > 0) {
        // 8N2: 11 bits a byte; the status reply is 06 30 01 1F 01 66 00.
        const std::size_t wireBytes = frameLength(simtest::dataBlock(1, 0x200000, data)) +
                                      frameLength({0x06, 0x30, 0x01, 0x1F, 0x01, 0x66, 0x00});
        const double wireSeconds = static_cast<double>(wireBytes) * 11 / static_cast<double>(paceBaud);
        state.counters["wire_ms"] = wireSeconds * 1000;
        state.counters["wire_ratio"] =
            exchangeSeconds / static_cast<double>(state.iterations()) / wireSeconds;
    }
    sim.stop();
}

void BlockOverTheLineUnpaced(benchmark::State& state) {
    BlockOverTheLine(state, 0);
}
void BlockOverTheLinePaced115200(benchmark::State& state) {
    BlockOverTheLine(state, 115200);
}

}  // namespace

BENCHMARK(BlockOverTheLineUnpaced)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BlockOverTheLinePaced115200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(100);

BENCHMARK_MAIN();
