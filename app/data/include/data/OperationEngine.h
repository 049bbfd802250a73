#pragma once

#include <cstdint>

#include "data/CommSettings.h"
#include "data/UnitTiming.h"
#include "data/WritingPort.h"

namespace data {

class UnitList;

// What the update engine is asked to do with the units.
enum class OperationCode : std::int32_t {
    Erase = 1,
    Write = 2,
    GetVersion = 3,       // one unit, its images included
    GetAllVersions = 4,   // every unit
    GetAllVersions2 = 5,  // served like GetAllVersions
};

// Unit index of an operation that covers every unit.
inline constexpr std::int32_t kAllUnits = -1;

// The update engine as the document sees it. The document owns the engine,
// hands it the units and a fresh copy of the settings at every start, and
// the view polls for the end of the operation.
class OperationEngine {
  public:
    virtual ~OperationEngine() = default;

    virtual WritingPort writingPort() const = 0;
    virtual void setWritingPort(WritingPort port) = 0;
    // CHECKSTATUS: non-zero reads the ID bytes before writing.
    virtual void setCheckBeforeWrite(std::uint8_t check) = 0;
    virtual void setRetryCount(std::int32_t attempts) = 0;
    // Wait between attempts in seconds; returns the previous one.
    virtual std::int32_t setRetryTime(std::int32_t seconds) = 0;
    virtual void setTiming(UnitModel model, const UnitTiming& timing) = 0;

    // The hand-over at each start: the document's units (they outlive the
    // operation), a copy of the port settings and the default bus target.
    virtual void setUnitList(UnitList* units) = 0;
    virtual void setCommSettings(const CommSettings& settings) = 0;
    virtual void setDefaultTarget(std::uint8_t connectionPoint) = 0;

    // Starts the worker; false when no unit list was handed over or an
    // operation is still running.
    virtual bool startOperation(OperationCode code, std::int32_t unitIndex, bool withStatusWindow) = 0;
    // True once for each end of an operation.
    virtual bool pollDone() = 0;
    // True from a start until the worker has finished.
    virtual bool busy() const = 0;
};

}  // namespace data
