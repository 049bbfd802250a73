// qx7a-sim: a simulated QX7A console at the far end of a pseudo-terminal.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>

#include "platform/InterruptGuard.h"
#include "sim/ConsoleDescription.h"
#include "sim/SimConsole.h"
#include "sim/SimServer.h"

namespace {

// "UNIT:SWITCH" or "UNIT/CPU:SWITCH".
bool applyCommandLineFault(sim::ConsoleDescription& console, const std::string& text, std::string& error) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0) {
        error = "--fault wants UNIT:SWITCH or UNIT/CPU:SWITCH, not \"" + text + "\"";
        return false;
    }
    const std::string who = text.substr(0, colon);
    const auto slash = who.find('/');
    const std::string unitName = who.substr(0, slash);
    sim::SimUnit* unit = console.findUnit(unitName);
    if (unit == nullptr) {
        error = "--fault names the unknown unit \"" + unitName + "\"";
        return false;
    }
    sim::FaultSwitches* faults = &unit->faults;
    if (slash != std::string::npos) {
        const std::string cpuName = who.substr(slash + 1);
        faults = nullptr;
        for (sim::SimCpu& cpu : unit->cpus) {
            if (cpu.name == cpuName) {
                faults = &cpu.faults;
            }
        }
        if (faults == nullptr) {
            error = "--fault names the unknown CPU \"" + cpuName + "\" of unit " + unitName;
            return false;
        }
    }
    return sim::applyFaultSwitch(*faults, text.substr(colon + 1), error);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "qx7a-sim: a simulated QX7A console on a pseudo-terminal. The first line of standard output is "
        "the path of the port to open."};
    sim::ConsoleSource source;
    sim::ServerOptions options;
    std::vector<std::string> faults;
    int connectionPoint = -1;
    app.add_option("--console", source.descriptionPath, "console description (JSON)");
    app.add_option("--data-root", source.dataRoot, "data root with UNIT.LST and the units' .SET files");
    app.add_option("--link", options.linkPath, "make a symbolic link to the port here");
    app.add_option("--pace", options.paceBaud, "deliver bytes no faster than a line of this baud rate")
        ->check(CLI::Range(0L, 10000000L));
    app.add_option("--lifetime", options.lifetimeSeconds, "end after this many seconds")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--dump", options.dumpDirectory,
                   "at the end, write flash contents and the event log here");
    app.add_option("--fault", faults, "UNIT[/CPU]:SWITCH, switches: " + sim::faultSwitchNames());
    app.add_option("--connection-point", connectionPoint,
                   "bus address of the attached unit: 0 (SRF7) or 16 (ENG7)")
        ->check(CLI::IsMember({0, 16}));
    app.add_flag("--verbose", options.verbose, "print every event on standard error");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& failure) {
        // --help ends with 0; every bad argument with the status of bad input.
        return app.exit(failure) == 0 ? 0 : 2;
    }

    // Tests that start the simulator for another program can still watch it.
    if (const char* verbose = std::getenv("QX7A_SIM_VERBOSE"); verbose != nullptr && *verbose != '\0') {
        options.verbose = true;
    }
    if (source.descriptionPath.empty() && source.dataRoot.empty()) {
        std::cerr << "qx7a-sim: give --console FILE.json, --data-root DIR, or both\n";
        return 2;
    }
    sim::ConsoleDescription description;
    std::string error;
    if (!sim::loadConsoleDescription(source, description, error)) {
        std::cerr << "qx7a-sim: " << error << "\n";
        return 2;
    }
    for (const std::string& fault : faults) {
        if (!applyCommandLineFault(description, fault, error)) {
            std::cerr << "qx7a-sim: " << error << "\n";
            return 2;
        }
    }
    if (connectionPoint >= 0) {
        description.connectionPoint = static_cast<std::uint8_t>(connectionPoint);
    }

    sim::SimConsole console(std::move(description));
    sim::SimServer server(console, options);
    if (!server.open(error)) {
        std::cerr << "qx7a-sim: cannot open a pseudo-terminal: " << error << "\n";
        return 1;
    }
    const platform::InterruptGuard interrupt;
    std::cout << server.portPath() << std::endl;

    if (!server.run([&interrupt] { return interrupt.interrupted(); }, error)) {
        std::cerr << "qx7a-sim: " << error << "\n";
        return 1;
    }
    return 0;
}
