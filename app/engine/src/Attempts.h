#pragma once

#include <cstdint>

#include "engine/ResultCode.h"

namespace engine {

class OperationControl;
class StatusModel;

// What one attempt of an erase or write came to.
struct AttemptResult {
    ResultCode result = ResultCode::Ok;
    // Whether an image was selected at all.
    bool anythingDone = false;
};

// One way of erasing and writing the units of an operation, as the attempt
// runner drives it: through the host interface, or straight to a unit's
// boot loader.
class UpdatePath {
  public:
    virtual ~UpdatePath() = default;

    // Before the first attempt: the rows, the check of the ID bytes, the totals.
    virtual void prepare() = 0;
    // Readies one attempt; false when it cannot start, which ends the
    // operation with OpenFailed.
    virtual bool beginAttempt() = 0;
    // Works through what is left to do.
    virtual AttemptResult runAttempt() = 0;
    // An attempt failed and counts: the progress it made is given back.
    virtual void rollBack() = 0;
    // Between two attempts, before the pause.
    virtual void endAttempt() = 0;
    // After the last attempt: the console leaves boot mode.
    virtual void finish() = 0;
    // Whether a failure other than a time-out is tried again.
    virtual bool retriesEveryFailure() const = 0;
};

// Runs the attempts of an erase or write until one completes, one fails in
// a way that is not tried again, the operator cancels or the attempts are
// used up; shows the last line of the operation on the status.
class AttemptRunner {
  public:
    struct Policy {
        std::int32_t attempts = 1;
        std::int32_t pauseTicks = 0;  // the pause between attempts, in 100 ms periods
        bool write = false;           // the completed text names a write, else an erase
    };

    AttemptRunner(StatusModel& status, OperationControl& control, const Policy& policy)
        : status_(status), control_(control), policy_(policy) {}

    // The result of the operation: that of its last attempt, Failed when
    // no image was selected.
    ResultCode run(UpdatePath& path);

  private:
    // After a failed attempt: whether another one follows.
    bool tryAgain(UpdatePath& path, ResultCode result);

    StatusModel& status_;
    OperationControl& control_;
    Policy policy_;
    std::int32_t attempt_ = 1;  // shown in "Time Out - Failed(%d)"
    std::int32_t retry_ = 0;    // attempts that counted before this one
};

}  // namespace engine
