#include "ComPortTestServer.h"

#include <array>
#include <chrono>

#include "platform/telnet/TelnetCodes.h"
#include "platform/telnet/TelnetParser.h"
#include "platform/telnet/TelnetWriter.h"

namespace nettest {
namespace {

using namespace platform::telnet;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPollMs = 20;

// Everything a server may throw in between that a client must pass over.
Bytes strayCommands() {
    Bytes stray = {kIac, kNoOperation, kIac, kGoAhead, kIac,  kDataMark, kIac, kDo,   24,
                   kIac, kWill,        31,   kIac,     kWont, 1,         kIac, kDont, 1};
    appendComPortCommand(static_cast<ComPortCommand>(106), Bytes{0x60}, stray);
    appendComPortCommand(static_cast<ComPortCommand>(107), Bytes{0xFF}, stray);
    appendSubnegotiation(24, Bytes{0xFF, 1, 2}, stray);
    return stray;
}

// Hears the client's commands: records the com-port ones and confirms them.
struct ClientCommands : TelnetEvents {
    std::vector<RecordedCommand> heard;
    Bytes replies;

    void onNegotiation(std::uint8_t, std::uint8_t) override {}
    void onSubnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload, bool cut) override {
        if (option != kOptionComPort || payload.empty() || cut) {
            return;
        }
        RecordedCommand command{payload[0], Bytes(payload.begin() + 1, payload.end())};
        if (command.command != static_cast<std::uint8_t>(ComPortCommand::SetControl)) {
            appendComPortCommand(static_cast<ComPortCommand>(command.command + kServerReplyOffset),
                                 command.value, replies);
        }
        heard.push_back(std::move(command));
    }
};

}  // namespace

ComPortTestServer::~ComPortTestServer() {
    stop();
}

bool ComPortTestServer::start() {
    if (!listener_.listen()) {
        return false;
    }
    port_ = listener_.port();
    thread_ = std::thread([this] { serve(); });
    return true;
}

void ComPortTestServer::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    listener_.close();
}

std::string ComPortTestServer::url(const std::string& scheme) const {
    return scheme + "://127.0.0.1:" + std::to_string(port_);
}

std::vector<RecordedCommand> ComPortTestServer::commands() const {
    std::lock_guard guard(lock_);
    return commands_;
}

bool ComPortTestServer::waitForCommands(std::size_t count, int timeoutMs) const {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [&] { return commands_.size() >= count; });
}

std::vector<std::uint8_t> ComPortTestServer::data() const {
    std::lock_guard guard(lock_);
    return data_;
}

void ComPortTestServer::serve() {
    while (!stopping_.load()) {
        platform::LoopbackConnection connection = listener_.accept(kPollMs);
        if (!connection.valid()) {
            continue;
        }
        ++connections_;
        serveConnection(connection);
    }
}

void ComPortTestServer::serveConnection(platform::LoopbackConnection& connection) {
    const bool telnet = behaviour_ != ServerBehaviour::RawEcho;
    if (behaviour_ == ServerBehaviour::ComPort || behaviour_ == ServerBehaviour::ComPortWithStrayCommands) {
        const Bytes opening = {kIac, kWill, kOptionSuppressGoAhead, kIac, kDo,   kOptionSuppressGoAhead,
                               kIac, kDo,   kOptionBinary,          kIac, kWill, kOptionBinary,
                               kIac, kDo,   kOptionComPort};
        connection.sendAll(opening);
    } else if (behaviour_ == ServerBehaviour::RefusesComPort) {
        connection.sendAll(Bytes{kIac, kDont, kOptionComPort, kIac, kWill, kOptionBinary});
    }
    TelnetParser parser;
    parser.setNulAfterCarriageReturnDropped(false);
    std::array<std::uint8_t, 4096> buffer{};
    std::size_t dataOnConnection = 0;
    while (!stopping_.load()) {
        const std::ptrdiff_t received = connection.receive(buffer, kPollMs);
        if (received < 0) {
            return;
        }
        if (received == 0) {
            continue;
        }
        std::span<std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(received));
        ClientCommands heard;
        const std::size_t kept = telnet ? parser.decode(bytes, heard) : bytes.size();
        const std::span<const std::uint8_t> data = bytes.first(kept);
        {
            std::lock_guard guard(lock_);
            commands_.insert(commands_.end(), heard.heard.begin(), heard.heard.end());
            data_.insert(data_.end(), data.begin(), data.end());
        }
        changed_.notify_all();
        dataOnConnection += kept;
        if (closeAfter_.load() != 0 && dataOnConnection >= closeAfter_.load()) {
            // The server goes away: this connection ends and nobody listens any more.
            listener_.close();
            stopping_ = true;
            return;
        }
        if (behaviour_ == ServerBehaviour::NeverNegotiates || behaviour_ == ServerBehaviour::RefusesComPort) {
            continue;
        }
        Bytes answer = heard.replies;
        if (behaviour_ == ServerBehaviour::ComPortWithStrayCommands) {
            const Bytes stray = strayCommands();
            answer.insert(answer.end(), stray.begin(), stray.end());
        }
        if (telnet) {
            appendData(data, true, answer);
        } else {
            answer.insert(answer.end(), data.begin(), data.end());
        }
        if (behaviour_ == ServerBehaviour::ComPortWithStrayCommands) {
            const Bytes stray = strayCommands();
            answer.insert(answer.end(), stray.begin(), stray.end());
        }
        if (!answer.empty() && !connection.sendAll(answer)) {
            return;
        }
    }
}

}  // namespace nettest
