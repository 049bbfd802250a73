#include "cli/UpdateCommand.h"

#include "cli/ImageReader.h"
#include "cli/OperationRunner.h"
#include "cli/UpdateReportFormatter.h"
#include "data/CDIAGDoc.h"
#include "engine/ResultCode.h"
#include "platform/InterruptGuard.h"

namespace cli {

namespace {

const std::string kOkName{engine::resultName(engine::ResultCode::Ok)};
const std::string kCancelledName{engine::resultName(engine::ResultCode::Cancelled)};

void markSkipped(UpdateUnit& entry) {
    entry.result = update_result::kSkipped;
    entry.status = "not reached: the update was cancelled";
}

}  // namespace

UpdateCommand::UpdateCommand(data::CDIAGDoc& document, OperationRunner& runner, std::ostream* progress)
    : document_(document), runner_(runner), progress_(progress) {}

bool UpdateCommand::succeeded(const UpdateReport& report) {
    return report.result == update_result::kOk;
}

std::optional<OperationReport> UpdateCommand::readVersions(int unitIndex,
                                                           const platform::InterruptGuard& interrupt) {
    return runner_.run(data::OperationCode::GetVersion, unitIndex, false, "getver", interrupt);
}

void UpdateCommand::planUnit(int unitIndex, UpdateUnit& entry, bool force) {
    data::UnitRecord& unit = *document_.units().unit(unitIndex);
    entry.before = unit.romVersion().text();
    entry.planned = force || unit.updateNeeded();
    entry.result = entry.planned ? update_result::kPlanned : update_result::kUpToDate;
    // The images the write will take: the initial selection, with the ID-byte
    // rule and, in a block-read unit, one image per group (as the write counts them).
    unit.countSelectedRows();
    for (int index = 0; index < unit.rowCount(); ++index) {
        const data::ImageRow& row = *unit.row(index);
        UpdateImage& image = entry.rows[static_cast<std::size_t>(index)];
        image.before = row.romVersionText();
        image.planned = entry.planned && row.selectedFlag();
        if (!row.filePath().empty()) {
            const ImageSummary summary = ImageReader::summarizeForUnit(unit.kind(), row);
            image.checksum = summary.checksum;
            image.bytes = ImageReader::firmwareBytes(summary);
            image.imageError = summary.error;
        }
    }
}

void UpdateCommand::writeUnit(int unitIndex, UpdateUnit& entry, const platform::InterruptGuard& interrupt,
                              bool& cancelled) {
    const auto written = runner_.run(data::OperationCode::Write, unitIndex, true, "write", interrupt);
    if (!written) {
        entry.result = update_result::kFailed;
        entry.status = "the engine did not start the write";
        return;
    }
    entry.seconds = written->seconds;
    entry.retries = written->retries;
    entry.status = written->status;
    // The engine unselects each image once it has written it.
    const data::UnitRecord& unit = *document_.units().unit(unitIndex);
    for (int index = 0; index < unit.rowCount(); ++index) {
        UpdateImage& image = entry.rows[static_cast<std::size_t>(index)];
        image.written = image.planned && !unit.row(index)->selectedFlag();
        entry.bytes += image.written ? image.bytes : 0;
    }
    if (written->result == kCancelledName) {
        entry.result = update_result::kCancelled;
        cancelled = true;
        return;
    }
    entry.result = written->result;
    verifyUnit(unitIndex, entry, interrupt, written->result == kOkName, cancelled);
}

void UpdateCommand::verifyUnit(int unitIndex, UpdateUnit& entry, const platform::InterruptGuard& interrupt,
                               bool writeSucceeded, bool& cancelled) {
    const auto read = readVersions(unitIndex, interrupt);
    entry.seconds += read ? read->seconds : 0;
    if (read && read->result == kCancelledName) {
        cancelled = true;
    }
    const bool readOk = read && read->result == kOkName;
    const data::UnitRecord& unit = *document_.units().unit(unitIndex);
    bool everyImageVerified = readOk;
    bool anyImage = false;
    if (readOk) {
        entry.after = unit.romVersion().text();
    }
    for (int index = 0; index < unit.rowCount(); ++index) {
        const data::ImageRow& row = *unit.row(index);
        UpdateImage& image = entry.rows[static_cast<std::size_t>(index)];
        if (readOk) {
            image.after = row.romVersionText();
        }
        if (!image.planned) {
            continue;
        }
        anyImage = true;
        image.verified = readOk && row.romVersion().compare(row.fileVersion()) == 0;
        everyImageVerified = everyImageVerified && image.verified;
    }
    entry.verified = writeSucceeded && anyImage && everyImageVerified;
    if (!writeSucceeded) {
        return;
    }
    entry.result = entry.verified ? update_result::kOk : update_result::kNotVerified;
    if (!readOk) {
        entry.status = read ? "versions not read after the write: " + read->result
                            : "the engine did not start the version read";
    }
}

std::string UpdateCommand::overallResult(const UpdateReport& report, bool cancelled) {
    if (cancelled) {
        return std::string(update_result::kCancelled);
    }
    for (const auto& unit : report.units) {
        if (unit.result != update_result::kOk && unit.result != update_result::kUpToDate &&
            unit.result != update_result::kPlanned) {
            return std::string(update_result::kFailed);
        }
    }
    return std::string(update_result::kOk);
}

UpdateReport UpdateCommand::run(const UpdateRequest& request, const platform::InterruptGuard& interrupt) {
    UpdateReport report;
    report.dryRun = request.dryRun;
    for (const int unitIndex : request.unitIndices) {
        data::UnitRecord& unit = *document_.units().unit(unitIndex);
        unit.loadRows(data::initialRowSelection(document_.writingPort()));
        UpdateUnit entry;
        entry.name = unit.name();
        entry.file = unit.fileVersion().text();
        for (int index = 0; index < unit.rowCount(); ++index) {
            const data::ImageRow& row = *unit.row(index);
            UpdateImage image;
            image.cpu = row.cpuName();
            image.file = row.fileVersionText();
            image.fileName = row.fileName();
            image.filePath = row.filePath();
            entry.rows.push_back(std::move(image));
        }
        report.units.push_back(std::move(entry));
    }

    // The plan: the versions of every unit, read as Get Ver. reads them.
    if (progress_ != nullptr) {
        *progress_ << "Reading the versions of " << report.units.size()
                   << (report.units.size() == 1 ? " unit" : " units") << std::endl;
    }
    bool cancelled = false;
    for (std::size_t position = 0; position < report.units.size(); ++position) {
        UpdateUnit& entry = report.units[position];
        if (cancelled || interrupt.interrupted()) {
            cancelled = true;
            markSkipped(entry);
            continue;
        }
        const int unitIndex = request.unitIndices[position];
        const auto read = readVersions(unitIndex, interrupt);
        if (!read) {
            entry.result = update_result::kFailed;
            entry.status = "the engine did not start the version read";
        } else if (read->result == kCancelledName) {
            entry.result = update_result::kCancelled;
            cancelled = true;
        } else if (read->result != kOkName) {
            entry.result = read->result;
            entry.status = "versions not read, so not planned";
        } else {
            planUnit(unitIndex, entry, request.force);
        }
    }
    if (progress_ != nullptr) {
        UpdateReportFormatter::printPlan(*progress_, report);
    }
    // A unit that is not written keeps the versions it was read with.
    for (auto& entry : report.units) {
        if (!request.dryRun && !entry.planned && entry.result == update_result::kUpToDate) {
            entry.after = entry.before;
            for (auto& image : entry.rows) {
                image.after = image.before;
            }
        }
    }
    if (request.dryRun || cancelled) {
        report.result = overallResult(report, cancelled);
        return report;
    }

    // Each planned unit in list order: write, then read its versions again.
    const int plannedCount = report.plannedCount();
    int started = 0;
    for (std::size_t position = 0; position < report.units.size(); ++position) {
        UpdateUnit& entry = report.units[position];
        if (!entry.planned) {
            continue;
        }
        if (cancelled || interrupt.interrupted()) {
            cancelled = true;
            markSkipped(entry);
            continue;
        }
        if (progress_ != nullptr) {
            *progress_ << '\n'
                       << UpdateReportFormatter::unitStartLine(entry, ++started, plannedCount) << std::endl;
        }
        writeUnit(request.unitIndices[position], entry, interrupt, cancelled);
        if (progress_ != nullptr) {
            *progress_ << UpdateReportFormatter::unitOutcomeLine(entry) << std::endl;
        }
    }
    report.result = overallResult(report, cancelled);
    return report;
}

}  // namespace cli
