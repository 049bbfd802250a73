#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/SerialPort.h"

namespace trx {

class CommLog;

// The serial port of the interface with the set-up, error-state and close
// steps of the library. The port lock serialises open, close and modem-line
// changes; the transmit and receive threads use the port without it.
class PortControl {
  public:
    // Error flags as the log reports them, one bit per kind of line error.
    static constexpr std::uint32_t kReceiveQueueOverflow = 0x0001;
    static constexpr std::uint32_t kOverrun = 0x0002;
    static constexpr std::uint32_t kParity = 0x0004;
    static constexpr std::uint32_t kFraming = 0x0008;
    static constexpr std::uint32_t kBreak = 0x0010;

    // The frame format of the console line: 8 data bits, no parity, 2 stop bits.
    static constexpr int kDataBits = 8;
    // Receive and transmit queue sizes asked of the driver.
    static constexpr std::uint32_t kDriverQueueBytes = 40960;
    // The byte that ends every frame; the driver flags its arrival.
    static constexpr std::uint8_t kFrameEndMarker = 0xD1;

    explicit PortControl(CommLog& log) : log_(log) {}

    // Opens the named device and sets the line up; false (port closed) on failure.
    bool open(const std::string& deviceName, std::uint32_t baudRate);
    // Gives the port back as it was found and closes it.
    void close();
    bool isOpen() const { return port_.isOpen(); }

    // Reads and clears the driver's error state; purges an overrun receive
    // queue. False when the driver did not answer.
    bool clearErrorState();
    // Modem-control codes 3..6 (raise/lower RTS, raise/lower DTR); nonzero on success.
    std::int32_t setSignal(std::int32_t code);

    platform::SerialPort& port() { return port_; }
    std::mutex& lock() { return lock_; }

  private:
    void logDriverProperties();
    // A port on a raw TCP server (socket://) takes no line settings: the log
    // says which line the interface needs.
    void noteLineThatCannotBeSet(const std::string& deviceName, std::uint32_t baudRate);

    CommLog& log_;
    std::mutex lock_;
    platform::SerialPort port_;
    std::mutex errorStateLock_;
    platform::LineErrorCounters lastCounters_;
};

}  // namespace trx
