#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliFrontEnd.h"
#include "cli/CliOptions.h"
#include "cli/OperationRunner.h"
#include "cli/ProgressDisplay.h"
#include "cli/ReportFormatter.h"
#include "cli/ServiceReport.h"
#include "cli/UpdateReport.h"

#include "core/StartupCore.h"

namespace data {
class CDIAGDoc;
}
namespace engine {
class UpdateEngine;
}
namespace platform {
class InterruptGuard;
}

namespace cli {

// Exit statuses of the program.
enum ExitStatus : int { kExitSuccess = 0, kExitOperationFailed = 1, kExitBadInput = 2 };

// Runs one command of flashkit-cli: the same start-up core, document and
// update engine as the desktop program, with the command line in place of
// the windows. Returns the exit status.
class CliApplication {
  public:
    CliApplication(CliOptions options, std::ostream& out, std::ostream& err,
                   ProgressDisplay::Style progressStyle);
    ~CliApplication();
    CliApplication(const CliApplication&) = delete;
    CliApplication& operator=(const CliApplication&) = delete;

    int run();

  private:
    int runVersion();
    int runImage();
    int runPorts();
    int listCandidatePorts();
    int runUnits();
    int listUnitNames();
    int runOperation();
    int runUpdate();
    // update or getver on several ports at once (FleetCommand).
    int runFleet();
    // The report file and the writing port an update needs, checked before
    // anything touches a port: the exit status when they are bad usage.
    std::optional<int> checkUpdateUsage(std::string& reportPath);

    // The start-up options the command line asks for, once the settings
    // file and the unit list it names look readable; nothing when they do
    // not (the reason has been printed).
    std::optional<core::StartupOptions> startupOptions();
    // Start-up core, then the document with its unit list; false when the
    // program cannot go on (the reason has been printed).
    bool startUp();
    bool openDocument();
    void shutDown();
    int usageFailure(const std::string& reason);
    // Every JSON object a command prints goes through here (one rule for
    // bytes that are not UTF-8, see ReportFormatter::jsonText).
    void printJson(const nlohmann::ordered_json& object);

    std::optional<int> findUnit(const std::string& name);
    // The index of the named unit, or nothing after a usage message naming the units there are.
    std::optional<int> namedUnit(const std::string& name);
    bool applyCpuSelection(int unitIndex);
    // Before a write: the warning about an adapter whose latency timer slows it down.
    void warnOfSlowAdapter();
    // Runs operations through the document; a port that does not open is explained.
    OperationRunner operationRunner();
    // Why the port did not open, when that can be found out; empty otherwise.
    std::string openFailureReason() const;
    // Get version of every unit, one unit after the other, so that the
    // result is the worst of all units rather than the last unit's.
    std::optional<OperationReport> readAllVersions(const platform::InterruptGuard& interrupt);
    // Bytes of firmware in the images that a successful write has sent.
    std::uint64_t imageBytes(int unitIndex, const std::vector<int>& rows) const;
    // Written at the end of an update; false (with the reason printed) when it could not be.
    bool writeServiceReport(const std::string& path, const std::string& startedAt,
                            const UpdateReport& report);
    // The report's facts besides the update: versions, port, unit list...
    ServiceContext serviceContext(const std::string& startedAt) const;
    // Writes a report that must not exist yet; false (with the reason printed) when it could not.
    bool writeReportFile(const std::string& path, const std::string& content);

    CliOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    const ProgressDisplay::Style progressStyle_;
    ProgressDisplay display_;
    CliFrontEnd frontEnd_;
    std::string listPath_;
    std::unique_ptr<core::StartupCore> core_;
    // The document owns the engine; engine_ is the command line's handle on it.
    std::unique_ptr<data::CDIAGDoc> document_;
    engine::UpdateEngine* engine_ = nullptr;
};

}  // namespace cli
