#pragma once

#include <memory>
#include <string>

#include "SerialLine.h"

namespace platform {

// A serial device of this system as a serial line; src/<system>/DeviceLine.cpp
// implements it: on POSIX a tty (termios for the line settings, exclusive
// mode and an advisory lock to keep other programs off, poll with an eventfd
// for waits another thread can end), on Windows a COM port (the comm API,
// overlapped reads and writes, an event that ends the waits).
class DeviceLine final : public SerialLine {
  public:
    DeviceLine();
    ~DeviceLine() override;
    DeviceLine(const DeviceLine&) = delete;
    DeviceLine& operator=(const DeviceLine&) = delete;

    Result<void> open(const std::string& deviceName) override;
    void close() override;
    bool isOpen() const override;

    Result<void> configure(const LineSettings& settings) override;
    Result<void> setBaudRate(std::uint32_t baudRate) override;
    Result<void> restoreSavedSettings() override;
    Result<void> setDriverQueues(std::uint32_t receiveBytes, std::uint32_t transmitBytes) override;
    Result<LineControl> setModemLine(ModemLine line, bool raised) override;
    Result<void> flush(FlushDirection direction) override;
    Result<void> drain() override;

    Result<WaitResult> waitReadable(int timeoutMs) override;
    Result<WaitResult> waitWritable(int timeoutMs) override;
    void cancelWaits() override;
    Result<std::size_t> read(std::span<std::uint8_t> buffer) override;
    Result<std::size_t> write(std::span<const std::uint8_t> bytes) override;

    std::size_t inputQueued() const override;
    std::size_t outputQueued() const override;
    Result<LineErrorCounters> errorCounters() override;
    Result<SerialDriverInfo> driverInfo() override;
    Result<SerialDriverProperties> driverProperties() override;
    Result<void> requestLowLatency() override;

  private:
    // The open device and everything the system keeps for it.
    struct Device;
    std::unique_ptr<Device> device_;
};

}  // namespace platform
