#include "data/UnitRecord.h"

#include "data/CommaValueReader.h"
#include "platform/Directory.h"
#include "platform/IniFile.h"

namespace data {
namespace {

constexpr std::string_view kSettingsSection = "SETTINGS";
constexpr std::string_view kCpuSection = "CPU";

// Key names of section CPU are read from a buffer of this size, each name
// with its terminating zero and the list with a final one.
constexpr std::size_t kCpuKeyNameBuffer = 4096;

}  // namespace

UnitRecord::UnitRecord(std::string name, std::string directory, std::string settingsFile)
    : name_(std::move(name)), directory_(std::move(directory)), settingsFile_(std::move(settingsFile)) {
    if (directory_.empty())
        directory_ = name_;
    if (settingsFile_.empty()) {
        settingsFile_ = name_ + std::string(kSettingsExtension);
    } else if (settingsFile_.find('.') == std::string::npos) {
        settingsFile_ += kSettingsExtension;
    }
}

std::string UnitRecord::settingsPath() const {
    if (directory_.empty())
        return {};
    return platform::Directory::join(directory_, platform::Directory::nativePath(settingsFile_));
}

void UnitRecord::readSettings(const platform::IniFile& settings) {
    listMode_ = settings.integer(kSettingsSection, "MODE", 0);
    fileVersion_.setFromText(settings.text(kSettingsSection, "VERSION", kDefaultFileVersion));

    const std::string requestText = settings.text(kSettingsSection, "REQUEST", "255, 0");
    CommaValueReader request(requestText);
    readCommand_ = static_cast<std::uint8_t>(request.nextInteger().value_or(kDefaultReadCommand));
    requestSpare_ = static_cast<std::uint8_t>(request.nextInteger().value_or(0));
    ownAddressSetting_ = static_cast<std::uint8_t>(request.nextInteger().value_or(kDefaultOwnAddress));

    const std::string statusText = settings.text(kSettingsSection, "STATUS", "65535");
    CommaValueReader status(statusText);
    std::uint16_t first = static_cast<std::uint16_t>(status.nextInteger().value_or(kNoAddress));
    if (status.hasMore()) {
        blockRead_ = true;
        blockAddress_ = first;
        // The count has no default of its own; an empty one means no ID bytes.
        blockCount_ = static_cast<std::uint16_t>(status.nextInteger().value_or(0));
        versionAddress_ = kNoAddress;
    } else {
        blockRead_ = false;
        versionAddress_ = first;
        blockAddress_ = kNoAddress;
    }

    unitType_ = settings.integer(kSettingsSection, "TYPE", 0);
}

void UnitRecord::loadRows(bool initialSelection) {
    if (rowsLoaded())
        return;
    if (directory_.empty()) {
        // A unit whose directory could not be entered has no settings file
        // to read; it is listed without rows.
        imageRows_.emplace();
        return;
    }
    loadRows(platform::IniFile::load(settingsPath()), initialSelection);
}

void UnitRecord::loadRows(const platform::IniFile& settings, bool initialSelection) {
    if (rowsLoaded())
        return;
    std::vector<ImageRow>& rows = imageRows_.emplace();
    std::size_t nameBytes = 1;  // the list's final terminator
    for (const std::string& key : settings.keys(kCpuSection)) {
        if (key.empty())
            continue;
        nameBytes += key.size() + 1;
        if (nameBytes > kCpuKeyNameBuffer)
            break;
        rows.emplace_back(key, initialSelection);
    }
    for (ImageRow& row : rows) {
        row.readCpuValue(settings.text(kCpuSection, row.cpuName(), ""));
        if (!directory_.empty())
            row.searchImage(directory_);
    }
}

int UnitRecord::rowCount() const {
    return imageRows_ ? static_cast<int>(imageRows_->size()) : 0;
}

ImageRow* UnitRecord::row(int index) {
    if (!imageRows_ || index < 0 || index >= rowCount())
        return nullptr;
    return &(*imageRows_)[static_cast<std::size_t>(index)];
}

const ImageRow* UnitRecord::row(int index) const {
    if (!imageRows_ || index < 0 || index >= rowCount())
        return nullptr;
    return &(*imageRows_)[static_cast<std::size_t>(index)];
}

int UnitRecord::countSelectedRows() {
    if (!imageRows_)
        return 0;
    std::vector<ImageRow>& rows = *imageRows_;
    for (ImageRow& row : rows)
        row.effectiveSelection();
    if (blockRead_) {
        // CPUs of one group share their flash: only the first is written.
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!rows[i].selectedFlag())
                continue;
            for (std::size_t later = i + 1; later < rows.size(); ++later) {
                if (rows[later].selectedFlag() && rows[later].group() == rows[i].group()) {
                    rows[later].setSelected(false);
                }
            }
        }
    }
    int selected = 0;
    for (const ImageRow& row : rows)
        selected += row.selectedFlag() ? 1 : 0;
    return selected;
}

void UnitRecord::setRomVersionWord(std::uint16_t word) {
    romVersion_.setFromWord(word);
    updateNeeded_ = compareVersions() != 0;
}

int UnitRecord::compareVersions() const {
    return romVersion_.compare(fileVersion_);
}

bool UnitRecord::mergeRowVersion(int index, bool firstMergedRow) {
    const ImageRow* merged = row(index);
    if (merged == nullptr)
        return updateNeeded_;
    if (firstMergedRow) {
        romVersion_ = merged->romVersion();
        updateNeeded_ = compareVersions() != 0;
    } else if (romVersion_.compare(merged->romVersion()) != 0) {
        romVersion_.reset();
        romVersion_.setText(std::string(kDifferentVersionsText));
        updateNeeded_ = true;
    }
    return updateNeeded_;
}

UnitModel UnitRecord::timingModel() const {
    switch (kind()) {
        case UnitKind::Eng7:
            return UnitModel::ENG7;
        case UnitKind::Type3:
            return UnitModel::LIO7;
        case UnitKind::Direct:
        case UnitKind::Type4:
            return UnitModel::XDG7;
        case UnitKind::Generic:
            break;
    }
    return UnitModel::SRF7;
}

}  // namespace data
