#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

// The two ends of TCP that the tests of network serial ports need: a
// listening socket on 127.0.0.1 and the connections it accepts. Only the
// loopback address is ever used, and nothing is looked up by name.

// One accepted connection; closed when the object goes.
class LoopbackConnection {
  public:
    LoopbackConnection() = default;
    explicit LoopbackConnection(int fd) : fd_(fd) {}
    ~LoopbackConnection();
    LoopbackConnection(LoopbackConnection&& other) noexcept;
    LoopbackConnection& operator=(LoopbackConnection&& other) noexcept;
    LoopbackConnection(const LoopbackConnection&) = delete;
    LoopbackConnection& operator=(const LoopbackConnection&) = delete;

    bool valid() const { return fd_ >= 0; }
    // Bytes received within timeoutMs: more than 0, 0 when none came, -1
    // when the other side closed or the connection failed.
    std::ptrdiff_t receive(std::span<std::uint8_t> buffer, int timeoutMs);
    bool sendAll(std::span<const std::uint8_t> bytes);
    // Closes at once; with reset the other side sees a reset rather than an
    // orderly end.
    void close(bool reset = false);

  private:
    int fd_ = -1;
};

// A listening socket on 127.0.0.1 at a port the system chose.
class LoopbackListener {
  public:
    LoopbackListener() = default;
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool listen();
    std::uint16_t port() const { return port_; }
    // The next connection within timeoutMs, or an invalid one.
    LoopbackConnection accept(int timeoutMs);
    // Stops listening: later connections to the port are refused.
    void close();

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 that nobody listens on at the moment (connections to
// it are refused): the system hands it out and it is given back at once.
std::uint16_t unusedLoopbackPort();

}  // namespace platform
