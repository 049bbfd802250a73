#pragma once

#include <string>
#include <vector>

#include "cli/FleetDisplay.h"
#include "cli/FleetReport.h"

namespace platform {
class InterruptGuard;
}

namespace cli {

// What a command on several consoles starts: this program once per port.
struct FleetLaunch {
    std::string program;                 // this program's file
    std::vector<std::string> arguments;  // for every console, besides its own port
    std::vector<std::string> ports;
    // Per port, the folder for its communication log (TRX_LOG_DIR of its
    // program); empty when no log is written.
    std::vector<std::string> logFolders;
};

// Runs update or getver on several consoles at once. The interface library
// serves one line per process, so every console gets a program of its own:
// flashkit-cli on that one port, which reports its progress as records on
// standard error (shown live by the display), prints its result as JSON and
// takes the end of its standard input as a Cancel. A stop request to this
// program (Ctrl+C, SIGTERM, a hang-up) ends every console's input, so each
// one cancels as a single one would and leaves the console's boot mode.
class FleetCommand {
  public:
    FleetCommand(FleetLaunch launch, FleetDisplay& display);

    // Every console in port order, once all have ended.
    std::vector<FleetConsole> run(const platform::InterruptGuard& interrupt);
    // Whether a stop request cancelled the consoles.
    bool cancelled() const { return cancelled_; }

    // The arguments of one console's program.
    static std::vector<std::string> consoleArguments(const std::vector<std::string>& arguments,
                                                     const std::string& port);
    // The communication log a console's program left in its folder: COMMU.LOG,
    // or else the newest time-stamped one; empty when there is none.
    static std::string logIn(const std::string& folder);

  private:
    FleetLaunch launch_;
    FleetDisplay& display_;
    bool cancelled_ = false;
};

}  // namespace cli
