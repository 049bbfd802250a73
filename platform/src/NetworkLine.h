#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "SerialLine.h"
#include "TcpConnection.h"
#include "platform/NetworkPortName.h"
#include "platform/telnet/ComPortClient.h"

namespace platform {

// A serial line on a network serial server. Over rfc2217:// the line's
// settings, DTR and RTS and the purges reach the device through the telnet
// com-port option; over socket:// only the bytes travel and the server's own
// settings stand. Every error names the port: "rfc2217://10.0.0.5:2217:
// connection refused". What the driver of a device would report (error
// counters, driver details) is not known here.
class NetworkLine final : public SerialLine {
  public:
    static constexpr int kConnectTimeoutMs = 5000;
    // How long the server has to take up the com-port option.
    static constexpr int kNegotiationTimeoutMs = 3000;
    static constexpr int kSendTimeoutMs = 5000;
    // How long data is taken for stale while a purge waits for the server's
    // confirmation.
    static constexpr int kPurgeConfirmationMs = 1000;

    NetworkLine();
    ~NetworkLine() override;
    NetworkLine(const NetworkLine&) = delete;
    NetworkLine& operator=(const NetworkLine&) = delete;

    // Connects and, over rfc2217://, negotiates the telnet options. Whatever
    // the device sent before that is not kept.
    Result<void> open(const std::string& deviceName) override;
    void close() override;
    bool isOpen() const override { return connection_.isOpen(); }

    // Over socket:// these succeed without a word to the server.
    Result<void> configure(const LineSettings& settings) override;
    Result<void> setBaudRate(std::uint32_t baudRate) override;
    Result<void> restoreSavedSettings() override;
    Result<void> setDriverQueues(std::uint32_t receiveBytes, std::uint32_t transmitBytes) override;
    // Unsupported over socket://. Over rfc2217:// the server is not waited
    // for: lines without modem signals are not confirmed.
    Result<LineControl> setModemLine(ModemLine line, bool raised) override;
    // Input: what has arrived is dropped, and over rfc2217:// the server
    // drops what it holds for the client. Output: the server drops what it
    // has not written to the device yet, unless drain() ran since the last
    // write.
    Result<void> flush(FlushDirection direction) override;
    // What was written is with the server, which writes it to the device at
    // the line's pace.
    Result<void> drain() override;

    Result<WaitResult> waitReadable(int timeoutMs) override;
    Result<WaitResult> waitWritable(int timeoutMs) override;
    void cancelWaits() override { connection_.cancelWaits(); }
    // Data bytes taken, 0 when none waits. Telnet commands in between are
    // answered and never counted.
    Result<std::size_t> read(std::span<std::uint8_t> buffer) override;
    // Hands every byte to the connection (escaped as the protocol needs).
    Result<std::size_t> write(std::span<const std::uint8_t> bytes) override;

    std::size_t inputQueued() const override { return 0; }
    std::size_t outputQueued() const override { return connection_.unacknowledgedBytes(); }
    Result<LineErrorCounters> errorCounters() override;
    Result<SerialDriverInfo> driverInfo() override;
    Result<SerialDriverProperties> driverProperties() override;
    Result<void> requestLowLatency() override;

  private:
    using Clock = std::chrono::steady_clock;

    // The error with the port's name in front of what it means.
    SystemError failure(const SystemError& error) const;
    Result<void> sendCommands(const std::vector<std::uint8_t>& wire);
    Result<void> negotiate();
    // Drops what has arrived, still hearing the commands in it.
    Result<void> dropArrivedInput();
    // Answers the server's negotiation found in the last read.
    Result<void> sendReplies();
    Result<void> requireConnection() const;

    TcpConnection connection_;
    NetworkProtocol protocol_ = NetworkProtocol::Rfc2217;
    std::string name_;
    std::atomic<bool> peerClosed_{false};
    std::atomic<bool> outputDrained_{true};

    // The telnet session: read by the reading thread, written by the writer.
    mutable std::mutex sessionLock_;
    telnet::ComPortClient session_;
    std::vector<std::uint8_t> replies_;
    Clock::time_point purgeRequested_{};

    // One sender at a time on the connection; the buffer is kept between writes.
    std::mutex sendLock_;
    std::vector<std::uint8_t> sendBuffer_;
};

}  // namespace platform
