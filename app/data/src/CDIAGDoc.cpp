#include "data/CDIAGDoc.h"

#include <sstream>

#include "platform/TextFile.h"

namespace data {

CDIAGDoc::CDIAGDoc(std::unique_ptr<OperationEngine> engine) : engine_(std::move(engine)) {
    engine_->setRetryTime(kRetryWaitSeconds);
    engine_->setRetryCount(kAttempts);
}

void CDIAGDoc::setWritingPort(WritingPort port) {
    WritingPort previous = engine_->writingPort();
    engine_->setWritingPort(port);
    if (previous != port) {
        portChanged_ = true;
        notifyViews();
    }
}

void CDIAGDoc::setTimings(const UnitTimingSet& timings) {
    for (std::size_t model = 0; model < kUnitModelCount; ++model) {
        engine_->setTiming(static_cast<UnitModel>(model), timings[model]);
    }
}

bool CDIAGDoc::load(std::istream& source) {
    const bool loaded = units_.load(source, writingPort(), messageSink_);
    listReloaded_ = loaded;
    if (loaded)
        selectUnit(0);
    return loaded;
}

CDIAGDoc::OpenResult CDIAGDoc::openFile(const std::string& path) {
    platform::TextFileContent file = platform::TextFile::read(path);
    if (!file.ok()) {
        openFailureReason_ = file.reason();
        return OpenResult::CannotOpen;
    }
    openFailureReason_.clear();
    pathName_ = path;
    std::istringstream text(std::move(file.text));
    return load(text) ? OpenResult::Loaded : OpenResult::NothingLoaded;
}

std::string CDIAGDoc::title() const {
    if (pathName_.empty())
        return std::string(kUntitled);
    std::size_t slash = pathName_.find_last_of("/\\");
    return slash == std::string::npos ? pathName_ : pathName_.substr(slash + 1);
}

bool CDIAGDoc::selectUnit(int index) {
    UnitRecord* unit = units_.unit(index);
    if (unit == nullptr)
        return false;
    currentUnit_ = index;
    unit->loadRows(initialRowSelection(writingPort()));
    unitChanged_ = true;
    notifyViews();
    return true;
}

int CDIAGDoc::countSelectedRows() {
    UnitRecord* unit = currentUnit();
    return unit == nullptr ? 0 : unit->countSelectedRows();
}

bool CDIAGDoc::startOperation(OperationCode code, std::int32_t unitIndex, bool withStatusWindow) {
    engine_->setUnitList(&units_);
    if (commSettings_ != nullptr)
        engine_->setCommSettings(*commSettings_);
    if (connectionPoint_ != nullptr)
        engine_->setDefaultTarget(*connectionPoint_);
    return engine_->startOperation(code, unitIndex, withStatusWindow);
}

void CDIAGDoc::notifyViews() {
    if (updateViews_)
        updateViews_();
}

}  // namespace data
