#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/Result.h"
#include "platform/SerialPort.h"

namespace platform {

// One way a SerialPort reaches its line. Three backends implement it: a tty
// of a POSIX system and a COM port of Windows (DeviceLine, one per system)
// and a port of a network serial server (NetworkLine); the port hands every
// call to the one it opened. The calls mean what
// SerialPort's do; threads as there: one may read while another writes and
// a third cancels the waits; opening, closing and configuring belong to the
// owner alone.
class SerialLine {
  public:
    virtual ~SerialLine() = default;

    virtual Result<void> open(const std::string& deviceName) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual Result<void> configure(const LineSettings& settings) = 0;
    virtual Result<void> setBaudRate(std::uint32_t baudRate) = 0;
    virtual Result<void> restoreSavedSettings() = 0;
    virtual Result<void> setDriverQueues(std::uint32_t receiveBytes, std::uint32_t transmitBytes) = 0;
    virtual Result<LineControl> setModemLine(ModemLine line, bool raised) = 0;
    virtual Result<void> flush(FlushDirection direction) = 0;
    virtual Result<void> drain() = 0;

    virtual Result<WaitResult> waitReadable(int timeoutMs) = 0;
    virtual Result<WaitResult> waitWritable(int timeoutMs) = 0;
    virtual void cancelWaits() = 0;
    virtual Result<std::size_t> read(std::span<std::uint8_t> buffer) = 0;
    virtual Result<std::size_t> write(std::span<const std::uint8_t> bytes) = 0;

    virtual std::size_t inputQueued() const = 0;
    virtual std::size_t outputQueued() const = 0;
    virtual Result<LineErrorCounters> errorCounters() = 0;
    virtual Result<SerialDriverInfo> driverInfo() = 0;
    virtual Result<SerialDriverProperties> driverProperties() = 0;
    virtual Result<void> requestLowLatency() = 0;
};

// The failure of a call on a port that is not open (src/<system>).
SystemError notOpenError();
// Why writeAll stopped when a wait for room ended without it (src/<system>).
SystemError noRoomError(WaitResult ended);

}  // namespace platform
