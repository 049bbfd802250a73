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

#include "platform/testing/PseudoTerminal.h"
#include "sim/SimConsole.h"

namespace sim {

struct ServerOptions {
    std::string linkPath;        // symlink to the pty slave, or empty
    long paceBaud = 0;           // 0: bytes go out as fast as they are made
    double lifetimeSeconds = 0;  // 0: until stopped
    std::string dumpDirectory;   // written at the end, or empty
    bool verbose = false;        // every event on standard error as it happens
};

// Runs a console on a pseudo-terminal. A reader thread takes every byte off
// the line the moment it arrives and, on an unpaced line, hands it to the
// console and writes the answers straight away: the shortest way back. The
// serving thread sends what is held back (delayed or paced answers), feeds
// paced input when it is due, and ends the run.
//
// Reading at once matters beyond speed: a pseudo-terminal loses what its
// master has not read yet when the client discards its output queue.
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
    // Bytes taken off the pty in one read, as they travel the modelled line:
    // byte i has arrived at lineStartMs + (i + 1) * byteMs.
    struct Arrival {
        double lineStartMs = 0;
        double byteMs = 0;
        std::vector<std::uint8_t> bytes;
        std::size_t delivered = 0;

        double arrivalOf(std::size_t count) const {
            return lineStartMs + static_cast<double>(count) * byteMs;
        }
    };

    double nowMs() const;
    double byteTimeMs() const;
    void schedule(std::vector<Transmission>& transmissions, double nowMs);
    // Writes what is due and sets when the next write falls due (or a large
    // value); fails when the line cannot be written.
    platform::Result<void> sendDue(double nowMs, double& nextDueMs);
    // Hands the console every paced byte that has arrived by nowMs; returns
    // when the next slice of input will have arrived (or a large value).
    double deliverArrived(double nowMs, std::vector<Transmission>& transmissions);
    void reportEvents();
    void readLine();

    SimConsole& console_;
    ServerOptions options_;
    platform::PseudoTerminal terminal_;
    Clock::time_point start_;

    // Everything below, and the console, is used by both threads under lock_.
    std::mutex lock_;
    std::condition_variable wakeServer_;
    std::deque<Scheduled> outgoing_;
    std::deque<Arrival> incoming_;
    double outputLineFreeMs_ = 0;
    double inputLineFreeMs_ = 0;
    std::size_t reportedEvents_ = 0;
    std::string lineError_;
    std::atomic<bool> stopReading_{false};
};

}  // namespace sim
