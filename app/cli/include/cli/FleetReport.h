#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/ServiceReport.h"

namespace cli {

// One console of a command that ran on several at once: what its program
// (flashkit-cli on that one port) left behind.
struct FleetConsole {
    std::string port;
    int exitCode = -1;  // of its program; -1 when it did not start
    double seconds = 0;
    // The program's own JSON object (what it prints for one port with
    // --json); null when it printed none.
    nlohmann::ordered_json single;
    std::vector<std::string> messages;  // its message lines, as it printed them
    std::string logPath;                // its communication log; empty without one
};

// The end of a command on several consoles: per console the tables one port
// would print, one summary table, the result and, when a console failed,
// the command line that retries the failed ones. Text for a person, or one
// JSON object. Pure functions, checked without consoles.
class FleetReport {
  public:
    // "Ok", "Cancelled" or "Failed".
    static std::string consoleResult(const FleetConsole& console);
    // "Ok" when every console is, "Cancelled" after a stop request, else "Failed".
    static std::string overallResult(const std::vector<FleetConsole>& consoles, bool cancelled);
    // The ports of the consoles that are not Ok, in their order.
    static std::vector<std::string> failedPorts(const std::vector<FleetConsole>& consoles);

    // {"operation":..,"result":..,"consoles":[{"port","exitCode","seconds",
    // <every key of the console's own object>}],"retry":<line>|null}
    static nlohmann::ordered_json json(const std::string& operation,
                                       const std::vector<FleetConsole>& consoles, bool cancelled,
                                       const std::optional<std::string>& retry);
    static nlohmann::ordered_json consoleJson(const std::string& operation, const FleetConsole& console);

    // Each console's own tables under a heading with its port.
    static void printConsoleTables(std::ostream& out, const std::string& operation,
                                   const std::vector<FleetConsole>& consoles);
    // One table, a console per group of lines: update: port, units planned,
    // written and verified, each unit's versions before and after, result,
    // time (and log); getver: port, units read, each unit's version, result,
    // time (and log).
    static void printSummary(std::ostream& out, const std::string& operation,
                             const std::vector<FleetConsole>& consoles);

    // The sections of one service report of all consoles: each with the
    // context and its own port, and its update as its program printed it.
    static std::vector<ServiceReport::ConsoleSection> serviceSections(
        const ServiceContext& context, const std::vector<FleetConsole>& consoles);

    // The last message line a console's program printed, without the
    // program's name: why a console that printed no result failed.
    static std::string lastMessage(const FleetConsole& console);
};

}  // namespace cli
