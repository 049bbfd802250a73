#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/PseudoTerminal.h"
#include "sim/SimConsole.h"

namespace sim {

struct ServerOptions {
    std::string linkPath;        // symlink to the pty slave, or empty
    long paceBaud = 0;           // 0: bytes go out as fast as they are made
    double lifetimeSeconds = 0;  // 0: until stopped
    std::string dumpDirectory;   // written at the end, or empty
    bool verbose = false;        // every event on standard error as it happens
};

// Runs a console on a pseudo-terminal: reads the line, hands the bytes to the
// console, sends its answers when they are due, at line speed when paced.
class SimServer {
  public:
    SimServer(SimConsole& console, ServerOptions options);

    bool open(std::string& error);
    const std::string& portPath() const { return terminal_.slavePath(); }

    // Serves until stopRequested() says so or the lifetime is over; then
    // writes the dump. Returns false when the line or the dump failed.
    bool run(const std::function<bool()>& stopRequested, std::string& error);

  private:
    using Clock = std::chrono::steady_clock;

    struct Scheduled {
        double dueMs = 0;
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
    };
    struct Arrival {
        double availableMs = 0;
        std::vector<std::uint8_t> bytes;
    };

    double nowMs() const;
    double byteTimeMs() const;
    void schedule(std::vector<Transmission>& transmissions, double nowMs);
    // Writes what is due; returns when the next write falls due (or a large value).
    bool sendDue(double nowMs, double& nextDueMs);
    void reportEvents();

    SimConsole& console_;
    ServerOptions options_;
    platform::PseudoTerminal terminal_;
    Clock::time_point start_;
    std::deque<Scheduled> outgoing_;
    std::deque<Arrival> incoming_;
    double outputLineFreeMs_ = 0;
    double inputLineFreeMs_ = 0;
    std::size_t reportedEvents_ = 0;
};

}  // namespace sim
