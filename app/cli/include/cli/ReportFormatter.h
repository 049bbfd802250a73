#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "cli/UnitSnapshot.h"
#include "core/RejectedPort.h"

namespace cli {

// What the image command found in one S-record file.
struct ImageSummary {
    std::uint32_t lowest = 0;
    std::uint32_t highest = 0;
    std::uint16_t checksum = 0;
    bool clipped = false;
    std::uint8_t blockMask = 0;
    std::string error;  // the loader's text; empty when the load succeeded
};

// The outcome of getver, write or erase.
struct OperationReport {
    std::string operation;  // "getver", "write" or "erase"
    std::string result;     // name of the engine's result code
    std::string status;     // last status text
    std::vector<UnitSnapshot> units;
};

// Output of every command, for a person and as JSON. Pure functions of their
// input so that the two forms can be checked without a console.
class ReportFormatter {
  public:
    static nlohmann::ordered_json unitJson(const UnitSnapshot& unit);
    static nlohmann::ordered_json unitsJson(const std::vector<UnitSnapshot>& units);
    // The usable ports in menu order and, under "rejected", the ports left
    // out with their reasons.
    static nlohmann::ordered_json portsJson(const std::vector<std::string>& ports,
                                            const std::vector<core::RejectedPort>& rejected);
    static nlohmann::ordered_json imageJson(const ImageSummary& image);
    static nlohmann::ordered_json operationJson(const OperationReport& report);

    static void printUnits(std::ostream& out, const std::vector<UnitSnapshot>& units);
    static void printPorts(std::ostream& out, const std::vector<std::string>& ports);
    static void printImage(std::ostream& out, const ImageSummary& image);
    static void printOperation(std::ostream& out, const OperationReport& report);

    // "0x00200000": addresses in tables and JSON.
    static std::string hexAddress(std::uint32_t value);
};

}  // namespace cli
