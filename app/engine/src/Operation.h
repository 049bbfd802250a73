#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "data/CommSettings.h"
#include "data/OperationEngine.h"
#include "data/UnitList.h"
#include "data/UnitTiming.h"
#include "data/WritingPort.h"

namespace data {
class FlashImage;
}

namespace engine {

class FrontEnd;
class HostLink;
class OperationControl;
class StatusModel;

// The front end the running operation reaches; the engine puts a null one
// in its place while it is being destroyed.
using FrontEndSlot = std::atomic<FrontEnd*>;

// Waits of the unit model in use, in periods of 100 ms.
struct TickTiming {
    std::int32_t bootIn = 0;
    std::int32_t bootOut = 0;
    std::int32_t timeout = 0;
};

// The operation in progress as it was asked for: taken at its start, read by
// the worker thread and the parts it drives.
struct Operation {
    data::OperationCode code = data::OperationCode::GetVersion;
    std::int32_t unitIndex = data::kAllUnits;
    bool withStatusWindow = false;
    data::UnitList* units = nullptr;
    data::WritingPort writingPort = data::WritingPort::HostInterface;
    data::CommSettings comm;
    std::uint8_t defaultTarget = 0;
    bool checkBeforeWrite = true;
    data::UnitTimingSet timings{};
    // How long a type-3 or type-4 unit is given to restart after each image.
    std::chrono::milliseconds settleAfterSuccess{10000};
    std::chrono::milliseconds settleAfterFailure{6000};
    // The waits of the timing set chosen for the unit being worked on.
    TickTiming ticks;

    bool erases() const { return code == data::OperationCode::Erase; }
    bool writes() const { return code == data::OperationCode::Write; }
    bool cardDirect() const { return writingPort == data::WritingPort::CardDirect; }
    // The range of unit indices the operation covers.
    std::int32_t firstUnit() const { return unitIndex >= 0 ? unitIndex : 0; }
    std::int32_t lastUnit() const { return unitIndex >= 0 ? unitIndex : units->count() - 1; }
};

// What the sequences and paths of an operation work with. All of it belongs
// to the engine and outlives them; only the worker thread touches it, the
// status and the control excepted.
struct OperationContext {
    const Operation& operation;
    StatusModel& status;
    OperationControl& control;
    FrontEndSlot& frontEnd;
    HostLink& link;
    data::FlashImage& image;
    // The console has been switched into boot mode by this operation.
    bool& bootMode;

    FrontEnd& user() const { return *frontEnd.load(); }
};

}  // namespace engine
