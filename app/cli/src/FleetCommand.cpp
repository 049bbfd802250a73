#include "cli/FleetCommand.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/FleetFeed.h"
#include "platform/ChildProgram.h"
#include "platform/Directory.h"
#include "platform/InterruptGuard.h"
#include "platform/Paths.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often the consoles are looked at: the display's pace, and a prompt
// reaction to a stop request.
constexpr std::chrono::milliseconds kPollPeriod{50};
constexpr std::size_t kReadBytes = 4096;
constexpr const char* kLogFolderVariable = "TRX_LOG_DIR";
constexpr const char* kFixedLogName = "COMMU.LOG";
constexpr const char* kLogPattern = "COMMU*.LOG";

// One console's program while it runs: two readers take its output and its
// records and messages as they come.
struct RunningConsole {
    std::size_t index = 0;
    platform::ChildProgram program;
    Clock::time_point startedAt;
    std::thread outputReader;
    std::thread errorReader;
    std::atomic<int> readersDone{0};
    bool collected = false;
    std::mutex lock;
    std::string output;                 // guarded by lock
    std::vector<std::string> messages;  // guarded by lock

    ~RunningConsole() {
        for (std::thread* reader : {&outputReader, &errorReader}) {
            if (reader->joinable()) {
                reader->join();
            }
        }
    }
};

void readOutput(RunningConsole& console) {
    std::array<char, kReadBytes> buffer{};
    while (const std::size_t count = console.program.readOutput(buffer)) {
        std::lock_guard lock(console.lock);
        console.output.append(buffer.data(), count);
    }
    console.readersDone.fetch_add(1);
}

void readErrors(RunningConsole& console, FleetDisplay& display) {
    std::array<char, kReadBytes> buffer{};
    std::string pending;
    auto takeLine = [&](std::string line) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (const auto record = FleetFeed::parse(line)) {
            display.record(console.index, *record, Clock::now());
        } else if (!line.empty()) {
            display.message(console.index, line);
            std::lock_guard lock(console.lock);
            console.messages.push_back(std::move(line));
        }
    };
    while (const std::size_t count = console.program.readError(buffer)) {
        pending.append(buffer.data(), count);
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            takeLine(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
    takeLine(std::move(pending));
    console.readersDone.fetch_add(1);
}

// The JSON object the program printed last on its standard output.
nlohmann::ordered_json resultObject(const std::string& output) {
    std::size_t end = output.size();
    while (end > 0) {
        std::size_t start = output.rfind('\n', end - 1);
        start = start == std::string::npos ? 0 : start + 1;
        const std::string line = output.substr(start, end - start);
        if (line.find_first_not_of(" \r\t") != std::string::npos) {
            nlohmann::ordered_json object = nlohmann::ordered_json::parse(line, nullptr, false);
            return object.is_object() ? object : nlohmann::ordered_json();
        }
        end = start > 0 ? start - 1 : 0;
    }
    return {};
}

}  // namespace

FleetCommand::FleetCommand(FleetLaunch launch, FleetDisplay& display)
    : launch_(std::move(launch)), display_(display) {}

std::vector<std::string> FleetCommand::consoleArguments(const std::vector<std::string>& arguments,
                                                        const std::string& port) {
    std::vector<std::string> console = {"--port", port, "--fleet-child"};
    // The console's result comes back as its JSON object.
    if (std::find(arguments.begin(), arguments.end(), "--json") == arguments.end()) {
        console.push_back("--json");
    }
    console.insert(console.end(), arguments.begin(), arguments.end());
    return console;
}

std::string FleetCommand::logIn(const std::string& folder) {
    if (folder.empty()) {
        return {};
    }
    const std::vector<std::string> logs = platform::Directory::listFiles(folder, kLogPattern);
    if (logs.empty()) {
        return {};
    }
    // Time-stamped names sort by their time.
    const auto fixed = std::find(logs.begin(), logs.end(), kFixedLogName);
    return platform::joinPath(folder, fixed != logs.end() ? *fixed : logs.back());
}

std::vector<FleetConsole> FleetCommand::run(const platform::InterruptGuard& interrupt) {
    std::vector<FleetConsole> results(launch_.ports.size());
    std::vector<std::unique_ptr<RunningConsole>> running;
    for (std::size_t index = 0; index < launch_.ports.size(); ++index) {
        results[index].port = launch_.ports[index];
        auto console = std::make_unique<RunningConsole>();
        console->index = index;
        platform::ChildProgram::Launch start;
        start.program = launch_.program;
        start.arguments = consoleArguments(launch_.arguments, launch_.ports[index]);
        const std::string logFolder = index < launch_.logFolders.size() ? launch_.logFolders[index] : "";
        if (!logFolder.empty()) {
            start.environment.emplace_back(kLogFolderVariable, logFolder);
        }
        console->startedAt = Clock::now();
        const platform::Result<void> launched = console->program.start(start);
        if (!launched) {
            const std::string reason = "cannot start " + launch_.program + ": " + launched.error().text();
            display_.message(index, reason);
            results[index].messages.push_back(reason);
            display_.finished(index, FleetReport::consoleResult(results[index]), Clock::now());
            continue;
        }
        RunningConsole& started = *console;
        started.outputReader = std::thread([&started] { readOutput(started); });
        started.errorReader = std::thread([&started, this] { readErrors(started, display_); });
        running.push_back(std::move(console));
    }

    std::size_t left = running.size();
    while (left > 0) {
        if (!cancelled_ && interrupt.interrupted()) {
            cancelled_ = true;
            display_.note("cancelling every console: each finishes the step in progress");
            for (auto& console : running) {
                console->program.closeInput();
            }
        }
        for (auto& console : running) {
            if (console->collected || console->readersDone.load() < 2) {
                continue;
            }
            console->outputReader.join();
            console->errorReader.join();
            FleetConsole& result = results[console->index];
            result.exitCode = console->program.wait();
            result.seconds = std::chrono::duration<double>(Clock::now() - console->startedAt).count();
            {
                std::lock_guard lock(console->lock);
                result.single = resultObject(console->output);
                result.messages = std::move(console->messages);
            }
            result.logPath =
                logIn(console->index < launch_.logFolders.size() ? launch_.logFolders[console->index]
                                                                 : std::string());
            console->collected = true;
            --left;
            display_.finished(console->index, FleetReport::consoleResult(result), Clock::now());
        }
        display_.refresh(Clock::now());
        if (left > 0) {
            std::this_thread::sleep_for(kPollPeriod);
        }
    }
    return results;
}

}  // namespace cli
