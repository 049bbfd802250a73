// flashkit-cli updates four simulated consoles paced like real 115200-baud
// lines, first each alone, one after the other, then all four at once with
// one command. Each console gets its own program, so four at once should
// take about as long as the slowest alone; and since the consoles spend
// their time waiting for the line, the whole run should cost the processor
// little. Reported: the four-at-once time over the slowest alone
// (fleet_ratio, goal at most 1.15) and the processor time of the whole run
// (the command and every console's program) per console, as a share of one
// core over the run (cpu_percent_per_console, goal at most 10).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "SimProcess.h"
#include "platform/ChildProgram.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kConsoles = 4;
constexpr const char* kPacedBaud = "115200";

// A folder of the benchmark's own: settings and the unit list.
struct Workspace {
    fs::path folder;
    Workspace() {
        std::random_device random;
        folder = fs::temp_directory_path() / ("flashkit-fleet-bench-" + std::to_string(random()));
        fs::create_directories(folder);
        const std::string root = FLASHKIT_DEMO_ROOT;
        std::ofstream(folder / "SRF7.LST") << "SRF7, " << root << "/SRF7\n";
        // The demo's timings: a two-second boot wait, as a technician's settings might have.
        std::ofstream settings(folder / "FLASHKIT.INI");
        settings << "[HOST]\nDEVICE=COM1\nBAUDRATE=115200\n[DATA]\nROOT=" << root << "\nDEFAULT=UNIT.LST\n";
        for (const char* model : {"SRF7", "ENG7", "LIO7", "XDG7"}) {
            settings << "[" << model << "_INTERVAL]\nBOOTIN=2\nBOOTOUT=1\nTIMEOUT=3\nRETRYTIME=1\n";
        }
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::string file(const char* name) const { return (folder / name).string(); }
};

// Paced consoles that hold the demo's old versions, started afresh.
std::vector<std::unique_ptr<simtest::SimProcess>> startConsoles(int count) {
    std::vector<std::unique_ptr<simtest::SimProcess>> consoles;
    for (int index = 0; index < count; ++index) {
        auto console = std::make_unique<simtest::SimProcess>();
        if (!console->start(
                {"--console", std::string(FLASHKIT_DEMO_ROOT) + "/console.json", "--pace", kPacedBaud})) {
            return {};
        }
        consoles.push_back(std::move(console));
    }
    return consoles;
}

std::string offered(const std::vector<std::unique_ptr<simtest::SimProcess>>& consoles) {
    std::string ports;
    for (const auto& console : consoles) {
        ports += (ports.empty() ? "" : ":") + console->portPath();
    }
    return ports;
}

struct RunResult {
    int status = -1;
    double seconds = 0;
    double processorSeconds = 0;  // the program and everything it started
};

double processorSecondsOfEndedChildren() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs flashkit-cli to its end, its output read and dropped.
RunResult runCli(const std::vector<std::string>& arguments, const std::string& ports) {
    platform::ChildProgram program;
    platform::ChildProgram::Launch launch;
    launch.program = FLASHKIT_CLI_PROGRAM;
    launch.arguments = arguments;
    launch.environment = {{"FLASHKIT_PORTS", ports}, {"FLASHKIT_PORTS_ONLY", "1"}};
    const double processorBefore = processorSecondsOfEndedChildren();
    const auto started = Clock::now();
    RunResult result;
    if (!program.start(launch)) {
        return result;
    }
    std::thread output([&program] {
        std::array<char, 4096> buffer{};
        while (program.readOutput(buffer) > 0) {
        }
    });
    std::array<char, 4096> buffer{};
    while (program.readError(buffer) > 0) {
    }
    output.join();
    result.status = program.wait();
    result.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    // The consoles still run, so the children that ended are this program and its own.
    result.processorSeconds = processorSecondsOfEndedChildren() - processorBefore;
    return result;
}

void BM_FourPacedConsolesAtOnce(benchmark::State& state) {
    Workspace workspace;
    const std::vector<std::string> common = {"--ini", workspace.file("FLASHKIT.INI"), "--list",
                                             workspace.file("SRF7.LST")};
    for (auto _ : state) {
        double slowestAlone = 0;
        for (int index = 0; index < kConsoles; ++index) {
            const auto consoles = startConsoles(1);
            if (consoles.empty()) {
                state.SkipWithError("qx7a-sim did not start");
                return;
            }
            std::vector<std::string> arguments = common;
            arguments.insert(arguments.end(), {"--port", consoles[0]->portPath(), "update"});
            const RunResult alone = runCli(arguments, offered(consoles));
            if (alone.status != 0) {
                state.SkipWithError("an update of one console failed");
                return;
            }
            slowestAlone = std::max(slowestAlone, alone.seconds);
        }

        const auto consoles = startConsoles(kConsoles);
        if (consoles.empty()) {
            state.SkipWithError("qx7a-sim did not start");
            return;
        }
        std::vector<std::string> arguments = common;
        for (const auto& console : consoles) {
            arguments.insert(arguments.end(), {"--port", console->portPath()});
        }
        arguments.push_back("update");
        const RunResult fleet = runCli(arguments, offered(consoles));
        if (fleet.status != 0) {
            state.SkipWithError("the update of four consoles failed");
            return;
        }
        state.SetIterationTime(fleet.seconds);
        state.counters["slowest_alone_s"] = slowestAlone;
        state.counters["fleet_s"] = fleet.seconds;
        state.counters["fleet_ratio"] = fleet.seconds / slowestAlone;
        state.counters["cpu_s"] = fleet.processorSeconds;
        state.counters["cpu_percent_per_console"] =
            100.0 * fleet.processorSeconds / fleet.seconds / kConsoles;
    }
}
BENCHMARK(BM_FourPacedConsolesAtOnce)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
