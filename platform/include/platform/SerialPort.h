#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/Result.h"
#include "platform/SystemError.h"

namespace platform {

class SerialLine;

enum class Parity { None, Odd, Even };
enum class StopBits { One, Two };
enum class FlushDirection { Input, Output, Both };
enum class ModemLine { Dtr, Rts };

// What a modem-line change did: pseudo-terminals and some adapters have no
// modem lines, which is not a fault of the port.
enum class LineControl { Done, Unsupported };

// How a wait for the port ended, when it did not fail. HungUp: the other side
// went away (a pseudo-terminal's far end closed). Cancelled: another thread
// called cancelWaits().
enum class WaitResult { Ready, TimedOut, HungUp, Cancelled };

struct LineSettings {
    std::uint32_t baudRate = 38400;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    // Drivers that know these (Windows) stop transfers at a line error until
    // the error state is read, and flag the arrival of this byte. Elsewhere
    // they are not used.
    bool abortOnError = false;
    std::uint8_t eventCharacter = 0;
};

// Line error counts kept by the driver since the port was opened.
struct LineErrorCounters {
    std::uint32_t overrun = 0;
    std::uint32_t frame = 0;
    std::uint32_t parity = 0;
    std::uint32_t breaks = 0;
    std::uint32_t bufferOverrun = 0;

    bool operator==(const LineErrorCounters&) const = default;
};

// What the driver can tell about the device.
struct SerialDriverInfo {
    bool isRs232 = false;  // a real UART (not a pseudo-terminal)
    std::uint32_t baudBase = 0;
    std::uint32_t transmitFifo = 0;
};

// The driver's communication properties as a Windows serial driver reports
// them; where the system tells less (POSIX ttys, pseudo-terminals) the fields
// it cannot fill are 0.
struct SerialDriverProperties {
    std::uint32_t packetLength = 0;
    std::uint32_t packetVersion = 0;
    std::uint32_t serviceMask = 0;
    std::uint32_t reserved1 = 0;
    std::uint32_t maxTransmitQueue = 0;
    std::uint32_t maxReceiveQueue = 0;
    std::uint32_t maxBaud = 0;
    std::uint32_t providerSubType = 0;
    std::uint32_t providerCapabilities = 0;
    std::uint32_t settableParameters = 0;
    std::uint32_t settableBaud = 0;
    std::uint32_t settableData = 0;
    std::uint32_t settableStopParity = 0;
    std::uint32_t currentTransmitQueue = 0;
    std::uint32_t currentReceiveQueue = 0;
    std::uint32_t providerSpecific1 = 0;
    std::uint32_t providerSpecific2 = 0;
    // First character of the provider-specific data (UTF-16), 0 when none.
    std::uint16_t providerCharacter = 0;
};

// One serial line, opened for this process alone: a device of the system
// (/dev/ttyUSB0, COM3) or a port of a network serial server
// (rfc2217://HOST:PORT with its line settings, modem lines and purges;
// socket://HOST:PORT with the bytes only). A device's own line settings (and
// on Windows its time-outs) are saved at open and given back at close. Every
// call that can fail returns a Result with the system's reason; the errors of
// a network port name it ("rfc2217://10.0.0.5:2217: connection refused").
// One thread may read while another writes and a third cancels the waits;
// opening, closing and configuring belong to the owner alone.
class SerialPort {
  public:
    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
    SerialPort(SerialPort&& other) noexcept;
    SerialPort& operator=(SerialPort&& other) noexcept;

    // Opens an existing device for reading and writing. A device that another
    // process holds (exclusive mode or lock) fails like a missing one.
    Result<void> open(const std::string& deviceName);
    // Restores the line settings found at open and closes; harmless when closed.
    void close();
    bool isOpen() const;
    const std::string& deviceName() const;

    // Raw binary line: no echo, no line editing, no translation of any byte,
    // no software or hardware flow control; receiver on, modem status ignored.
    Result<void> configure(const LineSettings& settings);
    Result<void> setBaudRate(std::uint32_t baudRate);
    // Puts back the line settings the device had when it was opened.
    Result<void> restoreSavedSettings();
    // Sizes of the driver's receive and transmit queues where the driver
    // lets them be chosen (Windows); nothing to do elsewhere.
    Result<void> setDriverQueues(std::uint32_t receiveBytes, std::uint32_t transmitBytes);

    Result<LineControl> setModemLine(ModemLine line, bool raised);
    // Discards what waits in the driver's queues. Output that a completed
    // drain() has already sent is not touched: on a real line nothing is left
    // then, but a pseudo-terminal may still be handing those bytes over to its
    // other side, and an output flush would drop them there.
    Result<void> flush(FlushDirection direction);
    // Blocks until everything written has left the device.
    Result<void> drain();

    Result<WaitResult> waitReadable(int timeoutMs);
    Result<WaitResult> waitWritable(int timeoutMs);
    // Ends every wait now pending on another thread at once, and every later
    // one, with WaitResult::Cancelled until the port is opened again. Safe to
    // call from any thread while the port is open.
    void cancelWaits();
    // Bytes read or written, 0 when nothing could move. A read never waits;
    // a write hands the bytes to the driver.
    Result<std::size_t> read(std::span<std::uint8_t> buffer);
    Result<std::size_t> write(std::span<const std::uint8_t> bytes);
    // Writes everything, waiting for room at most timeoutMs at a time. A wait
    // that ends without room fails: timed out, hung up or cancelled.
    Result<void> writeAll(std::span<const std::uint8_t> bytes, int timeoutMs);

    // Bytes waiting in the driver's receive and transmit queues.
    std::size_t inputQueued() const;
    std::size_t outputQueued() const;

    // Fails where the driver keeps no counters (pseudo-terminals).
    Result<LineErrorCounters> errorCounters();
    Result<SerialDriverInfo> driverInfo();
    // Fails when the driver does not answer (Windows); elsewhere what is known.
    Result<SerialDriverProperties> driverProperties();
    // Asks the driver to hand received bytes over at once (USB adapters
    // otherwise hold them for their latency timer). Fails where not allowed.
    Result<void> requestLowLatency();

  private:
    // The backend of the open port: a device of this system, or a port of a
    // network serial server (rfc2217://HOST:PORT, socket://HOST:PORT).
    std::unique_ptr<SerialLine> line_;
    std::string deviceName_;
};

}  // namespace platform
