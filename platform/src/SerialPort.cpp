#include "platform/SerialPort.h"

namespace platform {

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

}  // namespace platform
