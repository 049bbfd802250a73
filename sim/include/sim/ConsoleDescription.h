#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/FaultSwitches.h"

namespace sim {

// Bytes a CPU's flash holds before anything is written (a calibration area
// that the program reads back and preserves).
struct FlashPreset {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
};

struct SimCpu {
    std::string name;
    std::uint8_t busAddress = 0xFF;
    std::uint16_t versionAddress = 0xFFFF;
    std::uint16_t idAddress = 0xFFFF;
    std::uint8_t group = 0;
    std::uint8_t idByte = 0;        // what the console reports for this CPU's ID
    std::uint16_t versionWord = 0;  // version word the CPU holds now
    FaultSwitches faults;
    std::optional<FlashPreset> preset;
};

struct SimUnit {
    // Unit types with their own sequences (the low 8 bits of TYPE).
    static constexpr int kTypeDirect = 2;
    static constexpr int kTypeSelect3 = 3;
    static constexpr int kTypeSelect4 = 4;

    std::string name;
    int type = 0;
    std::uint16_t versionAddress = 0xFFFF;  // the unit's own version word
    bool blockRead = false;
    std::uint16_t blockAddress = 0xFFFF;  // ID bytes of the CPUs, one per CPU
    std::uint16_t blockCount = 0;
    std::uint16_t versionWord = 0;
    FaultSwitches faults;
    std::vector<SimCpu> cpus;

    int kind() const { return type & 0xFF; }
};

struct ConsoleDescription {
    // Bus address of the unit the PC is attached to: 0x00 (SRF7) or 0x10 (ENG7).
    std::uint8_t connectionPoint = 0x00;
    std::vector<SimUnit> units;

    SimUnit* findUnit(const std::string& name);
};

// Where a console comes from: a JSON description, a data root with a unit list
// and .SET files, or both (the JSON then says what the units hold now).
struct ConsoleSource {
    std::string descriptionPath;  // may be empty
    std::string dataRoot;         // may be empty; overrides the JSON's "dataRoot"
};

bool loadConsoleDescription(const ConsoleSource& source, ConsoleDescription& console, std::string& error);
// The same from JSON text; relative data roots are taken from baseDirectory.
bool loadConsoleDescriptionText(const std::string& jsonText, const std::string& baseDirectory,
                                const std::string& dataRootOverride, ConsoleDescription& console,
                                std::string& error);

// Version notation of descriptions: "1.05", "2.10S3X", "1.--R" style texts as
// the program shows them, or a number that is the raw 16-bit word.
std::optional<std::uint16_t> versionWordFromText(const std::string& text);

}  // namespace sim
