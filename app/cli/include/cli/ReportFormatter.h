#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/UnitSnapshot.h"
#include "core/RejectedPort.h"
#include "platform/PortDescription.h"

namespace cli {

// What the image command found in one S-record file.
struct ImageSummary {
    // The addresses of the bytes the load stored; nothing when it stored none.
    std::optional<std::uint32_t> lowest;
    std::optional<std::uint32_t> highest;
    std::uint16_t checksum = 0;
    bool clipped = false;
    std::uint8_t blockMask = 0;
    std::string error;   // the loader's text; empty when the load succeeded
    std::string detail;  // why the file could not be opened, when it could not
};

// The outcome of getver, write or erase.
struct OperationReport {
    std::string operation;  // "getver", "write" or "erase"
    std::string result;     // name of the engine's result code
    std::string status;     // last status text
    std::vector<UnitSnapshot> units;
    std::string reason;  // why the port did not open, when it did not and that is known
    double seconds = 0;  // from the start to the end of the operation
    int retries = 0;     // attempts after the first, as the status texts told them
};

// Output of every command, for a person and as JSON. Pure functions of their
// input so that the two forms can be checked without a console.
class ReportFormatter {
  public:
    static nlohmann::ordered_json unitJson(const UnitSnapshot& unit);
    static nlohmann::ordered_json unitsJson(const std::vector<UnitSnapshot>& units);
    // The usable ports in menu order, under "rejected" the ports left out
    // with their reasons, and under "descriptions" what the system tells of
    // each usable port's device (in the order of "ports").
    static nlohmann::ordered_json portsJson(const std::vector<std::string>& ports,
                                            const std::vector<core::RejectedPort>& rejected,
                                            const std::vector<platform::PortDescription>& descriptions = {});
    static nlohmann::ordered_json portDescriptionJson(const platform::PortDescription& description);
    static nlohmann::ordered_json imageJson(const ImageSummary& image);
    static nlohmann::ordered_json operationJson(const OperationReport& report);
    // The report back from operationJson's form (as another flashkit-cli
    // printed it); nothing when the object is not one. Seconds and retries
    // are not in that form and stay 0.
    static std::optional<OperationReport> operationFromJson(const nlohmann::json& object);

    static void printUnits(std::ostream& out, const std::vector<UnitSnapshot>& units);
    // Each port's name alone on its line, and below it, indented, what is
    // known of its device.
    static void printPorts(std::ostream& out, const std::vector<platform::PortDescription>& ports);
    // The names alone, one a line (what shell completion reads).
    static void printPortNames(std::ostream& out, const std::vector<std::string>& ports);
    static void printImage(std::ostream& out, const ImageSummary& image);
    static void printOperation(std::ostream& out, const OperationReport& report);

    // "0x00200000": addresses in tables and JSON.
    static std::string hexAddress(std::uint32_t value);

    // The one way JSON leaves the program: names and texts come from files,
    // settings and the environment and may hold any bytes, so what is not
    // UTF-8 becomes U+FFFD (the replacement character) and the output is
    // always valid JSON.
    static std::string jsonText(const nlohmann::ordered_json& value);
};

}  // namespace cli
