#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "platform/SerialPort.h"

namespace engine {

namespace boot {

// Where the answers of a boot loader come from: one byte at a time, each
// awaited at most timeoutMs. DirectPort is the real one; the fuzzer and the
// tests feed bytes from memory.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Stores 0 and returns false when no byte came in time.
    virtual bool readByte(std::uint8_t& byte, int timeoutMs) = 0;
};

}  // namespace boot

// The serial line to a unit's boot loader: 38400 baud 8N1, raw, no flow
// control, DTR and RTS on while open. The engine opens and closes it around
// every frame exchange. The device is taken for this process alone, so a
// port held by another program fails to open like a missing one.
//
// A port on a network serial server keeps one connection from its first
// open until endConnection() (the end of the operation): its open and close
// reset the line instead (settings, DTR and RTS, the server's received bytes
// purged). A connection per frame would make the server close the device
// between frames and drop what it had not sent yet. A connection that was
// lost is made again at the next open.
class DirectPort : public boot::ByteSource {
  public:
    static constexpr std::uint32_t kBaudRate = 38400;
    static constexpr int kWriteTimeoutMs = 5000;
    // Driver queue sizes asked for where the driver lets them be chosen.
    static constexpr std::uint32_t kDriverQueueBytes = 1024;

    DirectPort() = default;
    ~DirectPort() override { endConnection(); }
    DirectPort(const DirectPort&) = delete;
    DirectPort& operator=(const DirectPort&) = delete;

    bool open(const std::string& deviceName);
    // Waits until what was written has left, drops unread input, lowers DTR
    // and closes. Closing a closed port succeeds.
    void close();
    bool isOpen() const { return lineOpen_; }
    // Closes, and ends a network connection kept for the operation.
    void endConnection();

    // One byte if one is there already.
    bool readByte(std::uint8_t& byte);
    // Waits at most timeoutMs for one byte; stores 0 and returns false on time-out.
    bool readByte(std::uint8_t& byte, int timeoutMs) override;
    // Waits until earlier output has left, then writes all bytes.
    bool write(std::span<const std::uint8_t> bytes);

    // Bytes written to the line since the engine was built.
    std::uint64_t bytesWritten() const { return bytesWritten_.load(); }

  private:
    // The line as every open leaves it: settings, stale input dropped, DTR and RTS on.
    bool setUpLine();

    platform::SerialPort port_;
    // Open for a frame exchange (a kept network connection stays connected between them).
    bool lineOpen_ = false;
    std::atomic<std::uint64_t> bytesWritten_{0};
};

}  // namespace engine
