#include "Attempts.h"

#include "StatusText.h"
#include "Ticks.h"
#include "engine/OperationControl.h"
#include "engine/StatusModel.h"

namespace engine {

ResultCode AttemptRunner::run(UpdatePath& path) {
    attempt_ = 1;
    retry_ = 0;
    ResultCode result = ResultCode::Ok;
    do {
        if (!path.beginAttempt()) {
            return ResultCode::OpenFailed;
        }
        const AttemptResult outcome = path.runAttempt();
        result = outcome.result;
        if (!outcome.anythingDone && result == ResultCode::Ok) {
            status_.setErrorFlag(true);
            status_.setStatusText("No anyting !!!");
            result = ResultCode::Failed;
            break;
        }
        if (result == ResultCode::Ok) {
            status_.setErrorFlag(false);
            status_.setStatusText(completedText(policy_.write, retry_));
            break;
        }
        if (!tryAgain(path, result)) {
            break;
        }
        path.endAttempt();
        if (!waitTicksUnlessCancelled(control_, policy_.pauseTicks)) {
            result = ResultCode::Cancelled;
            break;
        }
        ++retry_;
        ++attempt_;
    } while (retry_ < policy_.attempts);
    return result;
}

bool AttemptRunner::tryAgain(UpdatePath& path, ResultCode result) {
    if (result == ResultCode::Cancelled) {
        return false;
    }
    if (result == ResultCode::WrongTarget) {
        // The unit concerned has deselected the image: the attempt does not count.
        --attempt_;
        --retry_;
        return true;
    }
    status_.setErrorFlag(true);
    if (result != ResultCode::TimedOut) {
        if (!path.retriesEveryFailure()) {
            return false;
        }
    } else if (retry_ >= policy_.attempts - 1) {
        status_.setStatusText("Retry TimeOut !!!");
        return false;
    } else {
        status_.setStatusText(formatText("Time Out - Failed(%d)", attempt_));
    }
    path.rollBack();
    return true;
}

}  // namespace engine
