#pragma once

#include "engine/ResultCode.h"

namespace engine {

// What one attempt of an erase or write came to.
struct AttemptResult {
    ResultCode result = ResultCode::Ok;
    // Whether an image was selected at all.
    bool anythingDone = false;
};

// One way of erasing and writing the units of an operation, as the worker's
// attempt runner drives it: through the host interface, or straight to a
// unit's boot loader.
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

}  // namespace engine
