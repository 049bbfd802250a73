#pragma once

// A network serial server of the tests' own on 127.0.0.1: it records every
// com-port command it gets, so that a test can see the line each path sets
// up (a pseudo-terminal behind ser2net cannot show baud rates or modem
// lines), and it serves the faults a real server may show.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/LoopbackSocket.h"

namespace nettest {

enum class ServerBehaviour {
    // Takes up the com-port option, confirms every command but SET-CONTROL
    // (as servers do on lines without modem signals) and echoes the data.
    ComPort,
    // The same, with NOP, GA, DM, refusals, requests for unknown options and
    // line and modem notifications (one with an escaped 255) around every echo.
    ComPortWithStrayCommands,
    // Accepts the connection and never says a word.
    NeverNegotiates,
    // Refuses the com-port option.
    RefusesComPort,
    // socket://: echoes the bytes as they came.
    RawEcho,
};

struct RecordedCommand {
    std::uint8_t command = 0;
    std::vector<std::uint8_t> value;
    bool operator==(const RecordedCommand&) const = default;
};

class ComPortTestServer {
  public:
    explicit ComPortTestServer(ServerBehaviour behaviour) : behaviour_(behaviour) {}
    ~ComPortTestServer();
    ComPortTestServer(const ComPortTestServer&) = delete;
    ComPortTestServer& operator=(const ComPortTestServer&) = delete;

    // Listens on 127.0.0.1 at a free port and serves one connection at a time.
    bool start();
    // Stops serving; the port then refuses connections.
    void stop();

    std::uint16_t port() const { return port_; }
    // rfc2217://127.0.0.1:PORT (or socket://...).
    std::string url(const std::string& scheme = "rfc2217") const;

    // Once this many data bytes have arrived on a connection, the server
    // closes it and stops listening: the server went away mid-operation.
    void closeAfterDataBytes(std::size_t count) { closeAfter_ = count; }

    std::vector<RecordedCommand> commands() const;
    // Waits until at least count commands are recorded.
    bool waitForCommands(std::size_t count, int timeoutMs) const;
    std::vector<std::uint8_t> data() const;
    int connections() const { return connections_.load(); }

  private:
    void serve();
    void serveConnection(platform::LoopbackConnection& connection);

    const ServerBehaviour behaviour_;
    platform::LoopbackListener listener_;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<std::size_t> closeAfter_{0};
    std::atomic<int> connections_{0};

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<RecordedCommand> commands_;
    std::vector<std::uint8_t> data_;
};

}  // namespace nettest
