#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// One image row as the command line reports it.
struct RowSnapshot {
    std::string cpu;
    std::string rom;
    std::string file;
    std::string fileName;
    bool selected = false;
    std::uint32_t topAddress = 0;
    std::uint32_t flashAddress = 0;
};

// One unit with its rows, copied out of the unit list after an operation.
struct UnitSnapshot {
    std::string name;
    std::string rom;
    std::string file;
    bool updateNeeded = false;
    std::string resultText;
    std::vector<RowSnapshot> rows;
};

}  // namespace cli
