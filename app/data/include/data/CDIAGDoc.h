#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <utility>

#include "data/CommSettings.h"
#include "data/OperationEngine.h"
#include "data/UnitList.h"
#include "data/UnitTiming.h"

namespace data {

// The single document of FLASHKIT without any toolkit: the units of the
// loaded unit list, the current unit, the change flags the views read and
// clear, and the update engine it owns. It never writes a file.
class CDIAGDoc {
  public:
    // Construction values handed to the engine.
    static constexpr std::int32_t kRetryWaitSeconds = 2;
    static constexpr std::int32_t kAttempts = 5;
    static constexpr std::string_view kUntitled = "Untitled";

    enum class OpenResult { Loaded, NothingLoaded, CannotOpen };

    explicit CDIAGDoc(std::unique_ptr<OperationEngine> engine);

    // Start-up hand-over; the referenced values belong to the application
    // and must outlive the document.
    void setWritingPort(WritingPort port);
    void setCheckStatus(std::uint8_t check) { engine_->setCheckBeforeWrite(check); }
    void setCommSettings(const CommSettings* settings) { commSettings_ = settings; }
    void setConnectionPoint(const std::uint8_t* connectionPoint) { connectionPoint_ = connectionPoint; }
    void setTimings(const UnitTimingSet& timings);

    // Texts for the user (a unit directory that cannot be entered).
    void setMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }
    // Called whenever the views should redraw.
    void setUpdateHandler(std::function<void()> handler) { updateViews_ = std::move(handler); }

    // Loads a unit list from text; a list was loaded sets the list-reloaded
    // flag and selects unit 0. A source without a valid line changes nothing.
    bool load(std::istream& source);
    // Opens the file and loads it; the path name follows the file unless it
    // cannot be opened. Only a regular file is read (platform::TextFile).
    OpenResult openFile(const std::string& path);
    // Why the last openFile gave CannotOpen ("not a regular file", ...).
    const std::string& openFailureReason() const { return openFailureReason_; }
    // A new document only forgets the path name; the units stay.
    void newDocument() { pathName_.clear(); }
    const std::string& pathName() const { return pathName_; }
    // The file name of the path, or "Untitled".
    std::string title() const;

    // Makes index the current unit and loads its rows; false for an index
    // outside the list (nothing changes then).
    bool selectUnit(int index);
    int currentUnitIndex() const { return currentUnit_; }
    UnitRecord* currentUnit() { return units_.unit(currentUnit_); }
    // The rows of the current unit that a write would take (0 without a unit).
    int countSelectedRows();

    WritingPort writingPort() const { return engine_->writingPort(); }

    // Hands the engine the units, a copy of the port settings and the
    // connection point, then starts the operation.
    bool startOperation(OperationCode code, std::int32_t unitIndex, bool withStatusWindow);

    // Flags the views read and clear.
    bool takeListReloaded() { return std::exchange(listReloaded_, false); }
    bool takeUnitChanged() { return std::exchange(unitChanged_, false); }
    bool takePortChanged() { return std::exchange(portChanged_, false); }
    bool listReloaded() const { return listReloaded_; }
    bool unitChanged() const { return unitChanged_; }
    bool portChanged() const { return portChanged_; }

    UnitList& units() { return units_; }
    const UnitList& units() const { return units_; }
    OperationEngine& engine() { return *engine_; }

  private:
    void notifyViews();

    std::unique_ptr<OperationEngine> engine_;
    UnitList units_;
    int currentUnit_ = 0;
    bool listReloaded_ = false;
    bool unitChanged_ = false;
    bool portChanged_ = false;
    const CommSettings* commSettings_ = nullptr;
    const std::uint8_t* connectionPoint_ = nullptr;
    std::string pathName_;
    std::string openFailureReason_;
    MessageSink messageSink_;
    std::function<void()> updateViews_;
};

}  // namespace data
