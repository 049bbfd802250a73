#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ScriptedHost.h"
#include "sim/ConsoleDescription.h"
#include "sim/SimConsole.h"

namespace simtest {

// A console with one unit of every kind: generic (with the read-back CPU at
// bus 2), block-read with a shared group, type 3, type 4 and a type-2 card.
inline const char* kTestConsole = R"({
  "units": {
    "SRF7": { "versionAddress": 256, "version": "1.05", "cpus": {
        "MAIN": { "bus": 1, "versionAddress": 258, "idAddress": 260, "version": "1.05" },
        "SUB":  { "bus": 2, "versionAddress": 262, "idAddress": 264, "version": "1.04" } } },
    "ENG7": { "type": 1, "blockAddress": 4096, "blockCount": 3, "cpus": {
        "CTRL": { "bus": 17, "versionAddress": 4112, "version": "2.02" },
        "DSP1": { "bus": 20, "versionAddress": 4114, "group": 1 },
        "DSP2": { "bus": 20, "versionAddress": 4116, "group": 1 } } },
    "LIO7": { "type": 3, "blockAddress": 8192, "blockCount": 2, "cpus": {
        "IOA": { "bus": 33, "versionAddress": 8208 },
        "IOB": { "bus": 34, "versionAddress": 8210, "idByte": 2 } } },
    "XDG7": { "type": 4, "blockAddress": 12288, "blockCount": 1, "cpus": {
        "MAIN": { "bus": 48, "versionAddress": 12304 } } },
    "XDG7D": { "type": 2, "cpus": { "CARD": { "bus": 64, "version": "1.18" } } }
  }
})";

class ConsoleFixture : public ::testing::Test {
  protected:
    // Builds the console; `adjust` may switch faults on first.
    template <typename Adjust>
    void build(Adjust adjust) {
        sim::ConsoleDescription description;
        std::string error;
        ASSERT_TRUE(sim::loadConsoleDescriptionText(kTestConsole, ".", "", description, error)) << error;
        adjust(description);
        console = std::make_unique<sim::SimConsole>(std::move(description));
        host = std::make_unique<ScriptedHost>(*console);
    }
    void build() {
        build([](sim::ConsoleDescription&) {});
    }

    sim::SimCpu& cpu(const std::string& unit, const std::string& name) {
        for (sim::SimCpu& candidate : console->state().description().findUnit(unit)->cpus) {
            if (candidate.name == name) {
                return candidate;
            }
        }
        throw std::runtime_error("no CPU " + name);
    }
    const sim::FlashDevice& flashOf(const std::string& deviceName) {
        for (const sim::FlashDevice& device : console->state().devices()) {
            if (device.name() == deviceName) {
                return device;
            }
        }
        throw std::runtime_error("no flash " + deviceName);
    }

    static sim::FaultSwitches& faultsOf(sim::ConsoleDescription& description, const std::string& unit,
                                        const std::string& cpuName) {
        for (sim::SimCpu& candidate : description.findUnit(unit)->cpus) {
            if (candidate.name == cpuName) {
                return candidate.faults;
            }
        }
        throw std::runtime_error("no CPU " + cpuName);
    }

    std::unique_ptr<sim::SimConsole> console;
    std::unique_ptr<ScriptedHost> host;
};

}  // namespace simtest
