// Throughput of the local loop-back path and the round trip of a flash-sized
// message through a pseudo-terminal whose far end echoes every frame.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "CountingAllocator.h"
#include "trx.h"
#include "trx/frame/FrameScanner.h"

namespace {

// The far end of the line: echoes every complete frame it reads.
class EchoPeer : private trx::frame::FrameSink {
  public:
    EchoPeer() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            slavePath_ = ::ptsname(master_);
            keptSlave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        }
    }
    ~EchoPeer() {
        stop();
        if (keptSlave_ >= 0)
            ::close(keptSlave_);
        if (master_ >= 0)
            ::close(master_);
    }
    const std::string& slavePath() const { return slavePath_; }
    void start() {
        running_ = true;
        thread_ = std::thread([this] { run(); });
    }
    void stop() {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
    }

  private:
    void run() {
        while (running_.load()) {
            pollfd entry{master_, POLLIN, 0};
            if (::poll(&entry, 1, 50) <= 0) {
                continue;
            }
            const ssize_t got = ::read(master_, scanner_.readTarget().data(), scanner_.readTarget().size());
            if (got > 0) {
                scanner_.scan(static_cast<std::size_t>(got), *this);
            }
        }
    }
    void onFrame(std::span<const std::uint8_t> between) override {
        echo_[0] = 0xD0;
        std::copy(between.begin(), between.end(), echo_.begin() + 1);
        echo_[between.size() + 1] = 0xD1;
        ssize_t ignored = ::write(master_, echo_.data(), between.size() + 2);
        (void)ignored;
    }
    void onBrokenFrame(std::span<const std::uint8_t>) override {}

    int master_ = -1;
    int keptSlave_ = -1;
    std::string slavePath_;
    trx::frame::FrameScanner scanner_;
    std::array<std::uint8_t, 1100> echo_{};
    std::atomic<bool> running_{false};
    std::thread thread_;
};

void LoopBackThroughput(benchmark::State& state) {
    EchoPeer peer;
    if (InitInterface(peer.slavePath().c_str(), 200, 38400, 0, 0, 0) != 0) {
        state.SkipWithError("interface did not open");
        return;
    }
    std::uint8_t message[136] = {135, 0x41, 0x00, 0x1F};
    std::uint8_t buffer[512];
    const long before = testsupport::allocationCount();
    for (auto _ : state) {
        MessageSend(message, sizeof(message));
        benchmark::DoNotOptimize(MessageReceive(buffer));
    }
    const long allocated = testsupport::allocationCount() - before;
    CloseInterface();
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs_per_msg"] =
        static_cast<double>(allocated) / static_cast<double>(state.iterations());
}
BENCHMARK(LoopBackThroughput);

void EchoRoundTrip(benchmark::State& state) {
    EchoPeer peer;
    if (InitInterface(peer.slavePath().c_str(), 200, 115200, 0, 0, 0) != 0) {
        state.SkipWithError("interface did not open");
        return;
    }
    LoopBackModeChange(0);
    peer.start();
    // A flash data block: 128 data bytes behind the envelope.
    std::uint8_t message[136] = {135, 0x13, 0x01, 0x12};
    for (std::size_t index = 4; index < sizeof(message); ++index) {
        message[index] = static_cast<std::uint8_t>(index * 7);
    }
    std::uint8_t buffer[512];
    std::vector<double> samples;
    samples.reserve(1 << 20);
    long lost = 0;
    const long before = testsupport::allocationCount();
    for (auto _ : state) {
        const auto sent = std::chrono::steady_clock::now();
        MessageSend(message, sizeof(message));
        if (MessageReceive(buffer) <= 0) {
            ++lost;
        }
        const auto back = std::chrono::steady_clock::now();
        if (samples.size() < samples.capacity()) {
            samples.push_back(std::chrono::duration<double, std::micro>(back - sent).count());
        }
    }
    const long allocated = testsupport::allocationCount() - before;
    peer.stop();
    CloseInterface();
    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        state.counters["median_us"] = samples[samples.size() / 2];
        state.counters["p95_us"] = samples[samples.size() * 95 / 100];
    }
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["allocs_per_msg"] =
        static_cast<double>(allocated) / static_cast<double>(state.iterations());
}
BENCHMARK(EchoRoundTrip)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// How long CloseInterface takes with both threads idle in their waits: the
// close ends the port waits at once instead of waiting out a poll slice.
void CloseWithIdleThreads(benchmark::State& state) {
    EchoPeer peer;
    for (auto _ : state) {
        state.PauseTiming();
        if (InitInterface(peer.slavePath().c_str(), 200, 115200, 0, 0, 0) != 0) {
            state.SkipWithError("interface did not open");
            return;
        }
        // Let both threads reach their waits.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        state.ResumeTiming();
        CloseInterface();
    }
}
BENCHMARK(CloseWithIdleThreads)->Unit(benchmark::kMillisecond)->Iterations(20);

// The processor time an open interface takes while nothing moves on the line:
// both threads wait in the port and wake only for their 100 ms poll slice or
// the transmit wait time, so this stays far below one per cent of one core.
void IdleInterfaceCpu(benchmark::State& state) {
    constexpr auto kIdleTime = std::chrono::seconds(5);
    EchoPeer peer;
    double cpuPercent = 0;
    for (auto _ : state) {
        if (InitInterface(peer.slavePath().c_str(), 200, 115200, 0, 0, 0) != 0) {
            state.SkipWithError("interface did not open");
            return;
        }
        const std::clock_t cpuBefore = std::clock();
        const auto wallBefore = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(kIdleTime);
        const double cpuSeconds = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
        const double wallSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        CloseInterface();
        cpuPercent = 100.0 * cpuSeconds / wallSeconds;
    }
    state.counters["cpu_percent"] = cpuPercent;
}
BENCHMARK(IdleInterfaceCpu)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
