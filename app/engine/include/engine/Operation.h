#pragma once

#include <cstdint>

#include "data/CommSettings.h"
#include "data/OperationEngine.h"
#include "data/UnitTiming.h"
#include "data/WritingPort.h"

namespace data {
class UnitList;
}

namespace engine {

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
    // The waits of the timing set chosen for the unit being worked on.
    TickTiming ticks;

    bool erases() const { return code == data::OperationCode::Erase; }
    bool writes() const { return code == data::OperationCode::Write; }
    bool changesFlash() const { return erases() || writes(); }
    bool cardDirect() const { return writingPort == data::WritingPort::CardDirect; }
    // The range of unit indices the operation covers.
    std::int32_t firstUnit() const;
    std::int32_t lastUnit() const;
};

}  // namespace engine
