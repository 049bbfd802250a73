#include "engine/DirectPort.h"

#include <chrono>

#include "platform/NetworkPortName.h"

namespace engine {

bool DirectPort::open(const std::string& deviceName) {
    close();
    if (platform::isNetworkPortName(deviceName) && port_.isOpen() && port_.deviceName() == deviceName) {
        // The connection kept for this operation: the open is a line reset.
        if (setUpLine()) {
            lineOpen_ = true;
            return true;
        }
        // The connection was lost: one new one.
        port_.close();
    }
    if (!port_.open(deviceName)) {
        return false;
    }
    if (!port_.setDriverQueues(kDriverQueueBytes, kDriverQueueBytes) || !setUpLine()) {
        port_.close();
        return false;
    }
    lineOpen_ = true;
    return true;
}

bool DirectPort::setUpLine() {
    platform::LineSettings settings;
    settings.baudRate = kBaudRate;
    settings.dataBits = 8;
    settings.parity = platform::Parity::None;
    settings.stopBits = platform::StopBits::One;
    if (!port_.configure(settings)) {
        return false;
    }
    // Only stale input is thrown away. The previous close let the output
    // drain, and on a pseudo-terminal discarding output also discards what
    // the far end has not read yet, i.e. the frame written just before.
    if (!port_.flush(platform::FlushDirection::Input)) {
        return false;
    }
    // Lines a pseudo-terminal does not have are no fault of the port.
    port_.setModemLine(platform::ModemLine::Dtr, true);
    port_.setModemLine(platform::ModemLine::Rts, true);
    return true;
}

void DirectPort::close() {
    if (!lineOpen_) {
        return;
    }
    lineOpen_ = false;
    port_.setModemLine(platform::ModemLine::Dtr, false);
    // Discarding output here would drop the frame just written: let it leave
    // first, then throw away only what was received and not read.
    port_.drain();
    port_.flush(platform::FlushDirection::Input);
    if (!platform::isNetworkPortName(port_.deviceName())) {
        port_.close();
    }
}

void DirectPort::endConnection() {
    close();
    port_.close();
}

bool DirectPort::readByte(std::uint8_t& byte) {
    if (!lineOpen_) {
        return false;
    }
    return port_.read(std::span<std::uint8_t>(&byte, 1)) == 1u;
}

bool DirectPort::readByte(std::uint8_t& byte, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (lineOpen_) {
        if (readByte(byte)) {
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        // A line that hung up, failed or was closed has nothing more to give.
        const platform::Result<platform::WaitResult> waited = port_.waitReadable(static_cast<int>(left));
        if (!waited || *waited == platform::WaitResult::HungUp ||
            *waited == platform::WaitResult::Cancelled) {
            break;
        }
    }
    byte = 0;
    return false;
}

bool DirectPort::write(std::span<const std::uint8_t> bytes) {
    if (!lineOpen_) {
        return false;
    }
    if (!port_.drain() || !port_.writeAll(bytes, kWriteTimeoutMs)) {
        return false;
    }
    bytesWritten_ += bytes.size();
    return true;
}

}  // namespace engine
