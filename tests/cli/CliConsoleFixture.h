#pragma once

// flashkit-cli against a freshly started qx7a-sim on a pseudo-terminal of its
// own, with settings that point at the demo data root.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "SimProcess.h"

namespace clitest {

using nlohmann::json;

// The demo data root (settings, unit list, .SET files, generated images)
// that the simulated console describes.
inline const std::string kDemoRoot = FLASHKIT_DEMO_ROOT;

// Short timings so that a silent unit or a retry costs about a second.
inline std::string settingsText(const std::string& device, int bootIn = 1) {
    std::string text =
        "[HOST]\nDEVICE=" + device + "\nBAUDRATE=115200\n[DATA]\nROOT=" + kDemoRoot + "\nDEFAULT=UNIT.LST\n";
    for (const char* model : {"SRF7", "ENG7", "LIO7", "XDG7"}) {
        text += std::string("[") + model + "_INTERVAL]\nBOOTIN=" + std::to_string(bootIn) +
                "\nBOOTOUT=1\nTIMEOUT=1\nRETRYTIME=1\n";
    }
    return text;
}

inline const json* findUnit(const json& units, const std::string& name) {
    for (const auto& unit : units) {
        if (unit["name"] == name) {
            return &unit;
        }
    }
    return nullptr;
}

// flashkit-cli against a freshly started simulated console on its own pty.
class CliConsole : public ::testing::Test {
  protected:
    void startConsole(const std::vector<std::string>& faults = {}, int bootIn = 1,
                      const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments = {"--console", consoleFile};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        for (const auto& fault : faults) {
            arguments.insert(arguments.end(), {"--fault", fault});
        }
        ASSERT_TRUE(console.start(arguments)) << console.error();
        folder.write("FLASHKIT.INI", settingsText(console.portPath(), bootIn));
    }

    std::vector<std::string> withSettings(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--ini", folder.file("FLASHKIT.INI")});
        return arguments;
    }

    ProgramRun::Outcome cli(const std::vector<std::string>& arguments) {
        return runCli(withSettings(arguments), {{"FLASHKIT_PORTS", console.portPath()}});
    }

    json cliJson(const std::vector<std::string>& arguments, int expectedExit) {
        std::vector<std::string> withJson = {"--json"};
        withJson.insert(withJson.end(), arguments.begin(), arguments.end());
        const auto outcome = cli(withJson);
        EXPECT_EQ(outcome.exitStatus, expectedExit) << outcome.err;
        try {
            return json::parse(outcome.out);
        } catch (const json::exception&) {
            ADD_FAILURE() << "not one JSON object: " << outcome.out;
            return json::object();
        }
    }

    simtest::SimProcess console;
    ScratchFolder folder;
    // What the console holds; a test may point it at a description of its own.
    std::string consoleFile = kDemoRoot + "/console.json";
};

}  // namespace clitest
