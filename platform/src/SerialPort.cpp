#include "platform/SerialPort.h"

namespace platform {

bool SerialPort::writeAll(std::span<const std::uint8_t> bytes, int timeoutMs) {
    while (!bytes.empty()) {
        const std::ptrdiff_t written = write(bytes);
        if (written < 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        if (bytes.empty()) {
            break;
        }
        const WaitResult room = waitWritable(timeoutMs);
        if (room == WaitResult::TimedOut) {
            recordTimeOut();
        }
        if (room != WaitResult::Ready) {
            return false;
        }
    }
    return true;
}

}  // namespace platform
