#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "data/CommSettings.h"
#include "data/OperationEngine.h"
#include "data/UnitTiming.h"
#include "data/WritingPort.h"
#include "engine/FrontEnd.h"
#include "engine/OperationControl.h"
#include "engine/ResultCode.h"
#include "engine/StatusModel.h"

namespace core {
struct InterfaceApi;
}
namespace data {
class UnitRecord;
}

namespace engine {

class DirectPort;
class UpdatePath;

// Runs one operation at a time against the units of the console: reads
// versions, erases and writes flash through the interface library (host
// interface) or the unit's boot loader (direct path), shows its progress in
// its StatusModel and a result text per unit row. An operation runs on a
// worker thread, which also takes the replies of the units.
class UpdateEngine final : public data::OperationEngine {
  public:
    static constexpr std::uint32_t kImageBufferSize = 0x80000;
    static constexpr std::int32_t kDefaultRetryCount = 5;
    static constexpr std::int32_t kDefaultRetrySeconds = 2;
    static constexpr const char* kCompressionLibraryName = "cmpak.dll";

    UpdateEngine();
    ~UpdateEngine() override;
    UpdateEngine(const UpdateEngine&) = delete;
    UpdateEngine& operator=(const UpdateEngine&) = delete;

    // Wiring done once by the application. Without a front end (null) there
    // is nobody to ask: no boxes, and the final OK is given at once.
    void setFrontEnd(FrontEnd* frontEnd);
    void setInterfaceApi(const core::InterfaceApi* api);
    void setWritingPort(data::WritingPort port) override { writingPort_ = port; }
    data::WritingPort writingPort() const override { return writingPort_; }
    void setCheckBeforeWrite(std::uint8_t check) override { checkBeforeWrite_ = check != 0; }
    void setTiming(data::UnitModel model, const data::UnitTiming& timing) override;
    void setTimingSets(const data::UnitTimingSet& timings) { timings_ = timings; }
    // File name the compression library is loaded by (tests point it elsewhere).
    void setCompressionLibraryName(std::string name) { compressionLibraryName_ = std::move(name); }

    // Number of attempts of an erase or write.
    void setRetryCount(std::int32_t count) override { retryCount_ = count; }
    // Stores the pause between attempts as 100 ms ticks; returns the previous
    // one in seconds. Every erase or write replaces it with the retry time of
    // its unit model's timing set.
    std::int32_t setRetryTime(std::int32_t seconds) override;

    // Handed over by the document before every start.
    void setUnitList(data::UnitList* units) override { unitList_ = units; }
    void setCommSettings(const data::CommSettings& settings) override { comm_ = settings; }
    void setDefaultTarget(std::uint8_t target) override { defaultTarget_ = target; }
    // How long a type-3 or type-4 unit is given to restart after each image.
    void setSettlePauses(std::chrono::milliseconds afterSuccess, std::chrono::milliseconds afterFailure);

    // Starts code for the unit at unitIndex (-1: all units) on the worker
    // thread. False when no unit list is set or an operation still runs.
    bool startOperation(data::OperationCode code, std::int32_t unitIndex, bool withStatusWindow) override;
    // True once for each end of an operation; "done" itself stays set for
    // the progress window, which looks at it too.
    bool pollDone() override;
    bool busy() const override { return workerActive_.load(); }
    // Blocks until the worker of the last operation has ended.
    void waitUntilFinished();
    // The result of the last operation (for get version of all units, that of
    // the last unit); read it once the worker has finished.
    ResultCode lastResult() const { return lastResult_.load(); }

    StatusModel& status() { return status_; }
    const StatusModel& status() const { return status_; }
    // Cancel and OK of the running operation, and its end.
    OperationControl& control() { return control_; }
    // The engine's own line to boot loaders (for its byte counters).
    const DirectPort& directPort() const;

  private:
    struct Parts;

    void runWorker();
    void chooseTiming(data::UnitModel model);
    // Over socket:// nothing sets the line: says once per operation what it needs.
    void noteLineThatCannotBeSet(bool directUnit);
    void runHostUpdate();
    void runDirectUpdate(data::UnitRecord& unit);
    void runUpdate(UpdatePath& path);
    void finishAndAwaitOk();
    ResultCode getVersions();
    ResultCode getDirectVersion(data::UnitRecord& unit);
    ResultCode readVersionsOf(data::UnitRecord& unit);
    ResultCode readBlockVersions(data::UnitRecord& unit);
    ResultCode readWordVersions(data::UnitRecord& unit);
    void finishGetVersion(ResultCode result);

    // Wiring and what the document hands over; copied into the operation at each start.
    data::UnitList* unitList_ = nullptr;
    data::CommSettings comm_;
    std::uint8_t defaultTarget_ = 0;
    data::WritingPort writingPort_ = data::WritingPort::HostInterface;
    bool checkBeforeWrite_ = true;
    data::UnitTimingSet timings_{};
    std::chrono::milliseconds settleAfterSuccess_{10000};
    std::chrono::milliseconds settleAfterFailure_{6000};
    std::string compressionLibraryName_ = kCompressionLibraryName;
    std::atomic<std::int32_t> retryCount_{kDefaultRetryCount};
    std::atomic<std::int32_t> retryTicks_{0};

    NullFrontEnd nobody_;
    std::atomic<FrontEnd*> frontEnd_{&nobody_};
    StatusModel status_;
    OperationControl control_;
    std::atomic<bool> workerActive_{false};
    std::atomic<bool> doneReported_{false};
    std::atomic<ResultCode> lastResult_{ResultCode::Ok};
    std::unique_ptr<Parts> parts_;
    std::thread worker_;
};

}  // namespace engine
