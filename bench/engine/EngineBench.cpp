// Writes firmware to the simulated console through the real libtrx.so over a
// pseudo-terminal and reports how close the engine comes to the line's
// capacity: whole seconds, blocks per second, and the software time between
// an acknowledgement reaching the engine and the next block leaving it.
// Against a console paced like a real line it also gives the ratio of the
// transfer to its ideal time (every byte of every frame, both ways, one after
// the other at 11 bits a byte) and what each exchange costs beyond that, in
// all and for the usual block, each beside the same figures of a plain
// one-thread client replaying the same conversation on the same line.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "PlainClient.h"
#include "SimulatedConsole.h"
#include "data/UnitList.h"
#include "engine/DirectPort.h"
#include "engine/UpdateEngine.h"
#include "platform/testing/Ser2netProcess.h"
#include "trx/frame/FramePacker.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSrf7 = 0;
constexpr int kXdg7Direct = 4;
constexpr double kBitsPerByteHost = 11.0;    // 8N2 on the host-interface line
constexpr double kBitsPerByteDirect = 10.0;  // 8N1 on the boot loader's line
constexpr double kPacedBaud = 115200.0;
constexpr double kSecondsPerByte = kBitsPerByteHost / kPacedBaud;

// The interface library as bound, with a tap on the two calls of the
// transfer: when each acknowledgement arrived and when the next block left.
struct Tap {
    core::InterfaceApi real{};
    std::mutex mutex;
    Clock::time_point lastReceive{};
    bool receivePending = false;
    std::vector<double> responseMicros;
    std::uint64_t wireBytes = 0;
    Clock::time_point firstSend{};
    Clock::time_point lastReply{};
    bool started = false;
    // The library's byte counts (sent + received) when the transfer began and
    // when its last reply arrived: the bytes the transfer put on the line.
    std::uint64_t lineBytesAtStart = 0;
    std::uint64_t lineBytesAtLastReply = 0;
    // Messages sent and replies taken during the transfer.
    std::uint32_t requests = 0;
    std::uint32_t replies = 0;
    // Every message of the operation and the replies that followed it, for
    // the plain client to replay.
    std::vector<engine::bench::RecordedExchange> conversation;
    std::vector<engine::bench::ExchangeSample> samples;
    // When the interface was opened and closed: the first opening and the
    // return of the first close bound the check pass, the last reply and the
    // return of the last close the end of the operation.
    Clock::time_point firstOpen{};
    Clock::time_point firstCloseDone{};
    Clock::time_point lastCloseDone{};
    Clock::time_point lastAnyReply{};
    int opens = 0;
    int closes = 0;
};
Tap tap;

std::uint64_t lineBytes() {
    return std::uint64_t{tap.real.GetTxSendBufLen()} + tap.real.GetRxRecvBufLen();
}

// The bytes a message takes on the line once packed into a frame.
std::uint64_t frameLength(std::span<const std::uint8_t> message) {
    std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame{};
    return trx::frame::packFrame(message, frame);
}

std::int32_t tapReceive(std::uint8_t* buffer) {
    const std::int32_t length = tap.real.MessageReceive(buffer);
    if (length > 2) {
        std::lock_guard lock(tap.mutex);
        tap.lastReceive = Clock::now();
        tap.lastReply = tap.lastReceive;
        tap.receivePending = true;
        if (tap.started) {
            tap.lineBytesAtLastReply = lineBytes();
            ++tap.replies;
        }
        tap.lastAnyReply = Clock::now();
        if (!tap.conversation.empty()) {
            ++tap.conversation.back().replies;
        }
        if (tap.started && !tap.samples.empty()) {
            ++tap.samples.back().replies;
            tap.samples.back().lineBytes += frameLength(std::span<const std::uint8_t>(buffer, length));
        }
    }
    return length;
}

std::int32_t tapSend(const std::uint8_t* message, std::uint32_t length) {
    {
        std::lock_guard lock(tap.mutex);
        const Clock::time_point now = Clock::now();
        if (!tap.started && message[3] != 0xFE) {
            tap.firstSend = now;
            tap.started = true;
            tap.lineBytesAtStart = lineBytes();
        }
        if (tap.started) {
            ++tap.requests;
        }
        if (length == 136 && tap.receivePending) {
            tap.responseMicros.push_back(
                std::chrono::duration<double, std::micro>(now - tap.lastReceive).count());
        }
        tap.receivePending = false;
        if (message != nullptr) {
            tap.conversation.push_back(
                {std::vector<std::uint8_t>(message, message + message[0] + 1), 0, tap.started});
        }
        if (tap.started && message != nullptr) {
            tap.samples.push_back(
                {now, frameLength(std::span<const std::uint8_t>(message, message[0] + 1u)), 0});
        }
    }
    return tap.real.MessageSend(message, length);
}

std::int32_t tapInit(const char* portName, std::uint32_t waitTimeMs, std::uint32_t baudRate,
                     std::int32_t logMode, std::int32_t sequenceNumbering, std::uint32_t transmitIntervalMs) {
    {
        std::lock_guard lock(tap.mutex);
        if (tap.opens++ == 0) {
            tap.firstOpen = Clock::now();
        }
    }
    return tap.real.InitInterface(portName, waitTimeMs, baudRate, logMode, sequenceNumbering,
                                  transmitIntervalMs);
}

void tapClose() {
    tap.wireBytes += tap.real.GetTxSendBufLen() + tap.real.GetRxRecvBufLen();
    tap.real.CloseInterface();
    std::lock_guard lock(tap.mutex);
    tap.lastCloseDone = Clock::now();
    if (tap.closes++ == 0) {
        tap.firstCloseDone = tap.lastCloseDone;
    }
}

// Nobody there, but the messages are kept to tell why a write failed.
class NoUser : public engine::NullFrontEnd {
  public:
    void showMessage(const std::string& text, core::MessageIcon) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

void resetTap();

// One simulated console with the demo units and an engine bound to it
// through the tap.
struct Bench {
    engine::testing::SimulatedConsole console{true};
    NoUser user;
    core::InterfaceApi api{};
    data::UnitList units;
    engine::UpdateEngine engine;
    bool ready = false;
    std::string error;
    std::string lastResult;

    explicit Bench(const std::vector<std::string>& extra, std::int32_t bootOutSeconds = 0) {
        error = console.start(extra, false);
        if (!error.empty()) {
            return;
        }
        tap.real = console.api();
        api = tap.real;
        api.MessageReceive = &tapReceive;
        api.MessageSend = &tapSend;
        api.CloseInterface = &tapClose;
        api.InitInterface = &tapInit;
        data::UnitTiming quick;
        quick.bootIn = 0;
        quick.bootOut = bootOutSeconds;
        quick.timeout = 2;
        quick.retryTime = 0;
        console.wire(engine, user, api, quick);
        engine.setCheckBeforeWrite(0);
        ready = true;
    }

    bool loadUnits() {
        const bool loaded = console.loadUnits(units, data::WritingPort::HostInterface);
        engine.setUnitList(&units);
        return loaded;
    }

    bool write(int unit) {
        if (!engine.startOperation(data::OperationCode::Write, unit, true)) {
            return false;
        }
        engine.waitUntilFinished();
        lastResult = units.unit(unit)->resultText();
        return lastResult == "Completed";
    }

    // Writes SRF7's MAIN image alone (SUB unselected) through a fresh tap.
    // An empty text when the write completed, else what went wrong;
    // startedAt is when the write began.
    std::string writeSrf7Main(Clock::time_point& startedAt) {
        units.clear();
        if (!loadUnits()) {
            return "unit list not loaded";
        }
        units.unit(kSrf7)->loadRows(true);
        units.unit(kSrf7)->row(1)->setSelected(false);
        resetTap();
        startedAt = Clock::now();
        if (write(kSrf7)) {
            return {};
        }
        std::string told = "write did not complete: " + lastResult;
        for (const std::string& message : user.messages) {
            told += "; " + message;
        }
        return told;
    }
};

void resetTap() {
    std::lock_guard lock(tap.mutex);
    tap.responseMicros.clear();
    tap.responseMicros.reserve(8192);
    tap.receivePending = false;
    tap.wireBytes = 0;
    tap.started = false;
    tap.lineBytesAtStart = 0;
    tap.lineBytesAtLastReply = 0;
    tap.requests = 0;
    tap.replies = 0;
    tap.conversation.clear();
    tap.samples.clear();
    tap.samples.reserve(8192);
    tap.opens = 0;
    tap.closes = 0;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2),
                     values.end());
    return values[values.size() / 2];
}

// Writes one generic image of the given size to SRF7/MAIN (SUB unselected).
void writeGeneric(benchmark::State& state, std::size_t imageBytes,
                  const std::vector<std::string>& simArguments) {
    Bench bench(simArguments);
    if (!bench.ready) {
        state.SkipWithError(bench.error.c_str());
        return;
    }
    const auto image = engine::testing::patternBytes(imageBytes, 3);
    engine::testing::writeSRecordFile(bench.console.root() / "SRF7" / "MAIN0107.mot", 0x200000, image);
    const std::size_t blocks = imageBytes / 128;
    const bool paced = !simArguments.empty();
    double seconds = 0;
    double transferSeconds = 0;
    std::vector<double> ratios;
    std::vector<double> overheads;
    std::vector<double> plainRatios;
    std::vector<double> plainOverheads;
    std::vector<double> blockOverheads;
    std::vector<double> plainBlockOverheads;
    double idealSeconds = 0;
    for (auto _ : state) {
        Clock::time_point started{};
        if (const std::string failure = bench.writeSrf7Main(started); !failure.empty()) {
            state.SkipWithError(failure.c_str());
            return;
        }
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
        transferSeconds = std::chrono::duration<double>(tap.lastReply - tap.firstSend).count();
        state.SetIterationTime(seconds);
        if (paced) {
            // From the first byte of the erase request to the last byte of the
            // checksum's answer, each exchange waits for its answer, so the
            // line can do no better than carry those bytes one after another.
            const auto transferBytes = static_cast<double>(tap.lineBytesAtLastReply - tap.lineBytesAtStart);
            idealSeconds = transferBytes * kBitsPerByteHost / kPacedBaud;
            ratios.push_back(transferSeconds / idealSeconds);
            const double exchanges = std::max(1u, std::min(tap.requests, tap.replies));
            overheads.push_back((transferSeconds - idealSeconds) / exchanges * 1e6);
            // The same conversation from one plain thread, right after, on
            // the same line: what this machine's pseudo-terminal and the
            // simulated console leave to any client.
            const engine::bench::ReplayResult plain =
                engine::bench::PlainClient(bench.console.comm().deviceName)
                    .replay(tap.conversation, kPacedBaud);
            if (!plain.completed) {
                state.SkipWithError(("plain client: " + plain.error).c_str());
                return;
            }
            const double plainIdeal = static_cast<double>(plain.lineBytes) * kBitsPerByteHost / kPacedBaud;
            plainRatios.push_back(plain.seconds / plainIdeal);
            plainOverheads.push_back((plain.seconds - plainIdeal) / plain.exchanges * 1e6);
            blockOverheads.push_back(
                median(engine::bench::exchangeOverheadsMicros(tap.samples, kSecondsPerByte)));
            plainBlockOverheads.push_back(
                median(engine::bench::exchangeOverheadsMicros(plain.samples, kSecondsPerByte)));
        }
    }
    state.counters["seconds"] = seconds;
    state.counters["blocks_per_s"] = static_cast<double>(blocks) / transferSeconds;
    state.counters["median_us_per_block"] = median(tap.responseMicros);
    state.counters["wire_bytes"] = static_cast<double>(tap.wireBytes);
    if (paced) {
        state.counters["ideal_wire_s"] = idealSeconds;
        state.counters["ratio_to_ideal"] = median(ratios);
        state.counters["overhead_us_per_block"] = median(overheads);
        state.counters["plain_ratio_to_ideal"] = median(plainRatios);
        state.counters["plain_overhead_us_per_block"] = median(plainOverheads);
        state.counters["usual_block_overhead_us"] = median(blockOverheads);
        state.counters["plain_usual_block_overhead_us"] = median(plainBlockOverheads);
    }
}

void BM_Write512KUnpaced(benchmark::State& state) {
    writeGeneric(state, 0x80000, {});
}
void BM_Write64KAt115200(benchmark::State& state) {
    writeGeneric(state, 0x10000, {"--pace", std::to_string(static_cast<int>(kPacedBaud))});
}

// The waits around the transfer, against the paced console: the check pass
// (open, read the ID byte, close) before a write, and the end of the
// operation, from the last reply through the boot-out wait of one second to
// the interface's close. Only the exchanges and the boot-out wait itself need
// the time; opening, closing and joining should add next to nothing.
void BM_CheckPassAndEndAt115200(benchmark::State& state) {
    constexpr std::int32_t kBootOutSeconds = 1;
    Bench bench({"--pace", std::to_string(static_cast<int>(kPacedBaud))}, kBootOutSeconds);
    if (!bench.ready) {
        state.SkipWithError(bench.error.c_str());
        return;
    }
    bench.engine.setCheckBeforeWrite(1);
    const auto image = engine::testing::patternBytes(0x1000, 3);
    engine::testing::writeSRecordFile(bench.console.root() / "SRF7" / "MAIN0107.mot", 0x200000, image);
    std::vector<double> checkPassMs;
    std::vector<double> endMs;
    for (auto _ : state) {
        Clock::time_point started{};
        if (const std::string failure = bench.writeSrf7Main(started); !failure.empty()) {
            state.SkipWithError(failure.c_str());
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
        std::lock_guard lock(tap.mutex);
        if (tap.closes < 2) {
            state.SkipWithError("the write did not open the interface for a check pass");
            return;
        }
        checkPassMs.push_back(
            std::chrono::duration<double, std::milli>(tap.firstCloseDone - tap.firstOpen).count());
        endMs.push_back(
            std::chrono::duration<double, std::milli>(tap.lastCloseDone - tap.lastAnyReply).count());
    }
    state.counters["check_pass_ms"] = median(checkPassMs);
    state.counters["end_ms"] = median(endMs);
    state.counters["boot_out_ms"] = kBootOutSeconds * 1000.0;
}

// A segmented image for the direct path: the first 4 KB and block 1, half of
// which compresses well. The compressible half comes first: a pty does not
// hold the writer back as a real line's drain does, so plain chunks run ahead
// of a paced console, and a Chunk done queued behind a long run of them would
// wait longer than the engine's time-out.
void writeDirectImage(const fs::path& path) {
    std::vector<std::uint8_t> window(0x20000, 0xFF);
    const auto first = engine::testing::patternBytes(0x1000, 1);
    std::copy(first.begin(), first.end(), window.begin());
    window[7] = 0x02;
    for (std::size_t i = 0x10000; i < 0x18000; ++i) {
        window[i] = static_cast<std::uint8_t>(i / 256);
    }
    std::uint32_t seed = 12345;
    for (std::size_t i = 0x18000; i < 0x20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        window[i] = static_cast<std::uint8_t>(seed >> 16);
    }
    engine::testing::writeSRecordFile(path, 0x300000, window);
}

// A pseudo-terminal holds the host back only when its buffer is full, so
// plain chunks may leave the engine long before a paced console has taken
// them in. A VER queued behind them is answered once the console is through;
// returns the seconds until then.
double waitForConsole(Bench& bench) {
    constexpr int kBacklogTimeoutMs = 60000;
    constexpr int kQuietMs = 200;
    static constexpr std::uint8_t kVersionCommand[] = {'V', 'E', 'R', '\r'};
    engine::DirectPort port;
    const auto asked = Clock::now();
    // A device server that served the line a moment ago may still be letting go of it.
    bool opened = port.open(bench.console.simulator().portPath());
    for (int attempt = 0; !opened && attempt < 50; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        opened = port.open(bench.console.simulator().portPath());
    }
    if (!opened || !port.write(kVersionCommand)) {
        return 0;
    }
    std::uint8_t byte = 0;
    const bool answered = port.readByte(byte, kBacklogTimeoutMs);
    const double waited = std::chrono::duration<double>(Clock::now() - asked).count();
    while (answered && port.readByte(byte, kQuietMs)) {
    }
    port.close();
    return answered ? waited : 0;
}

// The direct path: wire bytes with and without compression, and the time
// they take. Range 0 switches compression on, range 1 paces the simulator's
// line at the unit's 38400 baud (8N1); unpaced, the time is the software's
// own and line_s_at_38400 what those bytes would take on the real line.
// console_done_s is the time until the console has taken in everything.
void BM_DirectWrite(benchmark::State& state) {
    const bool compress = state.range(0) != 0;
    const bool paced = state.range(1) != 0;
    Bench bench(paced ? std::vector<std::string>{"--pace", "38400"} : std::vector<std::string>{});
    if (!bench.ready) {
        state.SkipWithError(bench.error.c_str());
        return;
    }
    writeDirectImage(bench.console.root() / "XDG7D" / "CARD0121.mot");
    if (!compress) {
        bench.engine.setCompressionLibraryName("no-compression.dll");
    }
    double seconds = 0;
    double consoleSeconds = 0;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        bench.units.clear();
        bench.loadUnits();
        const std::uint64_t before = bench.engine.directPort().bytesWritten();
        const auto started = Clock::now();
        if (!bench.write(kXdg7Direct)) {
            state.SkipWithError("direct write did not complete");
            return;
        }
        seconds = std::chrono::duration<double>(Clock::now() - started).count();
        bytes = bench.engine.directPort().bytesWritten() - before;
        consoleSeconds = seconds + waitForConsole(bench);
        state.SetIterationTime(seconds);
    }
    state.counters["seconds"] = seconds;
    state.counters["console_done_s"] = consoleSeconds;
    state.counters["wire_bytes_sent"] = static_cast<double>(bytes);
    state.counters["line_s_at_38400"] = static_cast<double>(bytes) * kBitsPerByteDirect / 38400.0;
}

}  // namespace

// ser2net as Debian ships it (Nagle's algorithm left on in its accepter) in
// front of the bench's console line, opening it as line ("115200n82").
bool startInFrontOfConsole(benchmark::State& state, Bench& bench, platform::Ser2netProcess& server,
                           const std::string& line) {
    if (!bench.ready) {
        state.SkipWithError(bench.error.c_str());
        return false;
    }
    platform::Ser2netProcess::Options options;
    options.line = line;
    options.nodelay = std::getenv("BENCH_NODELAY") != nullptr;
    if (!server.start(bench.console.comm().deviceName, options)) {
        state.SkipWithError(server.error().c_str());
        return false;
    }
    return true;
}

// The paced 64 KB write through ser2net as Debian ships it (its accepter
// leaves Nagle's algorithm on) over rfc2217://, beside the same write on the
// console's own pseudo-terminal, in turns within one run: both ratios to the
// ideal line time, and how much longer the network write took.
void BM_Write64KAt115200LocalAndRfc2217(benchmark::State& state) {
    Bench bench({"--pace", std::to_string(static_cast<int>(kPacedBaud))});
    platform::Ser2netProcess server;
    if (!startInFrontOfConsole(state, bench, server, "115200n82")) {
        return;
    }
    const auto image = engine::testing::patternBytes(0x10000, 3);
    engine::testing::writeSRecordFile(bench.console.root() / "SRF7" / "MAIN0107.mot", 0x200000, image);
    data::CommSettings local = bench.console.comm();
    data::CommSettings network = local;
    network.deviceName = server.url();
    std::vector<double> localRatios;
    std::vector<double> networkRatios;
    std::vector<double> localSeconds;
    std::vector<double> networkSeconds;
    std::vector<double> localBlocks;
    std::vector<double> networkBlocks;
    std::vector<double> localPlainBlocks;
    std::vector<double> networkPlainBlocks;
    for (auto _ : state) {
        double iteration = 0;
        for (const data::CommSettings* comm : {&local, &network}) {
            bench.engine.setCommSettings(*comm);
            Clock::time_point started{};
            if (const std::string failure = bench.writeSrf7Main(started); !failure.empty()) {
                state.SkipWithError((comm->deviceName + ": " + failure).c_str());
                return;
            }
            iteration += std::chrono::duration<double>(Clock::now() - started).count();
            const double transfer = std::chrono::duration<double>(tap.lastReply - tap.firstSend).count();
            const auto transferBytes = static_cast<double>(tap.lineBytesAtLastReply - tap.lineBytesAtStart);
            const double ideal = transferBytes * kBitsPerByteHost / kPacedBaud;
            (comm == &local ? localRatios : networkRatios).push_back(transfer / ideal);
            (comm == &local ? localSeconds : networkSeconds).push_back(transfer);
            (comm == &local ? localBlocks : networkBlocks)
                .push_back(median(engine::bench::exchangeOverheadsMicros(tap.samples, kSecondsPerByte)));
            // The same conversation from one plain thread on the same port.
            const engine::bench::ReplayResult plain =
                engine::bench::PlainClient(comm->deviceName).replay(tap.conversation, kPacedBaud);
            if (!plain.completed) {
                state.SkipWithError(("plain client on " + comm->deviceName + ": " + plain.error).c_str());
                return;
            }
            (comm == &local ? localPlainBlocks : networkPlainBlocks)
                .push_back(median(engine::bench::exchangeOverheadsMicros(plain.samples, kSecondsPerByte)));
        }
        state.SetIterationTime(iteration);
    }
    state.counters["local_ratio_to_ideal"] = median(localRatios);
    state.counters["rfc2217_ratio_to_ideal"] = median(networkRatios);
    state.counters["local_usual_block_overhead_us"] = median(localBlocks);
    state.counters["rfc2217_usual_block_overhead_us"] = median(networkBlocks);
    state.counters["plain_local_usual_block_overhead_us"] = median(localPlainBlocks);
    state.counters["plain_rfc2217_usual_block_overhead_us"] = median(networkPlainBlocks);
    state.counters["rfc2217_over_local_pct"] = (median(networkSeconds) / median(localSeconds) - 1.0) * 100.0;
}

// The direct path's XDG7D write, paced at the unit's 38400 baud, on the
// local pseudo-terminal and over rfc2217:// through ser2net (one connection
// for the operation), in turns within one run.
void BM_DirectWriteLocalAndRfc2217(benchmark::State& state) {
    Bench bench({"--pace", "38400"});
    platform::Ser2netProcess server;
    if (!startInFrontOfConsole(state, bench, server, "38400n81")) {
        return;
    }
    writeDirectImage(bench.console.root() / "XDG7D" / "CARD0121.mot");
    data::CommSettings local = bench.console.comm();
    data::CommSettings network = local;
    network.deviceName = server.url();
    std::vector<double> localSeconds;
    std::vector<double> networkSeconds;
    for (auto _ : state) {
        double iteration = 0;
        for (const data::CommSettings* comm : {&local, &network}) {
            bench.engine.setCommSettings(*comm);
            bench.units.clear();
            bench.loadUnits();
            const auto started = Clock::now();
            if (!bench.write(kXdg7Direct)) {
                state.SkipWithError((comm->deviceName + ": direct write did not complete").c_str());
                return;
            }
            // Until the console has taken in every byte, asked on the local line.
            const double seconds =
                std::chrono::duration<double>(Clock::now() - started).count() + waitForConsole(bench);
            iteration += seconds;
            (comm == &local ? localSeconds : networkSeconds).push_back(seconds);
        }
        state.SetIterationTime(iteration);
    }
    state.counters["local_s"] = median(localSeconds);
    state.counters["rfc2217_s"] = median(networkSeconds);
    state.counters["rfc2217_over_local_pct"] = (median(networkSeconds) / median(localSeconds) - 1.0) * 100.0;
}

BENCHMARK(BM_Write512KUnpaced)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
// Three runs: the ratio and the overhead are the medians of the three.
BENCHMARK(BM_Write64KAt115200)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
BENCHMARK(BM_CheckPassAndEndAt115200)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
BENCHMARK(BM_DirectWrite)
    ->ArgNames({"compress", "paced"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK(BM_Write64KAt115200LocalAndRfc2217)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
BENCHMARK(BM_DirectWriteLocalAndRfc2217)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
