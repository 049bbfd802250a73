#pragma once

#include <cstdint>

#include "Attempts.h"
#include "Operation.h"
#include "engine/ResultCode.h"

namespace data {
class ImageRow;
class UnitRecord;
}  // namespace data

namespace engine {

class DirectLink;

// Erase, write and version read of a type-2 unit through its own boot
// loader: per image the text console is left, the unit switched into boot
// mode, flash blocks erased one by one and the image written in 4 KB chunks.
// Everything runs on the worker thread.
class DirectPath final : public UpdatePath {
  public:
    DirectPath(const OperationContext& context, DirectLink& link, data::UnitRecord& unit)
        : context_(context), link_(link), unit_(unit) {}

    void prepare() override;
    bool beginAttempt() override;
    AttemptResult runAttempt() override;
    void rollBack() override {}
    void endAttempt() override {}
    void finish() override;
    bool retriesEveryFailure() const override { return false; }

    // Reads the version of every row of the unit with "VER".
    ResultCode readVersions();

  private:
    ResultCode runImage(data::ImageRow& row);
    ResultCode enterBootMode();
    // Erase only: blocks 0 and 4 to 18. False after the first failure.
    bool eraseAll();
    // Write: block 0 and the blocks of the image's mask, then the data.
    bool eraseAndWrite(data::ImageRow& row, ResultCode& loadResult);
    bool eraseBlock(std::uint8_t block);
    bool writeImage(std::uint8_t mask);

    const OperationContext& context_;
    DirectLink& link_;
    data::UnitRecord& unit_;
    std::uint8_t target_ = 0;  // the low byte of the bus address of the image being worked on
};

}  // namespace engine
