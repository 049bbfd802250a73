#include "HostWritePath.h"

#include <algorithm>

#include "HostLink.h"
#include "Sequences.h"
#include "StatusText.h"
#include "Ticks.h"
#include "data/UnitList.h"
#include "data/UnitRecord.h"
#include "engine/OperationControl.h"
#include "engine/StatusModel.h"

namespace engine {

namespace {

constexpr std::uint8_t kBootModeOn = 1;
constexpr std::uint8_t kBootModeOff = 0;
// Steps of the Total bar per image (erase, transfer, checksum, boot switch) and per operation.
constexpr std::int32_t kOverallStepsPerImage = 4;
constexpr std::int32_t kOverallStepsPerOperation = 2;

}  // namespace

void HostWritePath::prepare() {
    const Operation& operation = context_.operation;
    for (std::int32_t index = operation.firstUnit(); index <= operation.lastUnit(); ++index) {
        if (data::UnitRecord* unit = operation.units->unit(index)) {
            unit->loadRows(data::initialRowSelection(operation.writingPort));
        }
    }
    if (operation.checkBeforeWrite && !context_.bootMode && !operation.cardDirect()) {
        runCheckPass();
    }
    std::int32_t selectedImages = 0;
    for (std::int32_t index = operation.firstUnit(); index <= operation.lastUnit(); ++index) {
        if (data::UnitRecord* unit = operation.units->unit(index)) {
            selectedImages += unit->countSelectedRows();
        }
    }
    context_.status.setOverallTotal(kOverallStepsPerImage * selectedImages + kOverallStepsPerOperation);
    context_.status.setOverallPos(0);
    unitCursor_ = operation.firstUnit();
    savedOverall_ = 0;
}

void HostWritePath::runCheckPass() {
    // The ID bytes can only be read through an open interface; the pass opens
    // it for itself and leaves it closed for the first attempt.
    HostLink& link = context_.link;
    const Operation& operation = context_.operation;
    if (link.open(operation.comm, operation.writingPort) != 0) {
        return;
    }
    bool failed = false;
    for (std::int32_t index = operation.firstUnit(); index <= operation.lastUnit() && !failed; ++index) {
        data::UnitRecord* unit = operation.units->unit(index);
        if (unit == nullptr) {
            continue;
        }
        for (int i = 0; i < unit->rowCount() && !failed; ++i) {
            data::ImageRow& row = *unit->row(i);
            if (!row.effectiveSelection() || row.idAddress() == data::ImageRow::kNoAddress) {
                continue;
            }
            constexpr bool kBlockRead = true;
            failed = link.read(operation.defaultTarget, unit->readCommand(), row.idAddress(), 1,
                               kBlockRead) != ResultCode::Ok;
            if (!failed) {
                row.setIdByte(link.reply()[0]);
            }
        }
    }
    link.close();
}

bool HostWritePath::beginAttempt() {
    context_.status.setErrorFlag(false);
    context_.status.setFinishedFlag(false);
    if (context_.link.open(context_.operation.comm, context_.operation.writingPort) != 0) {
        return false;
    }
    context_.status.setCurrentTotal(0);
    context_.status.setCurrentPos(0);
    return true;
}

AttemptResult HostWritePath::runAttempt() {
    const Operation& operation = context_.operation;
    AttemptResult outcome;
    for (; unitCursor_ <= operation.lastUnit(); ++unitCursor_) {
        data::UnitRecord* unit = operation.units->unit(unitCursor_);
        if (unit == nullptr) {
            continue;
        }
        if (operation.cardDirect()) {
            context_.link.setOwnAddress(unit->ownAddressSetting());
        }
        bool unitDone = false;
        outcome.result = runUnit(*unit, unitDone);
        // A unit in which this attempt wrote nothing keeps the text of the
        // attempt that last worked on it.
        if (unitDone) {
            unit->setResultText(operation.writes() ? std::string(resultText(outcome.result)) : std::string());
        }
        outcome.anythingDone = outcome.anythingDone || unitDone;
        if (outcome.result != ResultCode::Ok) {
            break;  // the next attempt starts with this unit
        }
    }
    return outcome;
}

ResultCode HostWritePath::runUnit(data::UnitRecord& unit, bool& unitDone) {
    const data::UnitKind kind = unit.kind();
    const bool segmented =
        (kind == data::UnitKind::Type3 && !context_.operation.cardDirect()) || kind == data::UnitKind::Type4;
    ResultCode result = ResultCode::Ok;
    for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
        data::ImageRow& row = *unit.row(i);
        if (!row.effectiveSelection()) {
            continue;
        }
        unitDone = true;
        // Type-3 and type-4 units are written without the console's boot mode.
        if (!segmented && !context_.bootMode) {
            result = switchToBootMode();
            if (result != ResultCode::Ok) {
                break;
            }
        }
        savedOverall_ = context_.status.overallPos();
        result = segmented ? runSegmentedSequence(context_, unit, row, i)
                           : runGenericSequence(context_, unit, row);
    }
    return result;
}

ResultCode HostWritePath::switchToBootMode() {
    StatusModel& status = context_.status;
    status.setCancelEnabled(false);
    context_.bootMode = true;
    host::Buffer message;
    context_.link.send(
        std::span(message.data(), host::buildBootBroadcast(message, host::kCommandSegmented, kBootModeOn)));
    context_.link.send(
        std::span(message.data(), host::buildBootBroadcast(message, host::kCommandSegmented, kBootModeOff)));
    const ResultCode result = waitForBootChange();
    status.setCancelEnabled(true);
    return result;
}

ResultCode HostWritePath::waitForBootChange() {
    StatusModel& status = context_.status;
    const std::int32_t bootInTicks = context_.operation.ticks.bootIn;
    status.advanceOverall(1);
    status.setCurrentTotal(bootInTicks);
    status.setCurrentPos(0);
    status.setTitle("");
    for (std::int32_t n = bootInTicks; n >= 1; --n) {
        if (n % kTicksPerSecond == 0) {
            status.setStatusText(formatText("  BOOT Change Wait %d seconds", n / kTicksPerSecond));
        }
        if (context_.control.waitForCancel(kTick)) {
            return ResultCode::Cancelled;
        }
        status.advanceCurrent();
    }
    return ResultCode::Ok;
}

void HostWritePath::rollBack() {
    context_.status.setOverallPos(std::min(savedOverall_, context_.status.overallTotal()));
}

void HostWritePath::endAttempt() {
    context_.link.close();
}

void HostWritePath::finish() {
    HostLink& link = context_.link;
    if (!link.isOpen() && !context_.bootMode) {
        return;
    }
    if (context_.bootMode) {
        link.open(context_.operation.comm, context_.operation.writingPort);
        host::Buffer message;
        link.send(std::span(message.data(),
                            host::buildBootBroadcast(message, host::kCommandBootLeave, kBootModeOff)));
        context_.bootMode = false;
        waitTicksUnlessCancelled(context_.control, context_.operation.ticks.bootOut);
    }
    link.close();
}

}  // namespace engine
