#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/UpdateReport.h"
#include "platform/LocalTime.h"

namespace cli {

// What a service report says about the visit besides the update itself.
struct ServiceContext {
    std::string dateTime;            // local time, "2024-05-02 14:03:22 +0200"
    std::string programVersion;      // the About box's version line
    std::string programNumbers;      // "product version 2, 0, 0, 0, file version 5, 23, 2, 0"
    std::string interfaceLibrary;    // "TRX.DLL 1, 9, 0, 0 (/usr/lib/flashkit/libtrx.so)"
    std::string compressionLibrary;  // "cmpak.dll 1, 0, 0, 0 (/usr/lib/flashkit/libcmpak.so)"
    std::string port;
    std::string connectionPoint;  // "SRF7" or "ENG7"
    std::string writingPort;      // "Host I/F" or "Card Direct"
    std::string unitList;         // the unit-list file
};

// The record a technician keeps of an update: the update's own output plus
// date and time, the program's and libraries' versions, the line and the unit
// list, and every image's file and checksum. Text for a person, or JSON.
class ServiceReport {
  public:
    static constexpr const char* kTitle = "FLASHKIT service report";

    static std::string text(const ServiceContext& context, const UpdateReport& report);
    static nlohmann::ordered_json json(const ServiceContext& context, const UpdateReport& report);

    // One console of an update of several at once: its context (with its
    // port), and its update or, when its program left none, why not.
    struct ConsoleSection {
        ServiceContext context;
        std::optional<UpdateReport> report;
        std::string result;  // the console's result ("Ok", "Failed", "Cancelled")
        std::string reason;  // why there is no report
    };
    // One report for all consoles: the title, the date and a count of the
    // results, then a section per console with what a report of that console
    // alone says. JSON: {"report","date","result","consoles":[<the object of
    // one console's report, or port, result and reason>]}.
    static std::string fleetText(const std::string& dateTime, const std::string& result,
                                 const std::vector<ConsoleSection>& consoles);
    static nlohmann::ordered_json fleetJson(const std::string& dateTime, const std::string& result,
                                            const std::vector<ConsoleSection>& consoles);

    // A local time in the report's form, "2024-05-02 14:03:22".
    static std::string localTimeText(const platform::LocalTime& time);
};

}  // namespace cli
