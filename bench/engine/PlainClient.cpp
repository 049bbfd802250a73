#include "PlainClient.h"

#include <algorithm>
#include <array>

#include "platform/SerialPort.h"
#include "trx/frame/FramePacker.h"
#include "trx/frame/FrameScanner.h"
#include "trx/frame/FrameUnpacker.h"

namespace engine::bench {

namespace {

constexpr int kReplyTimeoutMs = 2000;

// Counts the replies among the frames the scanner cuts out, as the engine
// counts what MessageReceive hands it.
class ReplyCounter : public trx::frame::FrameSink {
  public:
    void onFrame(std::span<const std::uint8_t> betweenMarkers) override {
        if (trx::frame::isActiveSenseBody(betweenMarkers)) {
            return;
        }
        std::array<std::uint8_t, 512> slot{};
        const trx::frame::UnpackResult result = trx::frame::unpackFrame(betweenMarkers, slot);
        if (result.status == trx::frame::UnpackStatus::Ok && result.length > 2) {
            ++replies;
        }
    }
    void onBrokenFrame(std::span<const std::uint8_t>) override {}
    int replies = 0;
};

}  // namespace

std::vector<double> exchangeOverheadsMicros(const std::vector<ExchangeSample>& samples,
                                            double secondsPerByte) {
    std::vector<double> overheads;
    for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
        if (samples[i].replies != 1) {
            continue;
        }
        const double cycle = std::chrono::duration<double>(samples[i + 1].sent - samples[i].sent).count();
        overheads.push_back((cycle - static_cast<double>(samples[i].lineBytes) * secondsPerByte) * 1e6);
    }
    return overheads;
}

ReplayResult PlainClient::replay(const std::vector<RecordedExchange>& conversation,
                                 std::uint32_t baudRate) const {
    ReplayResult result;
    platform::SerialPort port;
    platform::LineSettings settings;
    settings.baudRate = baudRate;
    settings.stopBits = platform::StopBits::Two;
    platform::Result<void> ready = port.open(deviceName_);
    if (ready) {
        ready = port.configure(settings);
    }
    if (!ready) {
        result.error = "cannot open " + deviceName_ + ": " + ready.error().text();
        return result;
    }
    trx::frame::FrameScanner scanner;
    ReplyCounter counter;
    std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame{};
    bool timing = false;
    BenchClock::time_point lastReply{};
    std::uint32_t timedReplies = 0;
    for (const RecordedExchange& exchange : conversation) {
        const std::size_t length = trx::frame::packFrame(exchange.message, frame);
        if (length == 0) {
            result.error = "a recorded message does not pack";
            return result;
        }
        timing = timing || exchange.timed;
        ExchangeSample sample;
        sample.sent = BenchClock::now();
        sample.lineBytes = length;
        if (!port.writeAll(std::span<const std::uint8_t>(frame).first(length), kReplyTimeoutMs)) {
            result.error = "writing the line failed";
            return result;
        }
        const int wanted = counter.replies + exchange.replies;
        while (counter.replies < wanted) {
            if (port.waitReadable(kReplyTimeoutMs) != platform::WaitResult::Ready) {
                result.error = "no reply within " + std::to_string(kReplyTimeoutMs) + " ms";
                return result;
            }
            const platform::Result<std::size_t> count = port.read(scanner.readTarget());
            if (!count) {
                result.error = "reading the line failed";
                return result;
            }
            scanner.scan(*count, counter);
            sample.lineBytes += *count;
            lastReply = BenchClock::now();
        }
        if (timing) {
            sample.replies = exchange.replies;
            timedReplies += static_cast<std::uint32_t>(exchange.replies);
            result.lineBytes += sample.lineBytes;
            result.samples.push_back(sample);
        }
    }
    if (!timing || result.samples.empty()) {
        result.error = "nothing to time in the recording";
        return result;
    }
    result.exchanges = std::min(static_cast<std::uint32_t>(result.samples.size()), timedReplies);
    result.seconds = std::chrono::duration<double>(lastReply - result.samples.front().sent).count();
    result.completed = true;
    return result;
}

}  // namespace engine::bench
