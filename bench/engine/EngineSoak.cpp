// engine_soak: a long run in one process. 100 operations, getver and write
// alternating over every kind of unit (generic, type 3, type 4 through the
// host interface, type 2 on the direct path), some cancelled and some failed
// by the simulator's faults, all through the real libtrx.so against
// qx7a-sim. Open file descriptors, threads and resident memory are taken
// after a warm-up round and again at the end; any growth of the first two,
// or more than allocator slack of the third, fails the run (exit 1).
//
//     build/bin/engine_soak [OPERATIONS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedConsole.h"
#include "data/UnitList.h"
#include "engine/UpdateEngine.h"
#include "platform/testing/ProcessResources.h"

namespace {

using Clock = std::chrono::steady_clock;

// Resident memory may move by what the allocator keeps for reuse, not more.
constexpr std::uint64_t kAllocatorSlackBytes = 2u << 20;
constexpr int kDefaultOperations = 100;

// The demo units, in the list's order: the kinds of unit the engine knows.
enum Unit { kSrf7 = 0, kEng7 = 1, kLio7 = 2, kXdg7 = 3, kXdg7Direct = 4 };
const char* const kUnitNames[] = {"SRF7", "ENG7", "LIO7", "XDG7", "XDG7D"};
constexpr int kUnitCount = 5;

bool silentOnFaultyConsole(int unit) {
    return unit == kEng7 || unit == kXdg7 || unit == kXdg7Direct;
}

enum class Kind { GetVersion, Write, CancelledWrite, FailingGetVersion, FailingWrite };

struct Operation {
    Kind kind;
    int unit;
};

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::GetVersion:
            return "getver";
        case Kind::Write:
            return "write";
        case Kind::CancelledWrite:
            return "write, cancelled";
        case Kind::FailingGetVersion:
            return "getver, faulty";
        case Kind::FailingWrite:
            return "write, unit rejects";
    }
    return "?";
}

// Getver and write alternate over the units; every fifth operation runs on
// the console with faults, and writes of the units with a boot wait are
// cancelled now and then (the direct path only looks at Cancel between
// attempts; a type-3 or type-4 write of the demo images is over before a
// Cancel pressed at its start is looked at).
std::vector<Operation> plan(int count) {
    std::vector<Operation> operations;
    for (int i = 0; i < count; ++i) {
        const int unit = (i / 2) % kUnitCount;
        const bool write = i % 2 == 1;
        Kind kind = write ? Kind::Write : Kind::GetVersion;
        if (i % 5 == 4) {
            kind = write ? Kind::FailingWrite : Kind::FailingGetVersion;
        } else if (write && i % 7 == 3 && (unit == kSrf7 || unit == kEng7)) {
            kind = Kind::CancelledWrite;
        }
        operations.push_back({kind, unit});
    }
    return operations;
}

struct Soak {
    // The same demo console twice: one as it is, one whose units all fail.
    engine::testing::SimulatedConsole console{true};
    engine::testing::SimulatedConsole faultyConsole{true};
    engine::NullFrontEnd user;
    data::UnitList units;
    engine::UpdateEngine engine;
    data::CommSettings comm;
    std::string error;

    bool start() {
        std::vector<std::string> faults;
        // Every write on this console fails: silent units time out, the others refuse their flash.
        for (const char* fault :
             {"SRF7:reject-erase", "ENG7:silent", "LIO7:reject-checksum", "XDG7:silent", "XDG7D:silent"}) {
            faults.insert(faults.end(), {"--fault", fault});
        }
        error = console.start({}, false);
        if (error.empty()) {
            error = faultyConsole.start(faults, false);
        }
        if (!error.empty()) {
            return false;
        }
        data::UnitTiming quick;
        quick.bootIn = 1;
        quick.bootOut = 1;
        quick.timeout = 1;
        // No pause between attempts: the retry time of the unit's timing set
        // is what each erase or write takes.
        quick.retryTime = 0;
        console.wire(engine, user, console.api(), quick);
        comm = console.comm();
        engine.setCheckBeforeWrite(0);
        engine.setRetryCount(2);
        engine.setSettlePauses(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        if (!console.loadUnits(units, data::WritingPort::HostInterface) || units.count() != kUnitCount) {
            error = "demo unit list not loaded";
            return false;
        }
        engine.setUnitList(&units);
        return true;
    }

    // Runs one operation to its end; true when it ended as it must.
    bool run(const Operation& operation, std::string& outcome) {
        const bool faulty = operation.kind == Kind::FailingGetVersion || operation.kind == Kind::FailingWrite;
        comm.deviceName = faulty ? faultyConsole.comm().deviceName : console.comm().deviceName;
        engine.setCommSettings(comm);
        data::UnitRecord& unit = *units.unit(operation.unit);
        unit.loadRows(true);
        const bool write = operation.kind != Kind::GetVersion && operation.kind != Kind::FailingGetVersion;
        if (write) {
            for (int row = 0; row < unit.rowCount(); ++row) {
                unit.row(row)->setSelected(true);
            }
        }
        const auto code = write ? data::OperationCode::Write : data::OperationCode::GetVersion;
        if (!engine.startOperation(code, operation.unit, write)) {
            outcome = "did not start";
            return false;
        }
        if (operation.kind == Kind::CancelledWrite) {
            // Cancel as soon as the operation shows its first status, as the
            // Cancel button would: some units take well under a second to write.
            const auto limit = Clock::now() + std::chrono::seconds(5);
            while (engine.status().statusText().empty() && Clock::now() < limit && engine.busy()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            engine.control().cancel();
        }
        engine.waitUntilFinished();
        const std::string result(engine::resultName(engine.lastResult()));
        outcome = result + (write ? " / " + unit.resultText() : "");
        switch (operation.kind) {
            case Kind::GetVersion:
                return engine.lastResult() == engine::ResultCode::Ok;
            case Kind::Write:
                return unit.resultText() == "Completed";
            case Kind::CancelledWrite:
                return unit.resultText() == "Canceled";
            case Kind::FailingGetVersion:
                // Units that refuse their flash still tell their versions.
                return (engine.lastResult() == engine::ResultCode::Ok) ==
                       !silentOnFaultyConsole(operation.unit);
            case Kind::FailingWrite:
                return unit.resultText() == "Failed";
        }
        return false;
    }
};

void print(const char* when, const platform::ProcessResources& resources) {
    std::printf("%-7s open fds %3zu  threads %2zu  RSS %8.1f KB\n", when, resources.openFiles,
                resources.threads, static_cast<double>(resources.residentBytes) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : kDefaultOperations;
    Soak soak;
    if (!soak.start()) {
        std::fprintf(stderr, "engine_soak: %s\n", soak.error.c_str());
        return 2;
    }

    // A warm-up round first: what is made once (the compression library's
    // tables, TRX's first queues, the allocator's arenas) is not growth.
    std::string outcome;
    for (int unit = 0; unit < kUnitCount; ++unit) {
        soak.run({Kind::GetVersion, unit}, outcome);
        soak.run({Kind::Write, unit}, outcome);
    }
    const platform::ProcessResources before = platform::ProcessResources::now();

    const auto started = Clock::now();
    int wrong = 0;
    const std::vector<Operation> operations = plan(count);
    for (std::size_t i = 0; i < operations.size(); ++i) {
        const Operation& operation = operations[i];
        const auto opStarted = Clock::now();
        const bool expected = soak.run(operation, outcome);
        wrong += expected ? 0 : 1;
        const platform::ProcessResources now = platform::ProcessResources::now();
        std::printf("%3zu %-6s %-20s %-28s %5.1f s  fds %zu threads %zu RSS %.0f KB%s\n", i + 1,
                    kUnitNames[operation.unit], kindName(operation.kind), outcome.c_str(),
                    std::chrono::duration<double>(Clock::now() - opStarted).count(), now.openFiles,
                    now.threads, static_cast<double>(now.residentBytes) / 1024.0,
                    expected ? "" : "  <- unexpected");
        std::fflush(stdout);
    }
    const platform::ProcessResources after = platform::ProcessResources::now();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

    std::printf("\n%d operations in %.0f s\n", count, seconds);
    print("before", before);
    print("after", after);
    const long long rssGrowth =
        static_cast<long long>(after.residentBytes) - static_cast<long long>(before.residentBytes);
    std::printf("growth  open fds %+lld  threads %+lld  RSS %+.1f KB (slack allowed %.0f KB)\n",
                static_cast<long long>(after.openFiles) - static_cast<long long>(before.openFiles),
                static_cast<long long>(after.threads) - static_cast<long long>(before.threads),
                static_cast<double>(rssGrowth) / 1024.0, static_cast<double>(kAllocatorSlackBytes) / 1024.0);
    const bool grew = after.openFiles > before.openFiles || after.threads > before.threads ||
                      rssGrowth > static_cast<long long>(kAllocatorSlackBytes);
    if (wrong > 0) {
        std::printf("%d operations did not end as they must\n", wrong);
    }
    std::printf("%s\n", grew || wrong > 0 ? "FAILED" : "no growth");
    return grew || wrong > 0 ? 1 : 0;
}
