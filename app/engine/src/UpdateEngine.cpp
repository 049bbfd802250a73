// The operation worker: the start of an operation, the choice of timing,
// the dispatch on the operation code, get version, the erase/write attempts
// of the host-interface and the direct path, and the end of an operation
// with the user's OK.
#include "engine/UpdateEngine.h"

#include <algorithm>

#include "StatusText.h"
#include "Ticks.h"
#include "data/FlashImage.h"
#include "data/UnitList.h"
#include "data/UnitRecord.h"
#include "engine/AttemptRunner.h"
#include "engine/DirectLink.h"
#include "engine/DirectPath.h"
#include "engine/DirectPort.h"
#include "engine/GenericSequence.h"
#include "engine/HostLink.h"
#include "engine/HostWritePath.h"
#include "engine/ReplyDispatcher.h"
#include "engine/Type3Sequence.h"
#include "engine/Type4Sequence.h"
#include "platform/DynamicLibrary.h"
#include "platform/NetworkPortName.h"
#include "platform/Paths.h"

namespace engine {

// The engine's parts: the host-interface link with the sequences whose
// replies it dispatches, and the link to the boot loaders.
struct UpdateEngine::Parts {
    explicit Parts(UpdateEngine& engine)
        : link(engine.status_, engine.frontEnd_, dispatcher),
          context{engine.operation_, engine.status_,  engine.frontEnd_, link,
                  *engine.image_,    engine.bootMode_},
          generic(context),
          type3(context),
          type4(context),
          dispatcher(generic, type3, type4),
          direct(*engine.directPort_, engine.operation_.comm, engine.status_) {}

    HostLink link;
    OperationContext context;
    GenericSequence generic;
    Type3Sequence type3;
    Type4Sequence type4;
    ReplyDispatcher dispatcher;
    DirectLink direct;
};

UpdateEngine::UpdateEngine()
    : image_(std::make_unique<data::FlashImage>()), directPort_(std::make_unique<DirectPort>()) {
    image_->allocate(kImageBufferSize);
    retryTicks_ = kDefaultRetrySeconds * kTicksPerSecond;
    parts_ = std::make_unique<Parts>(*this);
}

UpdateEngine::~UpdateEngine() {
    // A worker still waiting for the user's OK, or inside a wait, ends at the
    // cancel signal; every wait passes it on.
    frontEnd_.beginShutdown();
    if (worker_.joinable()) {
        status_.cancelEvent().signal();
        worker_.join();
    }
    parts_->link.close();
    directPort_->endConnection();
}

void UpdateEngine::setInterfaceApi(const core::InterfaceApi* api) {
    parts_->link.setInterfaceApi(api);
}

void UpdateEngine::setTiming(data::UnitModel model, const data::UnitTiming& timing) {
    timings_[static_cast<std::size_t>(model)] = timing;
}

std::int32_t UpdateEngine::setRetryTime(std::int32_t seconds) {
    return retryTicks_.exchange(seconds * kTicksPerSecond) / kTicksPerSecond;
}

void UpdateEngine::setSettlePauses(std::chrono::milliseconds afterSuccess,
                                   std::chrono::milliseconds afterFailure) {
    parts_->type3.setSettlePauses(afterSuccess, afterFailure);
    parts_->type4.setSettlePauses(afterSuccess, afterFailure);
}

bool UpdateEngine::startOperation(data::OperationCode code, std::int32_t unitIndex, bool withStatusWindow) {
    if (unitList_ == nullptr || workerActive_.load()) {
        return false;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    status_.doneEvent().reset();
    doneReported_ = false;
    status_.cancelEvent().reset();
    status_.setStatusText("");
    operation_ = Operation{};
    operation_.code = code;
    operation_.unitIndex = unitIndex;
    operation_.withStatusWindow = withStatusWindow;
    operation_.units = unitList_;
    operation_.writingPort = writingPort_;
    operation_.comm = comm_;
    operation_.defaultTarget = defaultTarget_;
    operation_.checkBeforeWrite = checkBeforeWrite_;
    operation_.timings = timings_;
    parts_->dispatcher.setWritingPort(writingPort_);
    parts_->link.setSequenceErrorsEndWaits(operation_.changesFlash());
    workerActive_ = true;
    worker_ = std::thread([this] { runWorker(); });
    return true;
}

bool UpdateEngine::pollDone() {
    return status_.doneEvent().isSignalled() && !doneReported_.exchange(true);
}

void UpdateEngine::waitUntilFinished() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void UpdateEngine::chooseTiming(data::UnitModel model) {
    const data::UnitTiming& timing = operation_.timings[static_cast<std::size_t>(model)];
    operation_.ticks.bootIn = timing.bootIn * kTicksPerSecond;
    operation_.ticks.bootOut = timing.bootOut * kTicksPerSecond;
    operation_.ticks.timeout = timing.timeout * kTicksPerSecond;
    parts_->link.setTimeoutTicks(operation_.ticks.timeout);
    retryTicks_ = timing.retryTime * kTicksPerSecond;
}

void UpdateEngine::runWorker() {
    data::UnitRecord* unit = operation_.unitIndex >= 0 ? unitList_->unit(operation_.unitIndex) : nullptr;
    chooseTiming(unit != nullptr ? unit->timingModel() : data::UnitModel::SRF7);
    const bool directUnit = unit != nullptr && unit->kind() == data::UnitKind::Direct;
    noteLineThatCannotBeSet(directUnit);

    lastResult_ = ResultCode::Ok;
    switch (operation_.code) {
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
    status_.cancelEvent().reset();
    workerActive_ = false;
}

void UpdateEngine::noteLineThatCannotBeSet(bool directUnit) {
    if (!platform::isNetworkPortName(operation_.comm.deviceName)) {
        return;
    }
    const platform::NetworkPortNameParse port = platform::parseNetworkPortName(operation_.comm.deviceName);
    if (!port.port || port.port->protocol != platform::NetworkProtocol::RawTcp) {
        return;
    }
    // Which lines this operation needs: the boot loaders' for a type-2 unit,
    // the host interface's for the others, both when all units are read.
    bool host = !directUnit;
    bool direct = directUnit;
    if (operation_.unitIndex < 0) {
        for (std::int32_t index = operation_.firstUnit(); index <= operation_.lastUnit(); ++index) {
            const data::UnitRecord* each = unitList_->unit(index);
            if (each != nullptr) {
                (each->kind() == data::UnitKind::Direct ? direct : host) = true;
            }
        }
    }
    std::string needed;
    if (host) {
        needed = std::to_string(operation_.comm.baudRate) + " baud 8N2 with DTR and RTS on (host interface)";
    }
    if (direct) {
        needed += std::string(host ? " and " : "") + std::to_string(DirectPort::kBaudRate) +
                  " baud 8N1 (boot loader)";
    }
    frontEnd_.showNotice(
        port.port->text +
        " carries bytes only: the line stays as the server sets it, and this operation needs " + needed);
}

// ---- erase and write --------------------------------------------------------

void UpdateEngine::runHostUpdate() {
    HostWritePath path(parts_->context, {parts_->generic, parts_->type3, parts_->type4}, parts_->dispatcher);
    runUpdate(path);
}

void UpdateEngine::runDirectUpdate(data::UnitRecord& unit) {
    parts_->dispatcher.setUnitKind(unit.kind());
    // The compression library is bound for this write only.
    CompressionFunctions compression;
    platform::DynamicLibrary library;
    if (const platform::Result<void> loaded =
            library.load(compressionLibraryName_, platform::executableDirectory())) {
        compression.compress = library.function<CompressionFunctions::Compress>("Compress").valueOr(nullptr);
        compression.decompress =
            library.function<CompressionFunctions::Decompress>("Decompress").valueOr(nullptr);
    } else {
        frontEnd_.showMessage(
            formatText("DLL Load Error (CODE:%08XH) %s", static_cast<unsigned>(loaded.error().code()),
                       loaded.error().text().c_str()),
            true);
    }
    parts_->direct.setCompression(compression);
    DirectPath path(parts_->context, parts_->direct, unit);
    runUpdate(path);
    directPort_->endConnection();
    parts_->direct.setCompression({});
}

void UpdateEngine::runUpdate(UpdatePath& path) {
    frontEnd_.setMainWindowEnabled(false);
    if (operation_.withStatusWindow) {
        frontEnd_.showStatusWindow(status_);
    }
    path.prepare();
    AttemptRunner runner(status_, {retryCount_.load(), retryTicks_.load(), operation_.writes()});
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
    status_.doneEvent().signal();
    frontEnd_.requestFinalOk(status_);
    status_.cancelEvent().wait();
    status_.cancelEvent().signal();
    status_.reset();
    frontEnd_.setMainWindowEnabled(true);
}

// ---- get version --------------------------------------------------------------

ResultCode UpdateEngine::getVersions() {
    frontEnd_.setMainWindowEnabled(false);
    ResultCode result = ResultCode::Ok;
    for (std::int32_t index = operation_.firstUnit(); index <= operation_.lastUnit(); ++index) {
        data::UnitRecord* unit = unitList_->unit(index);
        if (unit == nullptr) {
            continue;
        }
        parts_->dispatcher.setUnitKind(unit->kind());
        unit->loadRows(data::initialRowSelection(operation_.writingPort));
        // Every unit is read with the timing of its own model.
        chooseTiming(unit->timingModel());
        result = readVersionsOf(*unit);
    }
    finishGetVersion(result);
    return result;
}

ResultCode UpdateEngine::getDirectVersion(data::UnitRecord& unit) {
    frontEnd_.setMainWindowEnabled(false);
    unit.loadRows(data::initialRowSelection(operation_.writingPort));
    const ResultCode result = DirectPath(parts_->context, parts_->direct, unit).readVersions();
    directPort_->endConnection();
    finishGetVersion(result);
    return result;
}

void UpdateEngine::finishGetVersion(ResultCode result) {
    frontEnd_.setMainWindowEnabled(true);
    if (result != ResultCode::Ok) {
        frontEnd_.showMessage(result == ResultCode::TimedOut ? "Get Version - Timeout Error !"
                                                             : "Get Version - Error occured !",
                              true);
    }
    status_.doneEvent().signal();
}

ResultCode UpdateEngine::readVersionsOf(data::UnitRecord& unit) {
    if (unit.kind() == data::UnitKind::Direct) {
        // The boot loader's connection is given up before the next unit's
        // interface takes the same server port.
        const ResultCode result = DirectPath(parts_->context, parts_->direct, unit).readVersions();
        directPort_->endConnection();
        return result;
    }
    HostLink& link = parts_->link;
    if (link.open(operation_.comm, operation_.writingPort) != 0) {
        return ResultCode::OpenFailed;
    }
    const ResultCode result = unit.blockRead() ? readBlockVersions(unit) : readWordVersions(unit);
    link.close();
    return result;
}

namespace {

constexpr std::uint16_t kVersionWordLength = 2;

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
    const std::uint8_t target = rowTarget(unit.kind(), operation_.defaultTarget);
    link.setTarget(target);
    ResultCode result =
        link.readExchange(RequestKind::BlockRead, unit.readCommand(), unit.blockAddress(), unit.blockCount());
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
            link.setTarget(target);
            result = link.readExchange(RequestKind::VersionRead, unit.readCommand(), row.versionAddress(),
                                       kVersionWordLength);
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
    link.setTarget(operation_.defaultTarget);
    ResultCode result = link.readExchange(RequestKind::VersionRead, unit.readCommand(), unit.versionAddress(),
                                          kVersionWordLength);
    if (result != ResultCode::Ok) {
        return result;
    }
    unit.setRomVersionWord(versionWord(link.reply()));
    if (operation_.code != data::OperationCode::GetVersion) {
        return result;
    }
    // Get version of one unit reads its images too.
    const std::uint8_t target = rowTarget(unit.kind(), operation_.defaultTarget);
    for (int i = 0; i < unit.rowCount() && result == ResultCode::Ok; ++i) {
        data::ImageRow& row = *unit.row(i);
        row.resetRomVersion();
        link.setTarget(target);
        result = link.readExchange(RequestKind::VersionRead, unit.readCommand(), row.versionAddress(),
                                   kVersionWordLength);
        if (result == ResultCode::Ok) {
            row.setRomVersionWord(versionWord(link.reply()));
        }
    }
    return result;
}

}  // namespace engine
