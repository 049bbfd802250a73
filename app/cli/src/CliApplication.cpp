#include "cli/CliApplication.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/ImageReader.h"
#include "cli/PortFailureReason.h"
#include "cli/UnitSnapshotReader.h"
#include "core/StartupCore.h"
#include "data/CDIAGDoc.h"
#include "data/FlashImage.h"
#include "engine/UpdateEngine.h"
#include "platform/InterruptGuard.h"
#include "platform/Paths.h"
#include "platform/PlainText.h"
#include "platform/TextFile.h"

namespace cli {

namespace {

// How often a running operation is looked at: fast enough for a smooth
// display and a prompt reaction to Ctrl+C.
constexpr std::chrono::milliseconds kPollPeriod{20};

constexpr std::uint8_t kConnectionPointSRF7 = 0x00;
constexpr std::uint8_t kConnectionPointENG7 = 0x10;
constexpr std::int32_t kCardDirectBaudRate = 38400;

// A name matches exactly, or else without regard to case when only one does.
template <typename NameOf>
std::optional<int> findByName(int count, const std::string& wanted, NameOf nameOf) {
    std::optional<int> caseless;
    int caselessCount = 0;
    for (int index = 0; index < count; ++index) {
        const std::string& name = nameOf(index);
        if (name == wanted) {
            return index;
        }
        if (platform::equalsIgnoringCase(name, wanted)) {
            caseless = index;
            ++caselessCount;
        }
    }
    return caselessCount == 1 ? caseless : std::nullopt;
}

// Values from the command line and from files, as they appear in messages.
std::string shown(const std::string& value) {
    return platform::shortenedForMessage(value);
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string joined;
    for (const auto& name : names) {
        joined += (joined.empty() ? "" : ", ") + name;
    }
    return joined.empty() ? "none" : platform::shortenedForMessage(joined, 4 * platform::kMessageValueLimit);
}

// Why a file named on the command line will not be read, or nothing when
// it looks readable; a missing file is said without a reason.
std::optional<std::string> unreadableReason(const std::string& path) {
    const platform::TextFileContent found = platform::TextFile::check(path);
    if (found.ok()) {
        return std::nullopt;
    }
    return found.error == platform::TextFileError::Missing ? std::string() : ": " + found.reason();
}

// A path given on the command line is taken relative to the directory the
// program was started in, before start-up moves to the data root.
std::string absoluteFromStartDirectory(const std::string& path) {
    if (platform::isAbsolutePath(path)) {
        return path;
    }
    return platform::joinPath(platform::currentDirectory(), path);
}

}  // namespace

CliApplication::CliApplication(CliOptions options, std::ostream& out, std::ostream& err,
                               ProgressDisplay::Style progressStyle)
    : options_(std::move(options)),
      out_(out),
      err_(err),
      display_(out, err, options_.json ? ProgressDisplay::Style::Silent : progressStyle),
      host_(display_) {}

CliApplication::~CliApplication() {
    shutDown();
}

int CliApplication::usageFailure(const std::string& reason) {
    err_ << "flashkit-cli: " << reason << std::endl;
    return kExitBadInput;
}

void CliApplication::printJson(const nlohmann::ordered_json& object) {
    out_ << ReportFormatter::jsonText(object) << std::endl;
}

int CliApplication::run() {
    switch (options_.command) {
        case CommandKind::Image:
            return runImage();
        case CommandKind::Ports:
            return runPorts();
        case CommandKind::Units:
            return runUnits();
        case CommandKind::GetVersion:
        case CommandKind::Write:
        case CommandKind::Erase:
            return runOperation();
    }
    return kExitBadInput;
}

int CliApplication::runImage() {
    const ImageSummary summary =
        ImageReader::summarize(options_.imageFile, options_.imageBase, options_.imageWindow, options_.clip);
    if (options_.json) {
        printJson(ReportFormatter::imageJson(summary));
    } else if (summary.error.empty()) {
        ReportFormatter::printImage(out_, summary);
    }
    if (!summary.error.empty()) {
        err_ << "flashkit-cli: " << shown(options_.imageFile) << ": " << summary.error;
        if (!summary.detail.empty()) {
            err_ << " (" << summary.detail << ")";
        }
        err_ << std::endl;
        return kExitBadInput;
    }
    return kExitSuccess;
}

bool CliApplication::startUp() {
    core::StartupOptions startupOptions;
    startupOptions.useInstanceGuard = false;
    if (options_.iniFile) {
        // A settings file named here must be read: missing or unreadable
        // is bad input, never the defaults.
        const std::string path = absoluteFromStartDirectory(*options_.iniFile);
        if (const auto reason = unreadableReason(path)) {
            usageFailure("cannot read the settings file " + shown(*options_.iniFile) + *reason);
            return false;
        }
        startupOptions.settingsPath = path;
    }
    if (options_.listFile) {
        listPath_ = absoluteFromStartDirectory(*options_.listFile);
        if (const auto reason = unreadableReason(listPath_)) {
            usageFailure("cannot open the unit list " + shown(*options_.listFile) + *reason);
            return false;
        }
    }

    startupOptions.portLeftOut = [this](const core::RejectedPort& port) {
        err_ << "flashkit-cli: " << port.leftOutText() << std::endl;
    };

    core_ = std::make_unique<core::StartupCore>(startupOptions);
    if (core_->start(host_) != core::StartupStatus::Ready) {
        return false;
    }
    if (options_.port) {
        const auto& ports = core_->ports().names();
        if (std::find(ports.begin(), ports.end(), *options_.port) == ports.end()) {
            usageFailure("--port " + shown(*options_.port) +
                         " is not a usable serial port (usable: " + joinNames(ports) + ")");
            return false;
        }
        core_->comm().deviceName = *options_.port;
    }
    if (options_.connection) {
        core_->connectionPoint() =
            *options_.connection == ConnectionChoice::ENG7 ? kConnectionPointENG7 : kConnectionPointSRF7;
    }
    return true;
}

bool CliApplication::openDocument() {
    auto engine = std::make_unique<engine::UpdateEngine>();
    engine_ = engine.get();
    engine_->setHost(&host_);
    engine_->setInterfaceApi(&core_->api());
    document_ = std::make_unique<data::CDIAGDoc>(std::move(engine));
    document_->setMessageSink(
        [this](const std::string& text) { display_.message(text, core::MessageIcon::None); });

    document_->setWritingPort(options_.mode == WritingPortChoice::CardDirect
                                  ? data::WritingPort::CardDirect
                                  : data::WritingPort::HostInterface);
    const bool named = options_.listFile.has_value();
    const std::string path = named ? listPath_ : core_->defaultListPath();
    switch (document_->openFile(path)) {
        case data::CDIAGDoc::OpenResult::Loaded:
            break;
        case data::CDIAGDoc::OpenResult::NothingLoaded:
            if (named) {
                usageFailure("the unit list " + shown(*options_.listFile) + " names no unit");
                return false;
            }
            display_.message("the unit list " + shown(path) + " names no unit", core::MessageIcon::Warning);
            break;
        case data::CDIAGDoc::OpenResult::CannotOpen:
            if (named) {
                usageFailure("cannot open the unit list " + shown(*options_.listFile) + ": " +
                             document_->openFailureReason());
                return false;
            }
            // The desktop program starts with an empty document in this case, and so does this one.
            display_.message(
                "cannot open the unit list " + shown(path) + ": " + document_->openFailureReason(),
                core::MessageIcon::Warning);
            break;
    }
    document_->setCheckStatus(core_->checkStatus());
    document_->setCommSettings(&core_->comm());
    document_->setConnectionPoint(&core_->connectionPoint());
    document_->setTimings(core_->timing());
    return true;
}

void CliApplication::shutDown() {
    // The engine holds entry points of the interface library: it goes first,
    // with the document that owns it.
    engine_ = nullptr;
    document_.reset();
    if (core_) {
        core_->shutdown();
        core_.reset();
    }
}

int CliApplication::runPorts() {
    if (!startUp()) {
        return kExitBadInput;
    }
    const auto& ports = core_->ports().names();
    if (options_.json) {
        printJson(ReportFormatter::portsJson(ports, core_->ports().rejected()));
    } else {
        ReportFormatter::printPorts(out_, ports);
    }
    return kExitSuccess;
}

int CliApplication::runUnits() {
    if (!startUp() || !openDocument()) {
        return kExitBadInput;
    }
    data::UnitList& units = document_->units();
    for (int index = 0; index < units.count(); ++index) {
        units.unit(index)->loadRows(data::initialRowSelection(document_->writingPort()));
    }
    const auto snapshots = UnitSnapshotReader::read(units);
    if (options_.json) {
        printJson(nlohmann::ordered_json{{"units", ReportFormatter::unitsJson(snapshots)}});
    } else {
        ReportFormatter::printUnits(out_, snapshots);
    }
    return kExitSuccess;
}

std::optional<int> CliApplication::findUnit(const std::string& name) {
    const data::UnitList& units = document_->units();
    return findByName(units.count(), name,
                      [&units](int index) -> const std::string& { return units.unit(index)->name(); });
}

bool CliApplication::applyCpuSelection(int unitIndex) {
    data::UnitRecord& unit = *document_->units().unit(unitIndex);
    if (options_.cpuNames.empty()) {
        return true;
    }
    std::vector<bool> wanted(static_cast<std::size_t>(unit.rowCount()), false);
    for (const auto& cpu : options_.cpuNames) {
        const auto row = findByName(unit.rowCount(), cpu, [&unit](int index) -> const std::string& {
            return unit.row(index)->cpuName();
        });
        if (!row) {
            std::vector<std::string> names;
            for (int index = 0; index < unit.rowCount(); ++index) {
                names.push_back(unit.row(index)->cpuName());
            }
            usageFailure("unit " + shown(unit.name()) + " has no CPU named " + shown(cpu) +
                         " (CPUs: " + joinNames(names) + ")");
            return false;
        }
        wanted[static_cast<std::size_t>(*row)] = true;
    }
    for (int index = 0; index < unit.rowCount(); ++index) {
        unit.row(index)->setSelected(wanted[static_cast<std::size_t>(index)]);
    }
    return true;
}

std::uint64_t CliApplication::imageBytes(int unitIndex, const std::vector<int>& rows) const {
    const data::UnitRecord& unit = *document_->units().unit(unitIndex);
    // Type-4 units and the direct path load a 1 MB window at 0x300000 and clip; the others load the
    // row's own window strictly.
    const bool segmented = unit.kind() == data::UnitKind::Direct || unit.kind() == data::UnitKind::Type4;
    data::FlashImage image;
    std::uint64_t total = 0;
    for (const int index : rows) {
        const data::ImageRow& row = *unit.row(index);
        if (row.idByte() == data::ImageRow::kUnselectableId) {
            continue;
        }
        const std::uint32_t window =
            segmented ? data::FlashImage::kSegmentedWindowSize : data::FlashImage::kStandardWindowSize;
        const std::uint32_t base = segmented ? data::FlashImage::kSegmentedBaseAddress : row.topAddress();
        if (!image.allocate(window)) {
            continue;
        }
        const auto loaded =
            image.load(row.filePath(), base,
                       segmented ? data::FlashImage::LoadMode::Clipping : data::FlashImage::LoadMode::Strict);
        if (loaded.ok() && image.storedRange()) {
            total += std::uint64_t{image.storedRange()->highest} - image.storedRange()->lowest + 1;
        }
    }
    return total;
}

OperationReport CliApplication::awaitOperation(const std::string& operationName) {
    platform::InterruptGuard interrupt;
    bool cancelSent = false;
    while (true) {
        // Once the engine has asked for its OK it clears the status: show what it was then.
        const ProgressSnapshot live = CliHost::snapshotOf(engine_->status());
        display_.update(host_.finalStatus().value_or(live));
        if (interrupt.interrupted() && !cancelSent) {
            cancelSent = true;
            display_.message("cancelling: the engine finishes the step in progress", core::MessageIcon::None);
            engine_->status().cancelEvent().signal();
        }
        if (document_->engine().pollDone()) {
            break;
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
    engine_->waitUntilFinished();

    const ProgressSnapshot last = host_.finalStatus().value_or(CliHost::snapshotOf(engine_->status()));
    display_.update(last);
    display_.finish();

    OperationReport report;
    report.operation = operationName;
    engine::ResultCode result = engine_->lastResult();
    // An operation that ended with its error flag set never counts as done.
    if (result == engine::ResultCode::Ok && last.errorFlag) {
        result = engine::ResultCode::Failed;
    }
    report.result = std::string(engine::resultName(result));
    report.status = last.statusText;
    if (result == engine::ResultCode::OpenFailed) {
        data::CommSettings used = core_->comm();
        std::string baudRateText = core_->settings().baudRateText;
        if (options_.mode == WritingPortChoice::CardDirect) {
            // Card Direct always runs at the boot loader's fixed rate.
            used.baudRate = kCardDirectBaudRate;
            baudRateText.clear();
        }
        report.reason = PortFailureReason::find(used, baudRateText);
        if (!report.reason.empty()) {
            err_ << "flashkit-cli: " << report.reason << std::endl;
        }
    }
    return report;
}

int CliApplication::runOperation() {
    if (!startUp() || !openDocument()) {
        return kExitBadInput;
    }
    std::int32_t unitIndex = data::kAllUnits;
    if (!options_.unitName.empty()) {
        const auto found = findUnit(options_.unitName);
        if (!found) {
            std::vector<std::string> names;
            for (int index = 0; index < document_->units().count(); ++index) {
                names.push_back(document_->units().unit(index)->name());
            }
            return usageFailure("no unit named " + shown(options_.unitName) + " (units: " + joinNames(names) +
                                ")");
        }
        unitIndex = *found;
        document_->selectUnit(unitIndex);
        if (!applyCpuSelection(unitIndex)) {
            return kExitBadInput;
        }
    } else if (document_->units().empty()) {
        return usageFailure("the unit list names no unit");
    }

    data::OperationCode code = data::OperationCode::GetVersion;
    std::string operationName = "getver";
    bool withStatusWindow = false;
    if (options_.command == CommandKind::Write) {
        code = data::OperationCode::Write;
        operationName = "write";
        withStatusWindow = true;
    } else if (options_.command == CommandKind::Erase) {
        code = data::OperationCode::Erase;
        operationName = "erase";
        withStatusWindow = true;
    } else if (unitIndex == data::kAllUnits) {
        code = data::OperationCode::GetAllVersions;
    }

    // The images a write will send; the engine unselects each one it has written.
    std::vector<int> selectedRows;
    if (unitIndex != data::kAllUnits) {
        data::UnitRecord& unit = *document_->units().unit(unitIndex);
        for (int index = 0; index < unit.rowCount(); ++index) {
            if (unit.row(index)->selectedFlag()) {
                selectedRows.push_back(index);
            }
        }
    }

    if (!withStatusWindow) {
        display_.silence();
    }
    const auto started = std::chrono::steady_clock::now();
    if (!document_->startOperation(code, unitIndex, withStatusWindow)) {
        err_ << "flashkit-cli: the engine did not start the operation" << std::endl;
        return kExitOperationFailed;
    }
    OperationReport report = awaitOperation(operationName);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    if (unitIndex == data::kAllUnits) {
        report.units = UnitSnapshotReader::read(document_->units());
    } else {
        report.units.push_back(UnitSnapshotReader::read(*document_->units().unit(unitIndex)));
    }

    const bool succeeded = report.result == engine::resultName(engine::ResultCode::Ok);
    if (options_.json) {
        printJson(ReportFormatter::operationJson(report));
    } else {
        ReportFormatter::printOperation(out_, report);
        if (options_.command == CommandKind::Write && succeeded) {
            const std::uint64_t bytes = imageBytes(unitIndex, selectedRows);
            char line[128];
            std::snprintf(line, sizeof line, "wrote %llu bytes in %.1f s (%.1f KB/s)\n",
                          static_cast<unsigned long long>(bytes), seconds,
                          seconds > 0 ? static_cast<double>(bytes) / 1024.0 / seconds : 0.0);
            out_ << line;
        }
    }
    return succeeded ? kExitSuccess : kExitOperationFailed;
}

}  // namespace cli
