#pragma once

#include <cstdint>

#include "engine/ResultCode.h"

namespace engine {

class StatusModel;
class UpdatePath;

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

    AttemptRunner(StatusModel& status, const Policy& policy) : status_(status), policy_(policy) {}

    ResultCode run(UpdatePath& path);

  private:
    // After a failed attempt: whether another one follows.
    bool tryAgain(UpdatePath& path, ResultCode result);

    StatusModel& status_;
    Policy policy_;
    std::int32_t attempt_ = 1;  // shown in "Time Out - Failed(%d)"
    std::int32_t retry_ = 0;    // attempts that counted before this one
};

}  // namespace engine
