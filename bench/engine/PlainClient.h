#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace engine::bench {

using BenchClock = std::chrono::steady_clock;

// One message the engine gave the interface library and how many replies
// (messages longer than two bytes) came back before its next message.
struct RecordedExchange {
    std::vector<std::uint8_t> message;  // count byte first
    int replies = 0;
    bool timed = false;  // inside the stretch the benchmark times
};

// One timed exchange as it went: when its frame left, the bytes of that frame
// and of the replies that came back, and how many replies there were.
struct ExchangeSample {
    BenchClock::time_point sent{};
    std::uint64_t lineBytes = 0;
    int replies = 0;
};

// What each exchange with exactly one reply took beyond the line time of its
// bytes, measured from its frame leaving to the next frame leaving, in
// microseconds. A block's usual cost, apart from the rare long stalls that
// weigh on the whole transfer's ratio.
std::vector<double> exchangeOverheadsMicros(const std::vector<ExchangeSample>& samples,
                                            double secondsPerByte);

// What a replay took: from the first timed frame leaving to the last reply
// arriving, and the bytes that crossed the line in that time.
struct ReplayResult {
    bool completed = false;
    std::string error;
    double seconds = 0;
    std::uint64_t lineBytes = 0;
    std::uint32_t exchanges = 0;
    std::vector<ExchangeSample> samples;
};

// The yardstick for the engine's paced figures: one thread that writes each
// recorded message as a frame straight to the port and reads the line until
// its replies are in, with no queue, no library threads and no engine. What
// it loses over the line's ideal time is what the pseudo-terminal and the
// simulated console cost on this machine.
class PlainClient {
  public:
    explicit PlainClient(std::string deviceName) : deviceName_(std::move(deviceName)) {}

    ReplayResult replay(const std::vector<RecordedExchange>& conversation, std::uint32_t baudRate) const;

  private:
    std::string deviceName_;
};

}  // namespace engine::bench
