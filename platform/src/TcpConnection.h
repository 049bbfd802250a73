#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/Result.h"
#include "platform/SerialPort.h"
#include "platform/SystemError.h"

namespace platform {

// One outgoing TCP connection, as the network line of a serial port needs
// it: non-blocking transfers, waits that another thread can end at once, and
// the options that make small request/answer exchanges fast. One thread may
// receive while another sends and a third cancels the waits; connecting and
// closing belong to the owner alone.
class TcpConnection {
  public:
    // What a receive took: the bytes, or that the server has closed its side
    // (once everything it sent before was taken).
    struct Received {
        std::size_t count = 0;
        bool peerClosed = false;
    };

    TcpConnection();
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Connects to host:port within timeoutMs. A numeric address is used as it
    // is; only another host is looked up by name.
    Result<void> connect(const std::string& host, std::uint16_t port, int timeoutMs);
    void close();
    bool isOpen() const;

    // Every small write leaves at once (no Nagle delay), and every segment
    // received is acknowledged at once where the system allows it: a server
    // that keeps Nagle's algorithm holds its next answer until the last one
    // is acknowledged. False when acknowledgements cannot be hurried here.
    bool tuneForSmallExchanges();

    // Takes what has arrived, at most buffer.size() bytes, without waiting
    // (a count of 0 when nothing is there).
    Result<Received> receive(std::span<std::uint8_t> buffer);
    // Sends every byte, waiting for room at most timeoutMs at a time.
    Result<void> sendAll(std::span<const std::uint8_t> bytes, int timeoutMs);
    // Bytes sent but not yet acknowledged by the server; 0 where unknown.
    std::size_t unacknowledgedBytes() const;

    // HungUp: the server has closed its side.
    Result<WaitResult> waitReadable(int timeoutMs);
    Result<WaitResult> waitWritable(int timeoutMs);
    // Ends every pending and later wait with Cancelled until the next connect.
    void cancelWaits();

    // What a failed connect or transfer means for the user, in a few words
    // ("connection refused", "connection reset").
    static std::string reasonOf(const SystemError& error);
    // The system's codes for what a network line reports of its own: a
    // request the line cannot carry (notSupportedByDevice() holds), a name
    // that is no port, a server that does not speak the protocol, a server
    // that closed the connection, a wait that ended without room.
    static SystemError unsupported();
    static SystemError badName(std::string text);
    static SystemError protocolError(std::string text);
    static SystemError closed(std::string text);
    static SystemError noRoom(WaitResult ended);

  private:
    struct Socket;
    std::unique_ptr<Socket> socket_;
};

}  // namespace platform
