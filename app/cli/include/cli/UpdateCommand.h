#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "cli/ReportFormatter.h"
#include "cli/UpdateReport.h"

namespace data {
class CDIAGDoc;
class UnitRecord;
}  // namespace data
namespace platform {
class InterruptGuard;
}

namespace cli {

class OperationRunner;

// What the update is asked to do.
struct UpdateRequest {
    std::vector<int> unitIndices;  // in unit-list order
    bool force = false;            // write these units even when their versions match
    bool dryRun = false;
};

// Brings units of the console up to their image files in one go, with the
// operations of the main view: Get Ver. of each unit makes the plan (every
// unit whose update is needed, with its initially selected images); each
// planned unit is then written as Write does and its versions are read again
// to see that every written image now reports its file's version. Ctrl+C
// cancels the unit at work; the units after it are skipped.
class UpdateCommand {
  public:
    // progress: where a person sees each unit start and end; nothing for JSON.
    UpdateCommand(data::CDIAGDoc& document, OperationRunner& runner, std::ostream* progress);

    UpdateReport run(const UpdateRequest& request, const platform::InterruptGuard& interrupt);

    // Whether the overall result counts as success.
    static bool succeeded(const UpdateReport& report);

  private:
    // Reads the unit's versions; the engine's report, or nothing when it did not start.
    std::optional<OperationReport> readVersions(int unitIndex, const platform::InterruptGuard& interrupt);
    void planUnit(int unitIndex, UpdateUnit& entry, bool force);
    void writeUnit(int unitIndex, UpdateUnit& entry, const platform::InterruptGuard& interrupt,
                   bool& cancelled);
    void verifyUnit(int unitIndex, UpdateUnit& entry, const platform::InterruptGuard& interrupt,
                    bool writeSucceeded, bool& cancelled);
    static std::string overallResult(const UpdateReport& report, bool cancelled);

    data::CDIAGDoc& document_;
    OperationRunner& runner_;
    std::ostream* progress_;
};

}  // namespace cli
