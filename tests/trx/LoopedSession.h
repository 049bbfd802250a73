#pragma once

// Drives a logging session through the loop-back path: messages of 7 bytes
// whose byte 3 is 0x1F go back to the receive queue instead of the line and
// are logged as 'L' lines. Each MessageSend call is timed, so that a check
// can tell which calls found the log ring full (LoopedLogLines.h).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

namespace looped_log {

using SendFunction = std::int32_t (*)(const std::uint8_t*, std::uint32_t);
using ReceiveFunction = std::int32_t (*)(std::uint8_t*);

// Takes every looped-back message off the receive queue.
class Drainer {
  public:
    explicit Drainer(ReceiveFunction receive) : receive_(receive), thread_([this] { run(); }) {}
    ~Drainer() { stop(); }
    Drainer(const Drainer&) = delete;
    Drainer& operator=(const Drainer&) = delete;

    int received() const { return received_.load(); }
    // True once `count` messages came within ten seconds.
    bool waitFor(int count) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (received_.load() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return received_.load() == count;
    }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

  private:
    void run() {
        std::uint8_t buffer[512];
        while (!stop_.load()) {
            if (receive_(buffer) > 0) {
                ++received_;
            }
        }
    }

    ReceiveFunction receive_;
    std::atomic<bool> stop_{false};
    std::atomic<int> received_{0};
    std::thread thread_;
};

// Sends numbered looped-back messages and keeps one line per call: the
// message in the log's hex form, '|', the milliseconds the call took.
class TimedSender {
  public:
    // A call that waited this long found the ring full.
    static constexpr long long kLongWaitMs = 500;

    explicit TimedSender(SendFunction send) : send_(send) {}

    // False when MessageSend refused the message.
    bool sendNext() {
        const std::uint8_t message[] = {0x06,
                                        0x41,
                                        0x00,
                                        0x1F,
                                        static_cast<std::uint8_t>(sent_ >> 8),
                                        static_cast<std::uint8_t>(sent_ & 0xFF),
                                        0x5A};
        const auto began = std::chrono::steady_clock::now();
        const std::int32_t result = send_(message, sizeof(message));
        lastMs_ =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began)
                .count();
        ++sent_;
        char digits[4];
        for (std::uint8_t byte : message) {
            std::snprintf(digits, sizeof(digits), "%02x ", byte);
            calls_ += digits;
        }
        calls_ += '|' + std::to_string(lastMs_) + '\n';
        return result == 1;
    }

    // Sends until `count` calls each waited more than kLongWaitMs; false when
    // a call was refused or `most` messages did not fill the ring.
    bool sendUntilLongWaits(int count, int most) {
        int longWaits = 0;
        while (longWaits < count) {
            if (sent_ >= most || !sendNext()) {
                return false;
            }
            longWaits += lastMs_ > kLongWaitMs ? 1 : 0;
        }
        return true;
    }

    int sent() const { return sent_; }
    const std::string& calls() const { return calls_; }

  private:
    SendFunction send_;
    int sent_ = 0;
    long long lastMs_ = 0;
    std::string calls_;
};

// Far more messages than the ring, a pipe of 4096 bytes and the writer's
// line can hold together.
inline constexpr int kMostMessagesBeforeOverflow = 5000;
inline constexpr int kLongWaitsBeforeResume = 3;
inline constexpr int kMessagesAfterResume = 30;

}  // namespace looped_log
