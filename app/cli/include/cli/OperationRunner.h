#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/ReportFormatter.h"
#include "data/OperationEngine.h"

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

class CliFrontEnd;
class ProgressDisplay;

// Starts one operation of the engine through the document, as a button of
// the main view does, and follows it to its end: the progress goes to the
// display, Ctrl+C is handed to the engine as its Cancel, and what the engine
// reports at the end is collected.
class OperationRunner {
  public:
    OperationRunner(data::CDIAGDoc& document, engine::UpdateEngine& engine, CliFrontEnd& frontEnd,
                    ProgressDisplay& display);

    // Nothing when the engine did not start the operation.
    std::optional<OperationReport> run(data::OperationCode code, std::int32_t unitIndex,
                                       bool withStatusWindow, const std::string& operationName,
                                       const platform::InterruptGuard& interrupt);

    // Asked when an operation ends with OpenFailed: why the port did not
    // open. A reason is shown and goes into the report. With afterAnyFailure
    // (a port on a network server, which can go away during an operation) it
    // is asked after every failure that was not a cancel.
    void setOpenFailureReason(std::function<std::string()> reasonOf, bool afterAnyFailure = false) {
        openFailureReason_ = std::move(reasonOf);
        reasonAfterAnyFailure_ = afterAnyFailure;
    }

    // The attempts after the first that a status text tells of: the retry
    // counter of "=== Write Completed (Retry=2) ===", or the failed attempt of
    // "Time Out - Failed(3)" (3 attempts failed, so 3 more were made); nothing
    // for other texts.
    static std::optional<int> retriesShown(std::string_view statusText);

  private:
    data::CDIAGDoc& document_;
    engine::UpdateEngine& engine_;
    CliFrontEnd& frontEnd_;
    ProgressDisplay& display_;
    std::function<std::string()> openFailureReason_;
    bool reasonAfterAnyFailure_ = false;
};

}  // namespace cli
