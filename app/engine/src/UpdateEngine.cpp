// Operation worker: start, timing choice, get version, the erase/write loop
// with its attempts, and the end of an operation with the user's OK.
#include "engine/UpdateEngine.h"
#include "StatusText.h"

#include <algorithm>

#include "data/FlashImage.h"
#include "data/UnitList.h"
#include "data/UnitRecord.h"
#include "engine/DirectPort.h"
#include "engine/OperationHost.h"
#include "platform/DynamicLibrary.h"
#include "platform/Paths.h"

namespace engine {

namespace {

constexpr std::int32_t kTicksPerSecond = 10;
constexpr auto kTick = std::chrono::milliseconds(100);
constexpr std::uint8_t kBootModeOn = 1;
constexpr std::uint8_t kBootModeOff = 0;
// Steps of the Total bar per image (erase, transfer, checksum, boot switch) and per operation.
constexpr std::int32_t kOverallStepsPerImage = 4;
constexpr std::int32_t kOverallStepsPerOperation = 2;

}  // namespace

UpdateEngine::UpdateEngine()
    : flashImage_(std::make_unique<data::FlashImage>()), directPort_(std::make_unique<DirectPort>()) {
    flashImage_->allocate(kImageBufferSize);
    retryCount_ = kDefaultRetryCount;
    retryTicks_ = kDefaultRetrySeconds * kTicksPerSecond;
}

UpdateEngine::~UpdateEngine() {
    // A worker still waiting for the user's OK, or inside a wait, ends at the
    // cancel signal; every wait passes it on.
    shuttingDown_ = true;
    if (worker_.joinable()) {
        status_.cancelEvent().signal();
        worker_.join();
    }
    closeInterface();
    directPort_->close();
}

void UpdateEngine::setTiming(data::UnitModel model, const data::UnitTiming& timing) {
    timings_[static_cast<std::size_t>(model)] = timing;
}

void UpdateEngine::setSettlePauses(std::chrono::milliseconds afterSuccess,
                                   std::chrono::milliseconds afterFailure) {
    settleAfterSuccess_ = afterSuccess;
    settleAfterFailure_ = afterFailure;
}

namespace {
std::int32_t storeTicks(std::atomic<std::int32_t>& ticks, std::int32_t seconds) {
    return ticks.exchange(seconds * kTicksPerSecond) / kTicksPerSecond;
}
}  // namespace

std::int32_t UpdateEngine::setRetryTime(std::int32_t seconds) {
    return storeTicks(retryTicks_, seconds);
}
std::int32_t UpdateEngine::setBootInTime(std::int32_t seconds) {
    return storeTicks(bootInTicks_, seconds);
}
std::int32_t UpdateEngine::setBootOutTime(std::int32_t seconds) {
    return storeTicks(bootOutTicks_, seconds);
}
std::int32_t UpdateEngine::setTimeoutTime(std::int32_t seconds) {
    return storeTicks(timeoutTicks_, seconds);
}

bool UpdateEngine::startOperation(data::OperationCode code, std::int32_t unitIndex, bool withStatusWindow) {
    if (unitList_ == nullptr || workerActive_.load()) {
        return false;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    status_.doneEvent().reset();
    status_.cancelEvent().reset();
    status_.setStatusText("");
    unitIndex_ = unitIndex;
    {
        std::lock_guard lock(stateMutex_);
        engineState_ = EngineState::Starting;
    }
    operationCode_ = code;
    withStatusWindow_ = withStatusWindow;
    workerActive_ = true;
    worker_ = std::thread([this] { runWorker(); });
    return true;
}

void UpdateEngine::waitUntilFinished() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void UpdateEngine::showMessage(const std::string& text, bool error) {
    // While the engine is being destroyed nobody may be left to acknowledge a box.
    if (host_ != nullptr && !shuttingDown_) {
        host_->showMessage(text, error ? core::MessageIcon::Stop : core::MessageIcon::Information);
    }
}

void UpdateEngine::setMainWindowEnabled(bool enabled) {
    if (host_ != nullptr && !shuttingDown_) {
        host_->setMainWindowEnabled(enabled);
    }
}

void UpdateEngine::chooseTiming(std::int32_t unitType) {
    data::UnitModel model = data::UnitModel::SRF7;
    switch (unitType & 0xFF) {
        case 1:
            model = data::UnitModel::ENG7;
            break;
        case 3:
            model = data::UnitModel::LIO7;
            break;
        case 2:
        case 4:
            model = data::UnitModel::XDG7;
            break;
        default:
            break;
    }
    const data::UnitTiming& timing = timings_[static_cast<std::size_t>(model)];
    bootInTicks_ = timing.bootIn * kTicksPerSecond;
    bootOutTicks_ = timing.bootOut * kTicksPerSecond;
    timeoutTicks_ = timing.timeout * kTicksPerSecond;
    retryTicks_ = timing.retryTime * kTicksPerSecond;
}

void UpdateEngine::runWorker() {
    {
        std::lock_guard lock(stateMutex_);
        engineState_ = EngineState::Running;
    }
    data::UnitRecord* unit = unitIndex_ >= 0 ? unitList_->unit(unitIndex_) : nullptr;
    chooseTiming(unit != nullptr ? unit->unitType() : 0);
    const bool directUnit = unit != nullptr && (unit->unitType() & 0xFF) == 2;

    lastResult_ = ResultCode::Ok;
    switch (operationCode_) {
        case data::OperationCode::Erase:
        case data::OperationCode::Write:
            if (!directUnit) {
                runEraseWriteLoop();
            } else {
                runDirectOperation(*unit);
            }
            break;
        case data::OperationCode::GetVersion:
        case data::OperationCode::GetAllVersions:
        case data::OperationCode::GetAllVersions2:
            if (directUnit) {
                lastResult_ = directGetVersion(*unit, true);
            } else {
                lastResult_ = getVersions();
            }
            break;
    }

    {
        std::lock_guard lock(stateMutex_);
        engineState_ = EngineState::Finished;
    }
    status_.cancelEvent().reset();
    workerActive_ = false;
}

void UpdateEngine::runDirectOperation(data::UnitRecord& unit) {
    compress_ = nullptr;
    decompress_ = nullptr;
    platform::DynamicLibrary library;
    if (library.load(compressionLibraryName_, platform::executableDirectory())) {
        compress_ = library.function<CompressFunction>("Compress");
        decompress_ = library.function<DecompressFunction>("Decompress");
    } else {
        showMessage(formatText("DLL Load Error (CODE:%08XH) %s",
                               static_cast<unsigned>(library.error().code()), library.error().text().c_str()),
                    true);
    }
    lastResult_ = directUpdate(unit);
    compress_ = nullptr;
    decompress_ = nullptr;
}

// ---- get version --------------------------------------------------------

ResultCode UpdateEngine::getVersions() {
    setMainWindowEnabled(false);
    const std::int32_t first = unitIndex_ >= 0 ? unitIndex_ : 0;
    const std::int32_t last = unitIndex_ >= 0 ? unitIndex_ : unitList_->count() - 1;
    ResultCode result = ResultCode::Ok;
    for (std::int32_t index = first; index <= last; ++index) {
        data::UnitRecord* unit = unitList_->unit(index);
        if (unit == nullptr) {
            continue;
        }
        currentUnit_ = unit;
        currentUnitType_ = unit->unitType() & 0xFF;
        unit->loadRows(data::initialRowSelection(writingPort_));
        // Every unit is read with the timing of its own model.
        chooseTiming(unit->unitType());
        if ((unit->unitType() & 0xFF) == 2) {
            result = directGetVersion(*unit, false);
        } else if (openInterface() != 0) {
            result = ResultCode::OpenFailed;
        } else {
            result = readUnitVersions(*unit);
            closeInterface();
        }
    }
    currentUnit_ = nullptr;
    finishGetVersion(result);
    return result;
}

void UpdateEngine::finishGetVersion(ResultCode result) {
    setMainWindowEnabled(true);
    if (result != ResultCode::Ok) {
        showMessage(result == ResultCode::TimedOut ? "Get Version - Timeout Error !"
                                                   : "Get Version - Error occured !",
                    true);
    }
    status_.doneEvent().signal();
}

namespace {
std::uint16_t versionWord(const std::array<std::uint8_t, host::kBufferSize>& reply) {
    return static_cast<std::uint16_t>((reply[0] << 8) | reply[1]);
}
}  // namespace

ResultCode UpdateEngine::readUnitVersions(data::UnitRecord& unit) {
    const std::uint8_t command = unit.readCommand();
    const std::int32_t type = unit.unitType() & 0xFF;
    const std::uint8_t rowTarget = (type == 3 || type == 4) ? host::kSegmentedTarget : defaultTarget_;

    if (unit.blockRead()) {
        targetAddress_ = rowTarget;
        ResultCode result =
            readExchange(RequestKind::BlockRead, command, unit.blockAddress(), unit.blockCount());
        if (result != ResultCode::Ok) {
            return result;
        }
        // One ID byte per row; bytes beyond the last row have no row to go to.
        const int idCount =
            std::min<int>({unit.blockCount(), unit.rowCount(), static_cast<int>(host::kBufferSize)});
        for (int i = 0; i < idCount; ++i) {
            unit.row(i)->setIdByte(replyBuffer_[static_cast<std::size_t>(i)]);
        }
        const std::uint8_t limit = type == 3 ? 4 : type == 4 ? 8 : 0;
        bool firstMerged = true;
        for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
            data::ImageRow& row = *unit.row(i);
            const std::uint8_t id = row.idByte();
            row.resetRomVersion();
            const bool skipped = id > limit || (type == 4 && id < 5);
            if (!skipped) {
                targetAddress_ = rowTarget;
                result = readExchange(RequestKind::VersionRead, command, row.versionAddress(), 2);
                if (result == ResultCode::Ok) {
                    row.setRomVersionWord(versionWord(replyBuffer_));
                    unit.mergeRowVersion(i, firstMerged);
                    firstMerged = false;
                }
            }
            row.setIdByte(0);
            row.forceSelected(true);
        }
        return result;
    }

    targetAddress_ = defaultTarget_;
    ResultCode result = readExchange(RequestKind::VersionRead, command, unit.versionAddress(), 2);
    if (result != ResultCode::Ok) {
        return result;
    }
    unit.setRomVersionWord(versionWord(replyBuffer_));
    if (operationCode_ == data::OperationCode::GetVersion) {
        for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
            data::ImageRow& row = *unit.row(i);
            row.resetRomVersion();
            targetAddress_ = rowTarget;
            result = readExchange(RequestKind::VersionRead, command, row.versionAddress(), 2);
            if (result == ResultCode::Ok) {
                row.setRomVersionWord(versionWord(replyBuffer_));
            }
        }
    }
    return result;
}

// ---- erase / write ------------------------------------------------------

bool UpdateEngine::waitTicksCancellable(std::int32_t ticks) {
    for (std::int32_t n = 0; n < ticks; ++n) {
        if (status_.cancelEvent().waitFor(kTick)) {
            status_.cancelEvent().signal();
            return false;
        }
    }
    return true;
}

void UpdateEngine::runCheckPass(std::int32_t first, std::int32_t last) {
    // The ID bytes can only be read through an open interface; the pass opens
    // it for itself and leaves it closed for the first attempt.
    if (openInterface() != 0) {
        return;
    }
    bool failed = false;
    for (std::int32_t index = first; index <= last && !failed; ++index) {
        data::UnitRecord* unit = unitList_->unit(index);
        if (unit == nullptr) {
            continue;
        }
        currentUnitType_ = unit->unitType() & 0xFF;
        for (int i = 0; i < unit->rowCount() && !failed; ++i) {
            data::ImageRow& row = *unit->row(i);
            if (!row.effectiveSelection() || row.idAddress() == data::ImageRow::kNoAddress) {
                continue;
            }
            targetAddress_ = defaultTarget_;
            if (readExchange(RequestKind::BlockRead, unit->readCommand(), row.idAddress(), 1) !=
                ResultCode::Ok) {
                failed = true;
                break;
            }
            row.setIdByte(replyBuffer_[0]);
        }
    }
    closeInterface();
}

ResultCode UpdateEngine::runBootChangeWait() {
    status_.advanceOverall(1);
    status_.setCurrentTotal(bootInTicks_.load());
    status_.setCurrentPos(0);
    status_.setTitle("");
    for (std::int32_t n = bootInTicks_.load(); n >= 1; --n) {
        if (n % kTicksPerSecond == 0) {
            status_.setStatusText(formatText("  BOOT Change Wait %d seconds", n / kTicksPerSecond));
        }
        if (status_.cancelEvent().waitFor(kTick)) {
            status_.cancelEvent().signal();
            requestReceiverStop();
            return ResultCode::Cancelled;
        }
        status_.advanceCurrent();
    }
    return ResultCode::Ok;
}

void UpdateEngine::runEraseWriteLoop() {
    setMainWindowEnabled(false);
    if (withStatusWindow_ && host_ != nullptr) {
        host_->showStatusWindow(status_);
    }
    const std::int32_t first = unitIndex_ >= 0 ? unitIndex_ : 0;
    const std::int32_t last = unitIndex_ >= 0 ? unitIndex_ : unitList_->count() - 1;
    for (std::int32_t index = first; index <= last; ++index) {
        if (data::UnitRecord* unit = unitList_->unit(index)) {
            unit->loadRows(data::initialRowSelection(writingPort_));
        }
    }

    if (checkBeforeWrite_ && !bootMode_ && writingPort_ == data::WritingPort::HostInterface) {
        runCheckPass(first, last);
    }
    std::int32_t selectedImages = 0;
    for (std::int32_t index = first; index <= last; ++index) {
        if (data::UnitRecord* unit = unitList_->unit(index)) {
            selectedImages += unit->countSelectedRows();
        }
    }
    status_.setOverallTotal(kOverallStepsPerImage * selectedImages + kOverallStepsPerOperation);
    status_.setOverallPos(0);

    const bool write = operationCode_ == data::OperationCode::Write;
    std::int32_t attempt = 1;
    std::int32_t retry = 0;
    std::int32_t unitCursor = first;
    ResultCode result = ResultCode::Ok;
    savedOverall_ = 0;
    do {
        sequenceError_ = ResultCode::Ok;
        status_.setErrorFlag(false);
        status_.setFinishedFlag(false);
        result = ResultCode::Ok;
        if (openInterface() != 0) {
            result = ResultCode::OpenFailed;
            break;
        }
        status_.setCurrentTotal(0);
        status_.setCurrentPos(0);

        bool anythingDone = false;
        for (; unitCursor <= last && result == ResultCode::Ok; ++unitCursor) {
            data::UnitRecord* unit = unitList_->unit(unitCursor);
            if (unit == nullptr) {
                continue;
            }
            currentUnit_ = unit;
            const std::int32_t type = unit->unitType() & 0xFF;
            currentUnitType_ = type;
            if (writingPort_ == data::WritingPort::CardDirect) {
                pcAddress_ = unit->ownAddressSetting();
            }
            bool unitDone = false;
            if (type == 3 && writingPort_ == data::WritingPort::HostInterface) {
                result = runSegmentedUnit(*unit, false, unitDone);
            } else if (type == 4) {
                result = runSegmentedUnit(*unit, true, unitDone);
            } else {
                for (int i = 0; i < unit->rowCount() && result == ResultCode::Ok; ++i) {
                    data::ImageRow& row = *unit->row(i);
                    if (!row.effectiveSelection()) {
                        continue;
                    }
                    unitDone = true;
                    if (!bootMode_) {
                        status_.setCancelEnabled(false);
                        bootMode_ = true;
                        host::Buffer message;
                        send(message,
                             host::buildBootBroadcast(message, host::kCommandSegmented, kBootModeOn));
                        send(message,
                             host::buildBootBroadcast(message, host::kCommandSegmented, kBootModeOff));
                        result = runBootChangeWait();
                        status_.setCancelEnabled(true);
                        if (result != ResultCode::Ok) {
                            break;
                        }
                    }
                    savedOverall_ = status_.overallPos();
                    result = runGenericSequence(*unit, row);
                }
            }
            // A unit in which this attempt wrote nothing keeps the text of the
            // attempt that last worked on it.
            if (unitDone) {
                unit->setResultText(write ? std::string(resultText(result)) : std::string());
            }
            anythingDone = anythingDone || unitDone;
            if (result != ResultCode::Ok) {
                break;
            }
        }

        if (!anythingDone && result == ResultCode::Ok) {
            status_.setErrorFlag(true);
            status_.setStatusText("No anyting !!!");
            break;
        }
        if (result == ResultCode::Ok) {
            status_.setErrorFlag(false);
            status_.setStatusText(completedText(write, retry));
            break;
        }
        if (result == ResultCode::Cancelled) {
            break;
        }
        if (result == ResultCode::WrongTarget) {
            --attempt;
            --retry;
        } else {
            status_.setErrorFlag(true);
            if (result == ResultCode::TimedOut) {
                if (retry >= retryCount_.load() - 1) {
                    status_.setStatusText("Retry TimeOut !!!");
                    break;
                }
                status_.setStatusText(formatText("Time Out - Failed(%d)", attempt));
            }
            status_.setOverallPos(std::min(savedOverall_, status_.overallTotal()));
        }
        closeInterface();
        if (!waitTicksCancellable(retryTicks_.load())) {
            result = ResultCode::Cancelled;
            break;
        }
        ++retry;
        ++attempt;
    } while (retry < retryCount_.load());

    status_.setCancelEnabled(false);
    status_.setFinishedFlag(true);
    if (interfaceOpen_ || bootMode_) {
        if (bootMode_) {
            openInterface();
            host::Buffer message;
            send(message, host::buildBootBroadcast(message, host::kCommandBootLeave, kBootModeOff));
            bootMode_ = false;
            waitTicksCancellable(bootOutTicks_.load());
        }
        closeInterface();
    }
    lastResult_ = result;
    finishAndAwaitOk();
}

void UpdateEngine::finishAndAwaitOk() {
    status_.fillBars();
    status_.setCancelEnabled(true);
    status_.doneEvent().signal();
    if (host_ != nullptr && !shuttingDown_) {
        host_->requestFinalOk(status_);
    } else {
        status_.cancelEvent().signal();
    }
    status_.cancelEvent().wait();
    status_.cancelEvent().signal();
    status_.reset();
    setMainWindowEnabled(true);
    currentUnit_ = nullptr;
}

}  // namespace engine
