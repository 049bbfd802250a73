#include "SimulatedConsole.h"

#include <fstream>

#include "core/InterfaceBinder.h"
#include "engine/UpdateEngine.h"
#include "platform/Paths.h"

namespace engine::testing {

namespace fs = std::filesystem;

SimulatedConsole::SimulatedConsole(bool keepImages) {
    for (const auto& entry : fs::directory_iterator(FLASHKIT_SIM_DEMO_DIR)) {
        fs::copy(entry.path(), root() / entry.path().filename(), fs::copy_options::recursive);
    }
    if (keepImages) {
        return;
    }
    std::vector<fs::path> images;
    for (const auto& entry : fs::recursive_directory_iterator(root())) {
        if (entry.path().extension() == ".mot") {
            images.push_back(entry.path());
        }
    }
    for (const fs::path& image : images) {
        fs::remove(image);
    }
}

std::string SimulatedConsole::start(const std::vector<std::string>& extra, bool withDump) {
    std::vector<std::string> arguments{"--console", (root() / "console.json").string(), "--data-root",
                                       root().string()};
    if (withDump) {
        arguments.insert(arguments.end(), {"--dump", (root() / "dump").string()});
    }
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    if (!simulator_.start(arguments)) {
        return simulator_.error();
    }
    comm_.deviceName = simulator_.portPath();
    comm_.baudRate = kBaudRate;
    if (core::InterfaceBinder::bind(comm_, platform::executableDirectory(), library_, api_, notifier_) !=
        core::BindResult::Bound) {
        return "the interface library could not be bound";
    }
    api_.LoopBackModeChange(0);
    api_.ActiveSenseOnOff(0);
    return {};
}

void SimulatedConsole::wire(UpdateEngine& engine, FrontEnd& frontEnd, const core::InterfaceApi& api,
                            const data::UnitTiming& timing) const {
    engine.setFrontEnd(&frontEnd);
    engine.setInterfaceApi(&api);
    data::UnitTimingSet sets;
    sets.fill(timing);
    engine.setTimingSets(sets);
    engine.setCommSettings(comm_);
}

bool SimulatedConsole::loadUnits(data::UnitList& units, data::WritingPort port) const {
    std::ifstream list(root() / "UNIT.LST");
    const fs::path previous = fs::current_path();
    fs::current_path(root());
    const bool loaded = units.load(list, port);
    fs::current_path(previous);
    return loaded;
}

}  // namespace engine::testing
