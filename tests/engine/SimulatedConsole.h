#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "SimProcess.h"
#include "core/InterfaceApi.h"
#include "core/UserNotifier.h"
#include "data/CommSettings.h"
#include "data/UnitList.h"
#include "data/UnitTiming.h"
#include "platform/DynamicLibrary.h"

namespace engine {
class FrontEnd;
class UpdateEngine;
}  // namespace engine

namespace engine::testing {

// A copy of the demo data root, qx7a-sim serving it on a pseudo-terminal and
// the real interface library bound to that line by name, as the program
// binds it: what the engine's integration tests and its benchmark start from.
class SimulatedConsole {
  public:
    static constexpr std::uint32_t kBaudRate = 115200;

    // keepImages false removes the demo's image files, for tests that write their own.
    explicit SimulatedConsole(bool keepImages);

    const std::filesystem::path& root() const { return files_.root(); }
    simtest::SimProcess& simulator() { return simulator_; }

    // Starts the simulator with these further arguments and binds the library
    // to its line; an empty text on success, else what went wrong.
    std::string start(const std::vector<std::string>& extra, bool withDump);
    const core::InterfaceApi& api() const { return api_; }
    const data::CommSettings& comm() const { return comm_; }

    // Hands engine the settings of this console, the front end, the
    // interface entry points and the same timing for every unit model.
    void wire(UpdateEngine& engine, FrontEnd& frontEnd, const core::InterfaceApi& api,
              const data::UnitTiming& timing) const;
    // Loads the data root's UNIT.LST as the program does, from the root.
    bool loadUnits(data::UnitList& units, data::WritingPort port) const;

  private:
    class QuietNotifier : public core::UserNotifier {
      public:
        void showMessage(const std::string&, core::MessageIcon) override {}
    };

    UnitFiles files_;
    simtest::SimProcess simulator_;
    platform::DynamicLibrary library_;
    core::InterfaceApi api_{};
    data::CommSettings comm_;
    QuietNotifier notifier_;
};

}  // namespace engine::testing
