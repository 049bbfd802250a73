#include "cli/CliApplication.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "cli/FleetCommand.h"
#include "cli/FleetDisplay.h"
#include "cli/FleetPorts.h"
#include "cli/FleetReport.h"
#include "cli/ImageReader.h"
#include "cli/OperationRunner.h"
#include "cli/PortFailureReason.h"
#include "cli/ServiceReport.h"
#include "cli/TraceCommand.h"
#include "cli/UnitSnapshotReader.h"
#include "cli/UpdateCommand.h"
#include "cli/UpdateReportFormatter.h"
#include "core/AboutText.h"
#include "core/ComponentVersions.h"
#include "core/PortNotes.h"
#include "core/StartupCore.h"
#include "data/CDIAGDoc.h"
#include "engine/UpdateEngine.h"
#include "platform/CommandLine.h"
#include "platform/Directory.h"
#include "platform/InterruptGuard.h"
#include "platform/LocalTime.h"
#include "platform/NetworkPortName.h"
#include "platform/NewFile.h"
#include "platform/Paths.h"
#include "platform/PlainText.h"
#include "platform/PortDescription.h"
#include "platform/PortDiscovery.h"
#include "platform/SystemError.h"
#include "platform/Terminal.h"
#include "platform/TextFile.h"

namespace cli {

namespace {

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

// How bad a unit's get-version result is, for the worst of several: a
// failure of the unit or the line before a time-out, a time-out before a
// cancel, and Ok last.
int severity(const std::string& resultName) {
    if (resultName == engine::resultName(engine::ResultCode::Ok)) {
        return 0;
    }
    if (resultName == engine::resultName(engine::ResultCode::Cancelled)) {
        return 1;
    }
    if (resultName == engine::resultName(engine::ResultCode::TimedOut)) {
        return 2;
    }
    return 3;
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
      progressStyle_(progressStyle),
      display_(out, err,
               options_.json && progressStyle != ProgressDisplay::Style::Feed ? ProgressDisplay::Style::Silent
                                                                              : progressStyle),
      frontEnd_(display_) {}

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
    if (options_.fleetChild) {
        // Started as one console of several: the end of the input is its Cancel.
        platform::InterruptGuard::watchStandardInput();
    }
    if (options_.ports.size() > 1 || options_.portsFile) {
        return runFleet();
    }
    switch (options_.command) {
        case CommandKind::Version:
            return runVersion();
        case CommandKind::Update:
            return runUpdate();
        case CommandKind::Trace:
            return TraceCommand(options_, out_, err_).run();
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

int CliApplication::runVersion() {
    bool problems = false;
    for (const std::string& line :
         core::ComponentVersions::versionLines(platform::executableDirectory(), problems)) {
        out_ << line << '\n';
    }
    out_ << std::flush;
    return problems ? kExitOperationFailed : kExitSuccess;
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

std::optional<core::StartupOptions> CliApplication::startupOptions() {
    core::StartupOptions startupOptions;
    startupOptions.useInstanceGuard = false;
    if (options_.iniFile) {
        // A settings file named here must be read: missing or unreadable
        // is bad input, never the defaults.
        const std::string path = absoluteFromStartDirectory(*options_.iniFile);
        if (const auto reason = unreadableReason(path)) {
            usageFailure("cannot read the settings file " + shown(*options_.iniFile) + *reason);
            return std::nullopt;
        }
        startupOptions.settingsPath = path;
    }
    if (options_.listFile) {
        listPath_ = absoluteFromStartDirectory(*options_.listFile);
        if (const auto reason = unreadableReason(listPath_)) {
            usageFailure("cannot open the unit list " + shown(*options_.listFile) + *reason);
            return std::nullopt;
        }
    }

    if (options_.port && platform::isNetworkPortName(*options_.port)) {
        // Taken as it is: nothing connects before an operation needs it.
        const platform::NetworkPortNameParse parse = platform::parseNetworkPortName(*options_.port);
        if (!parse.port) {
            usageFailure("--port " + parse.error);
            return std::nullopt;
        }
        startupOptions.networkPort = *options_.port;
    }

    // One console of several: the program that started it has said this already.
    if (!options_.fleetChild) {
        startupOptions.portLeftOut = [this](const core::RejectedPort& port) {
            err_ << "flashkit-cli: " << port.leftOutText() << std::endl;
        };
    }
    return startupOptions;
}

bool CliApplication::startUp() {
    const auto startupOptions = this->startupOptions();
    if (!startupOptions) {
        return false;
    }
    core_ = std::make_unique<core::StartupCore>(*startupOptions);
    if (core_->start(frontEnd_) != core::StartupStatus::Ready) {
        return false;
    }
    if (options_.port) {
        const auto& ports = core_->ports().names();
        // A /dev/serial/by-id link of a listed tty is taken as it is written.
        if (!core_->ports().find(*options_.port)) {
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
    engine_->setFrontEnd(&frontEnd_);
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
    if (options_.noProbe) {
        return listCandidatePorts();
    }
    if (!startUp()) {
        return kExitBadInput;
    }
    const auto& ports = core_->ports().names();
    // Read from what the system publishes about each device; no port is opened for it.
    const std::vector<platform::PortDescription> descriptions = platform::describePorts(ports);
    if (options_.json) {
        printJson(ReportFormatter::portsJson(ports, core_->ports().rejected(), descriptions));
    } else {
        ReportFormatter::printPorts(out_, descriptions);
        out_ << std::flush;
        for (const auto& description : descriptions) {
            const std::string warning = core::PortNotes::latencyWarning(description);
            if (!warning.empty()) {
                display_.message(warning, core::MessageIcon::Warning);
            }
        }
    }
    return kExitSuccess;
}

// The ports of the system's table and FLASHKIT_PORTS as start-up finds them,
// before it opens each one to test it.
int CliApplication::listCandidatePorts() {
    const platform::PortTable table =
        platform::discoverPorts(platform::PortDiscoveryOptions::systemDefaults());
    if (!table.readable) {
        err_ << "flashkit-cli: the system's list of serial ports cannot be read" << std::endl;
        return kExitOperationFailed;
    }
    if (options_.json) {
        // Descriptions are read from sysfs or the registry: still nothing is opened.
        printJson(ReportFormatter::portsJson(table.ports, {}, platform::describePorts(table.ports)));
    } else {
        ReportFormatter::printPortNames(out_, table.ports);
    }
    return kExitSuccess;
}

// The names the unit list in use gives, under the writing port asked for:
// the settings (for the data root and the default list) and the list are
// read, nothing else.
int CliApplication::listUnitNames() {
    auto startupOptions = this->startupOptions();
    if (!startupOptions) {
        return kExitBadInput;
    }
    core_ = std::make_unique<core::StartupCore>(*startupOptions);
    if (!core_->readSettings(frontEnd_)) {
        return kExitBadInput;
    }
    const bool named = options_.listFile.has_value();
    const std::string path = named ? listPath_ : core_->defaultListPath();
    platform::TextFileContent file = platform::TextFile::read(path);
    if (!file.ok() && named) {
        return usageFailure("cannot open the unit list " + shown(*options_.listFile) + ": " + file.reason());
    }
    // As with the whole units command, a default list that cannot be read
    // is said and leaves the list empty.
    if (!file.ok()) {
        display_.message("cannot open the unit list " + shown(path) + ": " + file.reason(),
                         core::MessageIcon::Warning);
    }
    std::istringstream text(std::move(file.text));
    data::UnitList units;
    const data::WritingPort port = options_.mode == WritingPortChoice::CardDirect
                                       ? data::WritingPort::CardDirect
                                       : data::WritingPort::HostInterface;
    units.load(text, port,
               [this](const std::string& message) { display_.message(message, core::MessageIcon::None); });
    std::vector<std::string> names;
    for (int index = 0; index < units.count(); ++index) {
        names.push_back(units.unit(index)->name());
    }
    if (options_.json) {
        printJson(nlohmann::ordered_json{{"names", names}});
    } else {
        for (const auto& name : names) {
            out_ << name << '\n';
        }
    }
    return kExitSuccess;
}

int CliApplication::runUnits() {
    if (options_.namesOnly) {
        return listUnitNames();
    }
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

std::optional<int> CliApplication::namedUnit(const std::string& name) {
    const auto found = findUnit(name);
    if (!found) {
        std::vector<std::string> names;
        for (int index = 0; index < document_->units().count(); ++index) {
            names.push_back(document_->units().unit(index)->name());
        }
        usageFailure("no unit named " + shown(name) + " (units: " + joinNames(names) + ")");
    }
    return found;
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
    std::uint64_t total = 0;
    for (const int index : rows) {
        const data::ImageRow& row = *unit.row(index);
        if (row.idByte() != data::ImageRow::kUnselectableId) {
            total += ImageReader::firmwareBytes(ImageReader::summarizeForUnit(unit.kind(), row));
        }
    }
    return total;
}

std::string CliApplication::openFailureReason() const {
    data::CommSettings used = core_->comm();
    std::string baudRateText = core_->settings().baudRateText;
    if (options_.mode == WritingPortChoice::CardDirect) {
        // Card Direct always runs at the boot loader's fixed rate.
        used.baudRate = kCardDirectBaudRate;
        baudRateText.clear();
    }
    return PortFailureReason::find(used, baudRateText);
}

void CliApplication::warnOfSlowAdapter() {
    const std::string warning =
        core::PortNotes::latencyWarning(platform::describePort(core_->comm().deviceName));
    if (!warning.empty()) {
        display_.message(warning, core::MessageIcon::Warning);
    }
}

OperationRunner CliApplication::operationRunner() {
    OperationRunner runner(*document_, *engine_, frontEnd_, display_);
    runner.setOpenFailureReason([this] { return openFailureReason(); },
                                platform::isNetworkPortName(core_->comm().deviceName));
    return runner;
}

std::optional<OperationReport> CliApplication::readAllVersions(const platform::InterruptGuard& interrupt) {
    OperationRunner runner = operationRunner();
    std::optional<OperationReport> worst;
    double seconds = 0;
    for (int index = 0; index < document_->units().count(); ++index) {
        if (interrupt.interrupted() && worst) {
            break;
        }
        auto unitReport = runner.run(data::OperationCode::GetAllVersions, index, false, "getver", interrupt);
        if (!unitReport) {
            return std::nullopt;
        }
        seconds += unitReport->seconds;
        if (severity(unitReport->result) > 0) {
            display_.message(shown(document_->units().unit(index)->name()) + ": " + unitReport->result,
                             core::MessageIcon::Stop);
        }
        if (!worst || severity(unitReport->result) > severity(worst->result)) {
            worst = std::move(unitReport);
        }
    }
    if (worst) {
        worst->seconds = seconds;
    }
    return worst;
}

int CliApplication::runOperation() {
    if (!startUp() || !openDocument()) {
        return kExitBadInput;
    }
    std::int32_t unitIndex = data::kAllUnits;
    if (!options_.unitName.empty()) {
        const auto found = namedUnit(options_.unitName);
        if (!found) {
            return kExitBadInput;
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

    if (code == data::OperationCode::Write) {
        warnOfSlowAdapter();
    }
    platform::InterruptGuard interrupt;
    std::optional<OperationReport> started;
    if (code == data::OperationCode::GetAllVersions) {
        started = readAllVersions(interrupt);
    } else {
        started = operationRunner().run(code, unitIndex, withStatusWindow, operationName, interrupt);
    }
    if (!started) {
        err_ << "flashkit-cli: the engine did not start the operation" << std::endl;
        return kExitOperationFailed;
    }
    OperationReport report = std::move(*started);
    const double seconds = report.seconds;

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

std::optional<int> CliApplication::checkUpdateUsage(std::string& reportPath) {
    if (options_.reportFile) {
        // Checked before anything touches a port: an existing report is never replaced.
        reportPath = absoluteFromStartDirectory(*options_.reportFile);
        if (platform::fileKind(reportPath) != platform::FileKind::Missing) {
            return usageFailure("the report " + shown(*options_.reportFile) +
                                " exists already; a report is never overwritten");
        }
        if (platform::fileKind(platform::parentDirectory(reportPath)) != platform::FileKind::Directory) {
            return usageFailure("cannot write the report " + shown(*options_.reportFile) +
                                ": no such folder");
        }
    }
    if (options_.mode == WritingPortChoice::CardDirect) {
        // Card Direct starts with no image selected and writes one image the
        // technician picks (write UNIT --cpu NAME): there is nothing to plan.
        return usageFailure("update works through Host I/F; under Card Direct use write UNIT --cpu NAME");
    }
    return std::nullopt;
}

int CliApplication::runUpdate() {
    // The visit's time: when the technician started the update.
    const std::string startedAt = ServiceReport::localTimeText(platform::localTimeNow());
    std::string reportPath;
    if (const auto refused = checkUpdateUsage(reportPath)) {
        return *refused;
    }
    if (!startUp() || !openDocument()) {
        return kExitBadInput;
    }

    UpdateRequest request;
    request.force = options_.force;
    request.dryRun = options_.dryRun;
    for (const auto& name : options_.unitNames) {
        const auto found = namedUnit(name);
        if (!found) {
            return kExitBadInput;
        }
        request.unitIndices.push_back(*found);
    }
    if (options_.unitNames.empty()) {
        for (int index = 0; index < document_->units().count(); ++index) {
            request.unitIndices.push_back(index);
        }
    }
    if (request.unitIndices.empty()) {
        return usageFailure("the unit list names no unit");
    }
    // Units are written in list order, each once, however they were named.
    std::sort(request.unitIndices.begin(), request.unitIndices.end());
    request.unitIndices.erase(std::unique(request.unitIndices.begin(), request.unitIndices.end()),
                              request.unitIndices.end());

    if (!request.dryRun) {
        warnOfSlowAdapter();
    }
    platform::InterruptGuard interrupt;
    OperationRunner runner = operationRunner();
    UpdateCommand command(*document_, runner, options_.json ? nullptr : &out_);
    const UpdateReport report = command.run(request, interrupt);

    if (options_.json) {
        printJson(UpdateReportFormatter::json(report));
    } else if (report.dryRun) {
        out_ << "result: " << report.result << "  (dry run: nothing written)" << std::endl;
    } else {
        out_ << '\n';
        UpdateReportFormatter::printSummary(out_, report);
        out_ << std::flush;
    }
    const bool reportWritten = reportPath.empty() || writeServiceReport(reportPath, startedAt, report);
    return UpdateCommand::succeeded(report) && reportWritten ? kExitSuccess : kExitOperationFailed;
}

int CliApplication::runFleet() {
    const std::string startedAt = ServiceReport::localTimeText(platform::localTimeNow());
    // Start-up moves to the data root; every console's program starts where this one did.
    const std::string startDirectory = platform::currentDirectory();
    const bool update = options_.command == CommandKind::Update;
    std::string reportPath;
    if (update) {
        if (const auto refused = checkUpdateUsage(reportPath)) {
            return *refused;
        }
    }
    std::vector<std::string> ports = options_.ports;
    if (options_.portsFile) {
        const platform::TextFileContent listed =
            platform::TextFile::read(absoluteFromStartDirectory(*options_.portsFile));
        if (!listed.ok()) {
            return usageFailure("cannot read the ports file " + shown(*options_.portsFile) + ": " +
                                listed.reason());
        }
        for (std::string& port : FleetPorts::parse(listed.text)) {
            ports.push_back(std::move(port));
        }
        if (ports.empty()) {
            return usageFailure("the ports file " + shown(*options_.portsFile) + " names no port");
        }
    }
    // Two programs on one line would fight over it: refused before anything starts.
    if (const auto twice = FleetPorts::firstDuplicate(ports, platform::deviceIdentity)) {
        const std::string& first = ports[twice->first];
        const std::string& second = ports[twice->second];
        return usageFailure(first == second
                                ? "the port " + shown(first) + " is named twice"
                                : shown(first) + " and " + shown(second) + " are the same port (" +
                                      shown(platform::deviceIdentity(first)) + ")");
    }
    if (ports.size() == 1) {
        // One console: exactly as with a single --port.
        options_.port = ports.front();
        options_.ports = ports;
        options_.portsFile.reset();
        return run();
    }

    // Settings, unit list and unit names are the same for every console: bad ones are refused here, once.
    if (!startUp() || !openDocument()) {
        return kExitBadInput;
    }
    std::vector<std::string> unitNames = update ? options_.unitNames : std::vector<std::string>();
    if (!update && !options_.unitName.empty()) {
        unitNames.push_back(options_.unitName);
    }
    for (const auto& name : unitNames) {
        if (!namedUnit(name)) {
            return kExitBadInput;
        }
    }
    if (document_->units().empty()) {
        return usageFailure("the unit list names no unit");
    }
    const ServiceContext context = serviceContext(startedAt);
    const bool logging = core_->comm().debugLevel != 0;
    shutDown();
    if (const platform::Result<void> moved = platform::setCurrentDirectory(startDirectory); !moved) {
        err_ << "flashkit-cli: cannot go back to " << shown(startDirectory) << ": " << moved.error().text()
             << std::endl;
        return kExitOperationFailed;
    }

    FleetLaunch launch;
    launch.program = platform::executablePath();
    launch.arguments = FleetPorts::withoutPortsAndReport(options_.arguments);
    launch.ports = ports;
    for (const std::string& port : ports) {
        // Each console's communication log in a folder of its own beside the program.
        std::string folder;
        if (logging) {
            folder = platform::joinPath(platform::executableDirectory(), FleetPorts::logFolderName(port));
            const platform::Result<void> made = platform::Directory::create(folder);
            if (!made) {
                display_.message("no communication log for " + shown(port) + ": cannot make " +
                                     shown(folder) + ": " + made.error().text(),
                                 core::MessageIcon::Warning);
                folder.clear();
            }
        }
        launch.logFolders.push_back(folder);
    }
    FleetDisplay::Style style = FleetDisplay::Style::Silent;
    if (!options_.json) {
        style = progressStyle_ == ProgressDisplay::Style::Redrawn ? FleetDisplay::Style::Redrawn
                                                                  : FleetDisplay::Style::PlainLines;
    }
    FleetDisplay display(out_, err_, style, ports,
                         platform::terminalColumns(platform::StandardStream::Output));
    FleetCommand command(std::move(launch), display);
    std::vector<FleetConsole> consoles;
    {
        platform::InterruptGuard interrupt;
        consoles = command.run(interrupt);
    }
    display.finish();

    const std::string operation = update ? "update" : "getver";
    const std::string result = FleetReport::overallResult(consoles, command.cancelled());
    std::optional<std::string> retry;
    const std::vector<std::string> failed = FleetReport::failedPorts(consoles);
    if (!failed.empty()) {
        std::optional<std::string> retryReport;
        if (options_.reportFile) {
            retryReport = FleetPorts::retryReportFile(*options_.reportFile, [](const std::string& path) {
                return platform::fileKind(absoluteFromStartDirectory(path)) != platform::FileKind::Missing;
            });
        }
        std::vector<std::string> line = {options_.invokedAs.empty() ? "flashkit-cli" : options_.invokedAs};
        for (std::string& argument : FleetPorts::retryArguments(options_.arguments, failed, retryReport)) {
            line.push_back(std::move(argument));
        }
        retry = platform::commandLine(line);
    }
    if (options_.json) {
        printJson(FleetReport::json(operation, consoles, command.cancelled(), retry));
    } else {
        out_ << '\n';
        FleetReport::printConsoleTables(out_, operation, consoles);
        out_ << '\n';
        FleetReport::printSummary(out_, operation, consoles);
        if (retry) {
            out_ << "retry: " << *retry << '\n';
        }
        out_ << "result: " << result << std::endl;
    }

    bool reportWritten = true;
    if (!reportPath.empty()) {
        const auto sections = FleetReport::serviceSections(context, consoles);
        reportWritten = writeReportFile(
            reportPath,
            options_.json
                ? ReportFormatter::jsonText(ServiceReport::fleetJson(startedAt, result, sections)) + "\n"
                : ServiceReport::fleetText(startedAt, result, sections));
    }
    return result == "Ok" && reportWritten ? kExitSuccess : kExitOperationFailed;
}

ServiceContext CliApplication::serviceContext(const std::string& startedAt) const {
    ServiceContext context;
    context.dateTime = startedAt;
    context.programVersion = core::AboutText::programVersionLine();
    context.programNumbers = core::ComponentVersions::programVersionNumbersLine();
    context.interfaceLibrary =
        core::ComponentVersions::boundInterfaceLibrary(core_->library(), core_->api()).line();
    context.compressionLibrary =
        core::ComponentVersions::compressionLibrary(platform::executableDirectory()).line();
    context.port = core_->comm().deviceName;
    context.connectionPoint = core_->connectionPoint() == kConnectionPointENG7 ? "ENG7" : "SRF7";
    context.writingPort =
        document_->writingPort() == data::WritingPort::CardDirect ? "Card Direct" : "Host I/F";
    context.unitList = options_.listFile ? listPath_ : core_->defaultListPath();
    return context;
}

bool CliApplication::writeServiceReport(const std::string& path, const std::string& startedAt,
                                        const UpdateReport& report) {
    const ServiceContext context = serviceContext(startedAt);
    return writeReportFile(path, options_.json
                                     ? ReportFormatter::jsonText(ServiceReport::json(context, report)) + "\n"
                                     : ServiceReport::text(context, report));
}

bool CliApplication::writeReportFile(const std::string& path, const std::string& content) {
    const platform::Result<void> written = platform::writeNewFile(path, content);
    if (written) {
        if (!options_.json) {
            out_ << "service report: " << path << std::endl;
        }
        return true;
    }
    if (written.error().alreadyExists()) {
        err_ << "flashkit-cli: the report " << shown(path)
             << " appeared while the update ran; it is left as it is and this report is not written"
             << std::endl;
        return false;
    }
    err_ << "flashkit-cli: cannot write the report " << shown(path) << ": " << written.error().text()
         << std::endl;
    return false;
}

}  // namespace cli
