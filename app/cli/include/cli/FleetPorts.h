#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cli {

// The ports of a command that works on several consoles at once: from the
// --port options and a ports file, checked before any console is touched.
class FleetPorts {
  public:
    // A port's device identity (platform::deviceIdentity in the program).
    using Identity = std::function<std::string(const std::string& port)>;

    // The ports of a ports file's text: one a line, blanks around a name
    // dropped, "#" starts a comment that runs to the line's end, lines left
    // empty are skipped; CR LF line ends are taken like LF.
    static std::vector<std::string> parse(std::string_view text);

    // The first two positions that name one device (the same name twice, or
    // a /dev/serial/by-id link and its tty); nothing when every port differs.
    static std::optional<std::pair<std::size_t, std::size_t>> firstDuplicate(
        const std::vector<std::string>& ports, const Identity& identity);

    // The folder, beside the program, that receives one console's
    // communication log: "COMMU-ttyUSB0" for /dev/ttyUSB0, "COMMU-COM5",
    // "COMMU-serial_by-id_usb-FTDI_..." (only letters, digits, ".", "_", "-").
    static std::string logFolderName(const std::string& port);

    // The command line (after the program's name) without its ports
    // (--port, --ports-file) and its report (--report): what every console's
    // program is given besides its own port.
    static std::vector<std::string> withoutPortsAndReport(const std::vector<std::string>& arguments);

    // The command line that runs the same command again on these ports only:
    // every other option as it was, the ports where the first port option
    // stood, and with a report the new report file in place of the old one.
    static std::vector<std::string> retryArguments(const std::vector<std::string>& arguments,
                                                   const std::vector<std::string>& ports,
                                                   const std::optional<std::string>& reportFile);

    // A report file for the retry, beside the first one: "visit.txt" gives
    // "visit-retry.txt", or "visit-retry2.txt" and so on when that exists.
    static std::string retryReportFile(const std::string& reportFile,
                                       const std::function<bool(const std::string&)>& exists);
};

}  // namespace cli
