#include "NetworkLine.h"

#include <array>

#include "platform/telnet/TelnetCodes.h"

namespace platform {
namespace {

namespace telnet = platform::telnet;

constexpr std::size_t kSendBufferBytes = 8192;
constexpr std::size_t kReplyBufferBytes = 256;
constexpr char kNotRfc2217[] = "does not speak RFC 2217; for a raw TCP port use socket://";
constexpr char kClosedByServer[] = "connection closed by the server";
constexpr char kNotConnected[] = "not connected";

std::uint8_t parityValue(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return telnet::kParityOdd;
        case Parity::Even:
            return telnet::kParityEven;
        case Parity::None:
            break;
    }
    return telnet::kParityNone;
}

}  // namespace

NetworkLine::NetworkLine() {
    sendBuffer_.reserve(kSendBufferBytes);
    replies_.reserve(kReplyBufferBytes);
}

NetworkLine::~NetworkLine() {
    close();
}

SystemError NetworkLine::failure(const SystemError& error) const {
    return SystemError(error.code(), name_ + ": " + TcpConnection::reasonOf(error));
}

Result<void> NetworkLine::requireConnection() const {
    if (!isOpen()) {
        return failure(TcpConnection::closed(kNotConnected));
    }
    if (peerClosed_.load()) {
        return failure(TcpConnection::closed(kClosedByServer));
    }
    return {};
}

Result<void> NetworkLine::open(const std::string& deviceName) {
    close();
    const NetworkPortNameParse parse = parseNetworkPortName(deviceName);
    if (!parse.port) {
        return TcpConnection::badName(parse.error);
    }
    name_ = parse.port->text;
    protocol_ = parse.port->protocol;
    peerClosed_ = false;
    outputDrained_ = true;
    {
        std::lock_guard guard(sessionLock_);
        session_ = telnet::ComPortClient();
    }
    if (const Result<void> connected = connection_.connect(parse.port->host, parse.port->port, kConnectTimeoutMs);
        !connected) {
        return failure(connected.error());
    }
    connection_.tuneForSmallExchanges();
    if (protocol_ == NetworkProtocol::RawTcp) {
        return {};
    }
    if (const Result<void> negotiated = negotiate(); !negotiated) {
        connection_.close();
        return negotiated.error();
    }
    return {};
}

Result<void> NetworkLine::negotiate() {
    std::vector<std::uint8_t> wire;
    {
        std::lock_guard guard(sessionLock_);
        session_.start(wire);
    }
    if (const Result<void> sent = sendCommands(wire); !sent) {
        return sent;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kNegotiationTimeoutMs);
    std::array<std::uint8_t, 512> scratch{};
    for (;;) {
        {
            std::lock_guard guard(sessionLock_);
            switch (session_.comPortAnswer()) {
                case telnet::ComPortClient::ComPortAnswer::Accepted:
                    return {};
                case telnet::ComPortClient::ComPortAnswer::Refused:
                    return TcpConnection::protocolError(name_ + ": " + kNotRfc2217);
                case telnet::ComPortClient::ComPortAnswer::Pending:
                    break;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return TcpConnection::protocolError(name_ + ": " + kNotRfc2217);
        }
        const Result<WaitResult> waited = connection_.waitReadable(static_cast<int>(left));
        if (!waited) {
            return failure(waited.error());
        }
        if (*waited == WaitResult::TimedOut) {
            continue;
        }
        if (*waited != WaitResult::Ready) {
            return failure(TcpConnection::closed(kClosedByServer));
        }
        // Bytes of the device before the line is set up are not kept.
        if (const Result<std::size_t> dropped = read(scratch); !dropped) {
            return dropped.error();
        }
    }
}

void NetworkLine::close() {
    connection_.close();
}

Result<void> NetworkLine::sendCommands(const std::vector<std::uint8_t>& wire) {
    std::lock_guard guard(sendLock_);
    if (const Result<void> sent = connection_.sendAll(wire, kSendTimeoutMs); !sent) {
        return failure(sent.error());
    }
    return {};
}

Result<void> NetworkLine::configure(const LineSettings& settings) {
    if (const Result<void> usable = requireConnection(); !usable) {
        return usable;
    }
    if (protocol_ == NetworkProtocol::RawTcp) {
        return {};
    }
    std::vector<std::uint8_t> wire;
    {
        std::lock_guard guard(sessionLock_);
        session_.requestBaudRate(settings.baudRate, wire);
        session_.requestDataSize(static_cast<std::uint8_t>(settings.dataBits), wire);
        session_.requestParity(parityValue(settings.parity), wire);
        session_.requestStopSize(settings.stopBits == StopBits::Two ? telnet::kStopSizeTwo : telnet::kStopSizeOne,
                                 wire);
        session_.requestControl(telnet::kControlNoFlowControl, wire);
    }
    return sendCommands(wire);
}

Result<void> NetworkLine::setBaudRate(std::uint32_t baudRate) {
    if (const Result<void> usable = requireConnection(); !usable) {
        return usable;
    }
    if (protocol_ == NetworkProtocol::RawTcp) {
        return {};
    }
    std::vector<std::uint8_t> wire;
    {
        std::lock_guard guard(sessionLock_);
        session_.requestBaudRate(baudRate, wire);
    }
    return sendCommands(wire);
}

Result<void> NetworkLine::restoreSavedSettings() {
    // The server's line outlives the connection; nothing was saved to put back.
    return requireConnection();
}

Result<void> NetworkLine::setDriverQueues(std::uint32_t, std::uint32_t) {
    // The server sizes its own buffers.
    return requireConnection();
}

Result<LineControl> NetworkLine::setModemLine(ModemLine line, bool raised) {
    if (const Result<void> usable = requireConnection(); !usable) {
        return usable.error();
    }
    if (protocol_ == NetworkProtocol::RawTcp) {
        return LineControl::Unsupported;
    }
    std::uint8_t control = 0;
    if (line == ModemLine::Dtr) {
        control = raised ? telnet::kControlDtrOn : telnet::kControlDtrOff;
    } else {
        control = raised ? telnet::kControlRtsOn : telnet::kControlRtsOff;
    }
    std::vector<std::uint8_t> wire;
    {
        std::lock_guard guard(sessionLock_);
        session_.requestControl(control, wire);
    }
    if (const Result<void> sent = sendCommands(wire); !sent) {
        return sent.error();
    }
    return LineControl::Done;
}

Result<void> NetworkLine::dropArrivedInput() {
    std::array<std::uint8_t, 512> scratch{};
    for (;;) {
        const Result<std::size_t> dropped = read(scratch);
        if (!dropped) {
            return dropped.error();
        }
        if (*dropped > 0) {
            continue;
        }
        const Result<WaitResult> more = connection_.waitReadable(0);
        if (!more || *more != WaitResult::Ready) {
            return {};
        }
    }
}

Result<void> NetworkLine::flush(FlushDirection direction) {
    if (const Result<void> usable = requireConnection(); !usable) {
        return usable;
    }
    const bool input = direction != FlushDirection::Output;
    const bool output = direction != FlushDirection::Input && !outputDrained_.load();
    if (input) {
        if (const Result<void> dropped = dropArrivedInput(); !dropped) {
            return dropped;
        }
    }
    if (protocol_ == NetworkProtocol::RawTcp || (!input && !output)) {
        return {};
    }
    const std::uint8_t buffers = input && output ? telnet::kPurgeBothBuffers
                                 : input         ? telnet::kPurgeReceiveBuffer
                                                 : telnet::kPurgeTransmitBuffer;
    std::vector<std::uint8_t> wire;
    {
        std::lock_guard guard(sessionLock_);
        session_.requestPurge(buffers, wire);
        purgeRequested_ = Clock::now();
    }
    return sendCommands(wire);
}

Result<void> NetworkLine::drain() {
    if (const Result<void> usable = requireConnection(); !usable) {
        return usable;
    }
    outputDrained_ = true;
    return {};
}

Result<WaitResult> NetworkLine::waitReadable(int timeoutMs) {
    if (peerClosed_.load()) {
        return WaitResult::HungUp;
    }
    const Result<WaitResult> waited = connection_.waitReadable(timeoutMs);
    return waited ? waited : Result<WaitResult>(failure(waited.error()));
}

Result<WaitResult> NetworkLine::waitWritable(int timeoutMs) {
    if (peerClosed_.load()) {
        return WaitResult::HungUp;
    }
    const Result<WaitResult> waited = connection_.waitWritable(timeoutMs);
    return waited ? waited : Result<WaitResult>(failure(waited.error()));
}

Result<std::size_t> NetworkLine::read(std::span<std::uint8_t> buffer) {
    if (const Result<void> usable = requireConnection(); !usable) {
        return usable.error();
    }
    const Result<TcpConnection::Received> received = connection_.receive(buffer);
    if (!received) {
        return failure(received.error());
    }
    if (received->peerClosed) {
        peerClosed_ = true;
        return failure(TcpConnection::closed(kClosedByServer));
    }
    if (protocol_ == NetworkProtocol::RawTcp) {
        return received->count;
    }
    std::size_t count = 0;
    bool answer = false;
    {
        std::lock_guard guard(sessionLock_);
        count = session_.receive(buffer.first(received->count), replies_);
        // A server that confirmed purges before and has not confirmed this
        // one in good time is not waited for any longer.
        if (session_.discarding() &&
            Clock::now() - purgeRequested_ > std::chrono::milliseconds(kPurgeConfirmationMs)) {
            session_.stopDiscarding();
        }
        answer = !replies_.empty();
    }
    if (answer) {
        if (const Result<void> sent = sendReplies(); !sent) {
            return sent.error();
        }
    }
    return count;
}

Result<void> NetworkLine::sendReplies() {
    std::lock_guard sending(sendLock_);
    {
        std::lock_guard guard(sessionLock_);
        sendBuffer_.swap(replies_);
        replies_.clear();
    }
    const Result<void> sent = connection_.sendAll(sendBuffer_, kSendTimeoutMs);
    sendBuffer_.clear();
    return sent ? sent : Result<void>(failure(sent.error()));
}

Result<std::size_t> NetworkLine::write(std::span<const std::uint8_t> bytes) {
    if (const Result<void> usable = requireConnection(); !usable) {
        return usable.error();
    }
    std::lock_guard sending(sendLock_);
    Result<void> sent;
    if (protocol_ == NetworkProtocol::RawTcp) {
        sent = connection_.sendAll(bytes, kSendTimeoutMs);
    } else {
        {
            std::lock_guard guard(sessionLock_);
            sendBuffer_.clear();
            session_.appendData(bytes, sendBuffer_);
        }
        sent = connection_.sendAll(sendBuffer_, kSendTimeoutMs);
        sendBuffer_.clear();
    }
    if (!sent) {
        return failure(sent.error());
    }
    if (!bytes.empty()) {
        outputDrained_ = false;
    }
    return bytes.size();
}

Result<LineErrorCounters> NetworkLine::errorCounters() {
    // The server's line errors do not travel; none are counted here.
    return TcpConnection::unsupported();
}

Result<SerialDriverInfo> NetworkLine::driverInfo() {
    return TcpConnection::unsupported();
}

Result<SerialDriverProperties> NetworkLine::driverProperties() {
    if (const Result<void> usable = requireConnection(); !usable) {
        return usable.error();
    }
    return SerialDriverProperties{};
}

Result<void> NetworkLine::requestLowLatency() {
    // Every segment leaves and is acknowledged at once already.
    return requireConnection();
}

}  // namespace platform
