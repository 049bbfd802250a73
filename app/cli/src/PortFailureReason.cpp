#include "cli/PortFailureReason.h"

#include "platform/NetworkPortName.h"
#include "platform/PlainText.h"
#include "platform/PortProbe.h"
#include "platform/SerialPort.h"

namespace cli {

std::string PortFailureReason::find(const data::CommSettings& comm, const std::string& baudRateText) {
    const std::string port = platform::shortenedForMessage(comm.deviceName);
    platform::SerialPort probe;
    if (const platform::Result<void> opened = probe.open(comm.deviceName); !opened) {
        // The error of a network port names the port already.
        return platform::isNetworkPortName(comm.deviceName)
                   ? opened.error().text()
                   : port + ": " + platform::portOpenFailureReason(opened.error());
    }
    // A value that is not a plain positive number was read as something else
    // ("abc" as 0, 4294967296 as 0 after wrapping): say what was written.
    const bool plainNumber = comm.baudRate > 0 && baudRateText == std::to_string(comm.baudRate);
    if (!baudRateText.empty() && !plainNumber) {
        return "HOST/BAUDRATE=" + platform::shortenedForMessage(baudRateText) +
               " is not a baud rate (read as " + std::to_string(comm.baudRate) + ")";
    }
    platform::LineSettings line;
    line.baudRate = static_cast<std::uint32_t>(comm.baudRate);
    if (comm.baudRate <= 0 || !probe.configure(line)) {
        return port + ": does not take the baud rate " + std::to_string(comm.baudRate);
    }
    return {};
}

}  // namespace cli
