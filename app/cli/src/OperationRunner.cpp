#include "cli/OperationRunner.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <thread>

#include "cli/CliFrontEnd.h"
#include "cli/ProgressDisplay.h"
#include "data/CDIAGDoc.h"
#include "engine/UpdateEngine.h"
#include "platform/InterruptGuard.h"

namespace cli {

namespace {

// How often a running operation is looked at: fast enough for a smooth
// display and a prompt reaction to Ctrl+C.
constexpr std::chrono::milliseconds kPollPeriod{20};

// The number that follows marker in text and ends at a ")".
std::optional<int> numberAfter(std::string_view text, std::string_view marker) {
    const std::size_t at = text.find(marker);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const char* first = text.data() + at + marker.size();
    const char* last = text.data() + text.size();
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == last || *end != ')' || value < 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

OperationRunner::OperationRunner(data::CDIAGDoc& document, engine::UpdateEngine& engine,
                                 CliFrontEnd& frontEnd, ProgressDisplay& display)
    : document_(document), engine_(engine), frontEnd_(frontEnd), display_(display) {}

std::optional<int> OperationRunner::retriesShown(std::string_view statusText) {
    if (auto retry = numberAfter(statusText, "Completed (Retry=")) {
        return retry;
    }
    return numberAfter(statusText, "Time Out - Failed(");
}

std::optional<OperationReport> OperationRunner::run(data::OperationCode code, std::int32_t unitIndex,
                                                    bool withStatusWindow, const std::string& operationName,
                                                    const platform::InterruptGuard& interrupt) {
    frontEnd_.clearFinalStatus();
    display_.beginOperation(withStatusWindow);
    const std::string unitName = unitIndex >= 0 && unitIndex < document_.units().count()
                                     ? document_.units().unit(unitIndex)->name()
                                     : "";
    display_.stepStarted(operationName, unitName);
    const auto started = std::chrono::steady_clock::now();
    if (!document_.startOperation(code, unitIndex, withStatusWindow)) {
        display_.stepEnded(operationName, unitName, "NotStarted");
        return std::nullopt;
    }
    int retries = 0;
    auto countRetries = [&retries](const ProgressSnapshot& snapshot) {
        retries = std::max(retries, retriesShown(snapshot.statusText).value_or(0));
    };
    bool cancelSent = false;
    while (true) {
        // Once the engine has asked for its OK it clears the status: show what it was then.
        const ProgressSnapshot live = CliFrontEnd::snapshotOf(engine_.status());
        const ProgressSnapshot shown = frontEnd_.finalStatus().value_or(live);
        display_.update(shown);
        countRetries(shown);
        if (interrupt.interrupted() && !cancelSent) {
            cancelSent = true;
            display_.message("cancelling: the engine finishes the step in progress", core::MessageIcon::None);
            engine_.control().cancel();
        }
        if (document_.engine().pollDone()) {
            break;
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
    engine_.waitUntilFinished();

    const ProgressSnapshot last = frontEnd_.finalStatus().value_or(CliFrontEnd::snapshotOf(engine_.status()));
    display_.update(last);
    display_.finish();
    countRetries(last);

    OperationReport report;
    report.operation = operationName;
    const engine::ResultCode result = engine_.lastResult();
    report.result = std::string(engine::resultName(result));
    report.status = last.statusText;
    const bool askReason = result == engine::ResultCode::OpenFailed ||
                           (reasonAfterAnyFailure_ && result != engine::ResultCode::Ok &&
                            result != engine::ResultCode::Cancelled);
    if (askReason && openFailureReason_) {
        report.reason = openFailureReason_();
        if (!report.reason.empty()) {
            display_.message(report.reason, core::MessageIcon::None);
        }
    }
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    report.retries = retries;
    display_.stepEnded(operationName, unitName, report.result);
    return report;
}

}  // namespace cli
