#include "platform/SerialPort.h"

#include <utility>

#include "DeviceLine.h"
#include "NetworkLine.h"
#include "SerialLine.h"
#include "platform/NetworkPortName.h"

namespace platform {

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() {
    close();
}

SerialPort::SerialPort(SerialPort&& other) noexcept
    : line_(std::move(other.line_)), deviceName_(std::move(other.deviceName_)) {}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
    if (this != &other) {
        close();
        line_ = std::move(other.line_);
        deviceName_ = std::move(other.deviceName_);
    }
    return *this;
}

Result<void> SerialPort::open(const std::string& deviceName) {
    close();
    std::unique_ptr<SerialLine> line = isNetworkPortName(deviceName)
                                           ? std::unique_ptr<SerialLine>(std::make_unique<NetworkLine>())
                                           : std::unique_ptr<SerialLine>(std::make_unique<DeviceLine>());
    if (const Result<void> opened = line->open(deviceName); !opened) {
        return opened.error();
    }
    line_ = std::move(line);
    deviceName_ = deviceName;
    return {};
}

void SerialPort::close() {
    if (line_) {
        line_->close();
        line_.reset();
    }
}

bool SerialPort::isOpen() const {
    return line_ && line_->isOpen();
}

const std::string& SerialPort::deviceName() const {
    return deviceName_;
}

Result<void> SerialPort::configure(const LineSettings& settings) {
    return line_ ? line_->configure(settings) : notOpenError();
}

Result<void> SerialPort::setBaudRate(std::uint32_t baudRate) {
    return line_ ? line_->setBaudRate(baudRate) : notOpenError();
}

Result<void> SerialPort::restoreSavedSettings() {
    return line_ ? line_->restoreSavedSettings() : notOpenError();
}

Result<void> SerialPort::setDriverQueues(std::uint32_t receiveBytes, std::uint32_t transmitBytes) {
    return line_ ? line_->setDriverQueues(receiveBytes, transmitBytes) : notOpenError();
}

Result<LineControl> SerialPort::setModemLine(ModemLine line, bool raised) {
    return line_ ? line_->setModemLine(line, raised) : notOpenError();
}

Result<void> SerialPort::flush(FlushDirection direction) {
    return line_ ? line_->flush(direction) : notOpenError();
}

Result<void> SerialPort::drain() {
    return line_ ? line_->drain() : notOpenError();
}

Result<WaitResult> SerialPort::waitReadable(int timeoutMs) {
    return line_ ? line_->waitReadable(timeoutMs) : notOpenError();
}

Result<WaitResult> SerialPort::waitWritable(int timeoutMs) {
    return line_ ? line_->waitWritable(timeoutMs) : notOpenError();
}

void SerialPort::cancelWaits() {
    if (line_) {
        line_->cancelWaits();
    }
}

Result<std::size_t> SerialPort::read(std::span<std::uint8_t> buffer) {
    return line_ ? line_->read(buffer) : notOpenError();
}

Result<std::size_t> SerialPort::write(std::span<const std::uint8_t> bytes) {
    return line_ ? line_->write(bytes) : notOpenError();
}

Result<void> SerialPort::writeAll(std::span<const std::uint8_t> bytes, int timeoutMs) {
    while (!bytes.empty()) {
        const Result<std::size_t> written = write(bytes);
        if (!written) {
            return written.error();
        }
        bytes = bytes.subspan(*written);
        if (bytes.empty()) {
            break;
        }
        const Result<WaitResult> room = waitWritable(timeoutMs);
        if (!room) {
            return room.error();
        }
        if (*room != WaitResult::Ready) {
            return noRoomError(*room);
        }
    }
    return {};
}

std::size_t SerialPort::inputQueued() const {
    return line_ ? line_->inputQueued() : 0;
}

std::size_t SerialPort::outputQueued() const {
    return line_ ? line_->outputQueued() : 0;
}

Result<LineErrorCounters> SerialPort::errorCounters() {
    return line_ ? line_->errorCounters() : notOpenError();
}

Result<SerialDriverInfo> SerialPort::driverInfo() {
    return line_ ? line_->driverInfo() : notOpenError();
}

Result<SerialDriverProperties> SerialPort::driverProperties() {
    return line_ ? line_->driverProperties() : notOpenError();
}

Result<void> SerialPort::requestLowLatency() {
    return line_ ? line_->requestLowLatency() : notOpenError();
}

}  // namespace platform
