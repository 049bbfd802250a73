#pragma once

#include <cstdint>

#include "Attempts.h"
#include "Operation.h"
#include "engine/ResultCode.h"

namespace data {
class UnitRecord;
}

namespace engine {

// Erase and write of the units of an operation through the interface
// library: the check of the ID bytes before the first attempt, then per
// attempt the units from the one the last attempt stopped at, each image by
// the sequence of its unit's kind; the console is switched into boot mode
// before the first generic image and back at the end.
class HostWritePath final : public UpdatePath {
  public:
    explicit HostWritePath(const OperationContext& context) : context_(context) {}

    void prepare() override;
    bool beginAttempt() override;
    AttemptResult runAttempt() override;
    void rollBack() override;
    void endAttempt() override;
    void finish() override;
    bool retriesEveryFailure() const override { return true; }

  private:
    // Reads the ID byte of every selected row with an ID address; stops at the first failure.
    void runCheckPass();
    ResultCode runUnit(data::UnitRecord& unit, bool& unitDone);
    // The boot broadcasts and the boot change wait before the first generic image.
    ResultCode switchToBootMode();
    ResultCode waitForBootChange();

    const OperationContext& context_;
    std::int32_t unitCursor_ = 0;    // the unit the next attempt starts at
    std::int32_t savedOverall_ = 0;  // the Total bar when the current image began
};

}  // namespace engine
