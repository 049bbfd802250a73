#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
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

// Runs a console on a pseudo-terminal: a reader thread takes every byte off
// the line the moment it arrives, the serving thread hands the bytes to the
// console and sends its answers when they are due, at line speed when paced.
//
// The reader exists because a pseudo-terminal loses what its master has not
// read yet when the client flushes its output queue, as a client does that
// opens the port afresh for every frame.
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
    void readLine();
    // Waits up to timeoutMs for the reader; moves what it has read into arrivals.
    void collect(double timeoutMs, std::deque<Arrival>& arrivals);

    SimConsole& console_;
    ServerOptions options_;
    platform::PseudoTerminal terminal_;
    Clock::time_point start_;
    std::deque<Scheduled> outgoing_;
    std::deque<Arrival> incoming_;
    double outputLineFreeMs_ = 0;
    double inputLineFreeMs_ = 0;
    std::size_t reportedEvents_ = 0;

    // Shared with the reader thread.
    std::mutex readLock_;
    std::condition_variable readSignal_;
    std::deque<Arrival> read_;
    std::string readError_;
    std::atomic<bool> stopReading_{false};
};

}  // namespace sim
