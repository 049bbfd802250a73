// The operation worker: the start of an operation, the choice of timing,
// the dispatch on the operation code, get version, the erase/write attempts
// of the host-interface and the direct path, and the end of an operation
// with the user's OK.
#include "engine/UpdateEngine.h"

#include <algorithm>

#include "Attempts.h"
#include "DirectLink.h"
#include "DirectPath.h"
#include "HostLink.h"
#include "HostWritePath.h"
#include "Operation.h"
#include "StatusText.h"
#include "Ticks.h"
#include "data/FlashImage.h"
#include "data/UnitList.h"
#include "data/UnitRecord.h"
#include "engine/DirectPort.h"
#include "platform/DynamicLibrary.h"
#include "platform/NetworkPortName.h"
#include "platform/Paths.h"

namespace engine {

// What an operation works with beyond the status and the control: the
// operation as asked for, the image buffer, the two links and whether the
// console is in boot mode. Only the worker thread touches it.
struct UpdateEngine::Parts {
    explicit Parts(UpdateEngine& engine)
        : link(engine.control_, engine.frontEnd_),
          direct(directPort, operation.comm, engine.status_),
          context{operation, engine.status_, engine.control_, engine.frontEnd_, link, image, bootMode} {
        image.allocate(kImageBufferSize);
    }

    Operation operation;
    data::FlashImage image;
    bool bootMode = false;
    HostLink link;
    DirectPort directPort;
    DirectLink direct;
    OperationContext context;
};

UpdateEngine::UpdateEngine() : parts_(std::make_unique<Parts>(*this)) {
    retryTicks_ = kDefaultRetrySeconds * kTicksPerSecond;
}

UpdateEngine::~UpdateEngine() {
    // Nobody is asked any more; a worker still in a wait or waiting for the
    // OK is let go.
    frontEnd_ = &nobody_;
    if (worker_.joinable()) {
        control_.cancel();
        control_.giveOk();
        worker_.join();
    }
    parts_->link.close();
    parts_->directPort.endConnection();
}

void UpdateEngine::setFrontEnd(FrontEnd* frontEnd) {
    frontEnd_ = frontEnd != nullptr ? frontEnd : &nobody_;
}

void UpdateEngine::setInterfaceApi(const core::InterfaceApi* api) {
    parts_->link.setInterfaceApi(api);
}

const DirectPort& UpdateEngine::directPort() const {
    return parts_->directPort;
}

void UpdateEngine::setTiming(data::UnitModel model, const data::UnitTiming& timing) {
    timings_[static_cast<std::size_t>(model)] = timing;
}

std::int32_t UpdateEngine::setRetryTime(std::int32_t seconds) {
    return retryTicks_.exchange(seconds * kTicksPerSecond) / kTicksPerSecond;
}

void UpdateEngine::setSettlePauses(std::chrono::milliseconds afterSuccess,
                                   std::chrono::milliseconds afterFailure) {
    settleAfterSuccess_ = afterSuccess;
    settleAfterFailure_ = afterFailure;
}

bool UpdateEngine::startOperation(data::OperationCode code, std::int32_t unitIndex, bool withStatusWindow) {
    if (unitList_ == nullptr || workerActive_.load()) {
        return false;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    control_.reset();
    doneReported_ = false;
    status_.setStatusText("");
    Operation& operation = parts_->operation;
    operation = Operation{};
    operation.code = code;
    operation.unitIndex = unitIndex;
    operation.withStatusWindow = withStatusWindow;
    operation.units = unitList_;
    operation.writingPort = writingPort_;
    operation.comm = comm_;
    operation.defaultTarget = defaultTarget_;
    operation.checkBeforeWrite = checkBeforeWrite_;
    operation.timings = timings_;
    operation.settleAfterSuccess = settleAfterSuccess_;
    operation.settleAfterFailure = settleAfterFailure_;
    workerActive_ = true;
    worker_ = std::thread([this] { runWorker(); });
    return true;
}

bool UpdateEngine::pollDone() {
    return control_.isDone() && !doneReported_.exchange(true);
}

void UpdateEngine::waitUntilFinished() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void UpdateEngine::chooseTiming(data::UnitModel model) {
    Operation& operation = parts_->operation;
    const data::UnitTiming& timing = operation.timings[static_cast<std::size_t>(model)];
    operation.ticks.bootIn = timing.bootIn * kTicksPerSecond;
    operation.ticks.bootOut = timing.bootOut * kTicksPerSecond;
    operation.ticks.timeout = timing.timeout * kTicksPerSecond;
    parts_->link.setTimeoutTicks(operation.ticks.timeout);
    retryTicks_ = timing.retryTime * kTicksPerSecond;
}

void UpdateEngine::runWorker() {
    const Operation& operation = parts_->operation;
    data::UnitRecord* unit = operation.unitIndex >= 0 ? unitList_->unit(operation.unitIndex) : nullptr;
    chooseTiming(unit != nullptr ? unit->timingModel() : data::UnitModel::SRF7);
    const bool directUnit = unit != nullptr && unit->kind() == data::UnitKind::Direct;
    noteLineThatCannotBeSet(directUnit);

    lastResult_ = ResultCode::Ok;
    switch (operation.code) {
        case data::OperationCode::Erase:
        case data::OperationCode::Write:
            if (directUnit) {
                runDirectUpdate(*unit);
            } else {
                runHostUpdate();
            }
            break;
        case data::OperationCode::GetVersion:
        case data::OperationCode::GetAllVersions:
        case data::OperationCode::GetAllVersions2:
            lastResult_ = directUnit ? getDirectVersion(*unit) : getVersions();
            break;
    }
    workerActive_ = false;
}

void UpdateEngine::noteLineThatCannotBeSet(bool directUnit) {
    const Operation& operation = parts_->operation;
    if (!platform::isNetworkPortName(operation.comm.deviceName)) {
        return;
    }
    const platform::NetworkPortNameParse port = platform::parseNetworkPortName(operation.comm.deviceName);
    if (!port.port || port.port->protocol != platform::NetworkProtocol::RawTcp) {
        return;
    }
    // Which lines this operation needs: the boot loaders' for a type-2 unit,
    // the host interface's for the others, both when all units are read.
    bool host = !directUnit;
    bool direct = directUnit;
    if (operation.unitIndex < 0) {
        for (std::int32_t index = operation.firstUnit(); index <= operation.lastUnit(); ++index) {
            const data::UnitRecord* each = unitList_->unit(index);
            if (each != nullptr) {
                (each->kind() == data::UnitKind::Direct ? direct : host) = true;
            }
        }
    }
    std::string needed;
    if (host) {
        needed = std::to_string(operation.comm.baudRate) + " baud 8N2 with DTR and RTS on (host interface)";
    }
    if (direct) {
        needed += std::string(host ? " and " : "") + std::to_string(DirectPort::kBaudRate) +
                  " baud 8N1 (boot loader)";
    }
    frontEnd_.load()->showNotice(
        port.port->text +
        " carries bytes only: the line stays as the server sets it, and this operation needs " + needed);
}

// ---- erase and write --------------------------------------------------------

void UpdateEngine::runHostUpdate() {
    HostWritePath path(parts_->context);
    runUpdate(path);
}

void UpdateEngine::runDirectUpdate(data::UnitRecord& unit) {
    // The compression library is bound for this write only.
    CompressionFunctions compression;
    platform::DynamicLibrary library;
    if (const platform::Result<void> loaded =
            library.load(compressionLibraryName_, platform::executableDirectory())) {
        compression.compress = library.function<CompressionFunctions::Compress>("Compress").valueOr(nullptr);
        compression.decompress =
            library.function<CompressionFunctions::Decompress>("Decompress").valueOr(nullptr);
    } else {
        frontEnd_.load()->showMessage(
            formatText("DLL Load Error (CODE:%08XH) %s", static_cast<unsigned>(loaded.error().code()),
                       loaded.error().text().c_str()),
            core::MessageIcon::Stop);
    }
    parts_->direct.setCompression(compression);
    DirectPath path(parts_->context, parts_->direct, unit);
    runUpdate(path);
    parts_->directPort.endConnection();
    parts_->direct.setCompression({});
}

void UpdateEngine::runUpdate(UpdatePath& path) {
    FrontEnd& user = *frontEnd_.load();
    user.setMainWindowEnabled(false);
    if (parts_->operation.withStatusWindow) {
        user.showStatusWindow(status_, control_);
    }
    path.prepare();
    AttemptRunner runner(status_, control_,
                         {retryCount_.load(), retryTicks_.load(), parts_->operation.writes()});
    const ResultCode result = runner.run(path);
    status_.setCancelEnabled(false);
    status_.setFinishedFlag(true);
    path.finish();
    lastResult_ = result;
    finishAndAwaitOk();
}

void UpdateEngine::finishAndAwaitOk() {
    status_.fillBars();
    status_.setCancelEnabled(true);
    control_.signalDone();
    // Nobody to ask (no window, no front end): the OK is given at once.
    if (!frontEnd_.load()->askForOk(status_)) {
        control_.giveOk();
    }
    control_.waitForOk();
    status_.reset();
    frontEnd_.load()->setMainWindowEnabled(true);
}

// ---- get version --------------------------------------------------------------

ResultCode UpdateEngine::getVersions() {
    const Operation& operation = parts_->operation;
    frontEnd_.load()->setMainWindowEnabled(false);
    ResultCode result = ResultCode::Ok;
    for (std::int32_t index = operation.firstUnit(); index <= operation.lastUnit(); ++index) {
        data::UnitRecord* unit = unitList_->unit(index);
        if (unit == nullptr) {
            continue;
        }
        unit->loadRows(data::initialRowSelection(operation.writingPort));
        // Every unit is read with the timing of its own model.
        chooseTiming(unit->timingModel());
        result = readVersionsOf(*unit);
    }
    finishGetVersion(result);
    return result;
}

ResultCode UpdateEngine::getDirectVersion(data::UnitRecord& unit) {
    frontEnd_.load()->setMainWindowEnabled(false);
    unit.loadRows(data::initialRowSelection(parts_->operation.writingPort));
    const ResultCode result = DirectPath(parts_->context, parts_->direct, unit).readVersions();
    parts_->directPort.endConnection();
    finishGetVersion(result);
    return result;
}

void UpdateEngine::finishGetVersion(ResultCode result) {
    FrontEnd& user = *frontEnd_.load();
    user.setMainWindowEnabled(true);
    if (result != ResultCode::Ok) {
        user.showMessage(result == ResultCode::TimedOut ? "Get Version - Timeout Error !"
                                                        : "Get Version - Error occured !",
                         core::MessageIcon::Stop);
    }
    control_.signalDone();
}

ResultCode UpdateEngine::readVersionsOf(data::UnitRecord& unit) {
    if (unit.kind() == data::UnitKind::Direct) {
        // The boot loader's connection is given up before the next unit's
        // interface takes the same server port.
        const ResultCode result = DirectPath(parts_->context, parts_->direct, unit).readVersions();
        parts_->directPort.endConnection();
        return result;
    }
    HostLink& link = parts_->link;
    if (link.open(parts_->operation.comm, parts_->operation.writingPort) != 0) {
        return ResultCode::OpenFailed;
    }
    const ResultCode result = unit.blockRead() ? readBlockVersions(unit) : readWordVersions(unit);
    link.close();
    return result;
}

namespace {

constexpr std::uint16_t kVersionWordLength = 2;
// A block read also takes the answer to a 4-byte-address read; a version read does not.
constexpr bool kBlockRead = true;
constexpr bool kVersionRead = false;

std::uint16_t versionWord(std::span<const std::uint8_t> reply) {
    return static_cast<std::uint16_t>((reply[0] << 8) | reply[1]);
}

// Rows of a block-read unit whose ID byte is above its kind's limit have no version to read.
bool hasNoVersion(data::UnitKind kind, std::uint8_t id) {
    switch (kind) {
        case data::UnitKind::Type3:
            return id > 4;
        case data::UnitKind::Type4:
            return id > 8 || id < 5;
        default:
            return id > 0;
    }
}

// Type-3 and type-4 units answer at 0x13 for their rows.
std::uint8_t rowTarget(data::UnitKind kind, std::uint8_t defaultTarget) {
    const bool segmented = kind == data::UnitKind::Type3 || kind == data::UnitKind::Type4;
    return segmented ? host::kSegmentedTarget : defaultTarget;
}

}  // namespace

ResultCode UpdateEngine::readBlockVersions(data::UnitRecord& unit) {
    HostLink& link = parts_->link;
    const std::uint8_t target = rowTarget(unit.kind(), parts_->operation.defaultTarget);
    ResultCode result =
        link.read(target, unit.readCommand(), unit.blockAddress(), unit.blockCount(), kBlockRead);
    if (result != ResultCode::Ok) {
        return result;
    }
    // One ID byte per row; bytes beyond the last row have no row to go to.
    const int idCount =
        std::min<int>({unit.blockCount(), unit.rowCount(), static_cast<int>(host::kBufferSize)});
    for (int i = 0; i < idCount; ++i) {
        unit.row(i)->setIdByte(link.reply()[static_cast<std::size_t>(i)]);
    }
    bool firstMerged = true;
    for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
        data::ImageRow& row = *unit.row(i);
        const std::uint8_t id = row.idByte();
        row.resetRomVersion();
        if (!hasNoVersion(unit.kind(), id)) {
            result =
                link.read(target, unit.readCommand(), row.versionAddress(), kVersionWordLength, kVersionRead);
            if (result == ResultCode::Ok) {
                row.setRomVersionWord(versionWord(link.reply()));
                unit.mergeRowVersion(i, firstMerged);
                firstMerged = false;
            }
        }
        row.setIdByte(0);
        row.forceSelected(true);
    }
    return result;
}

ResultCode UpdateEngine::readWordVersions(data::UnitRecord& unit) {
    HostLink& link = parts_->link;
    const Operation& operation = parts_->operation;
    ResultCode result = link.read(operation.defaultTarget, unit.readCommand(), unit.versionAddress(),
                                  kVersionWordLength, kVersionRead);
    if (result != ResultCode::Ok) {
        return result;
    }
    unit.setRomVersionWord(versionWord(link.reply()));
    if (operation.code != data::OperationCode::GetVersion) {
        return result;
    }
    // Get version of one unit reads its images too.
    const std::uint8_t target = rowTarget(unit.kind(), operation.defaultTarget);
    for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
        data::ImageRow& row = *unit.row(i);
        row.resetRomVersion();
        result =
            link.read(target, unit.readCommand(), row.versionAddress(), kVersionWordLength, kVersionRead);
        if (result == ResultCode::Ok) {
            row.setRomVersionWord(versionWord(link.reply()));
        }
    }
    return result;
}

}  // namespace engine
