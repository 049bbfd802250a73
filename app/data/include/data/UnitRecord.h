#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/ImageRow.h"
#include "data/UnitKind.h"
#include "data/UnitTiming.h"
#include "data/VersionValue.h"

namespace platform {
class IniFile;
}

namespace data {

// One unit of the console as the unit list and its settings file describe
// it, with what the last operation read from it. Its image rows are loaded
// from section CPU of the settings file on first need and live with it.
class UnitRecord {
  public:
    static constexpr std::string_view kSettingsExtension = ".SET";
    static constexpr std::string_view kDefaultFileVersion = "0000R";
    static constexpr std::uint8_t kDefaultReadCommand = 255;
    static constexpr std::uint8_t kDefaultOwnAddress = 255;
    static constexpr std::uint16_t kNoAddress = 0xFFFF;
    // The summary text of a unit whose CPUs report different versions.
    static constexpr std::string_view kDifferentVersionsText = "DIFF.";

    UnitRecord() = default;
    // name, directory and settingsFile as the unit-list line gives them,
    // with their defaults applied (directory: name; file: name + ".SET").
    UnitRecord(std::string name, std::string directory, std::string settingsFile);

    // Fills the SETTINGS fields (MODE, VERSION, REQUEST, STATUS, TYPE) from a
    // unit settings file; an empty profile gives every default.
    void readSettings(const platform::IniFile& settings);
    // Creates the rows from section CPU of the settings file (once; later
    // calls do nothing) and searches each row's image. A unit without a
    // directory gets an empty row list.
    void loadRows(bool initialSelection);
    // The same from a profile already read.
    void loadRows(const platform::IniFile& settings, bool initialSelection);
    bool rowsLoaded() const { return imageRows_.has_value(); }

    // Path of the settings file: directory, separator, settingsFile; empty
    // while the unit has no directory.
    std::string settingsPath() const;

    int rowCount() const;
    // The row at index, or none outside 0 .. rowCount() - 1.
    ImageRow* row(int index);
    const ImageRow* row(int index) const;

    // Rows that will be written: the effective selection of every row, and
    // in a block-read unit only the first selected row of each group.
    int countSelectedRows();

    // Units without block read: the ROM version from the unit's version word.
    void setRomVersionWord(std::uint16_t word);
    // compare(romVersion, fileVersion).
    int compareVersions() const;
    // Units with block read: merges row index into the ROM version summary
    // (the first merged row sets it; a differing later row makes it
    // "DIFF."). Returns updateNeeded.
    bool mergeRowVersion(int index, bool firstMergedRow);
    void resetRomVersion() { romVersion_.reset(); }

    // The timing set the unit's type selects.
    UnitModel timingModel() const;

    std::int32_t unitType() const { return unitType_; }
    UnitKind kind() const { return unitKindOf(unitType_); }
    const std::string& name() const { return name_; }
    const std::string& directory() const { return directory_; }
    void setDirectory(std::string directory) { directory_ = std::move(directory); }
    const std::string& settingsFile() const { return settingsFile_; }
    std::int32_t listMode() const { return listMode_; }
    const VersionValue& romVersion() const { return romVersion_; }
    const VersionValue& fileVersion() const { return fileVersion_; }
    bool updateNeeded() const { return updateNeeded_; }
    const std::string& resultText() const { return resultText_; }
    void setResultText(std::string text) { resultText_ = std::move(text); }
    std::uint8_t readCommand() const { return readCommand_; }
    std::uint8_t requestSpare() const { return requestSpare_; }
    std::uint8_t ownAddressSetting() const { return ownAddressSetting_; }
    bool blockRead() const { return blockRead_; }
    std::uint16_t blockAddress() const { return blockAddress_; }
    std::uint16_t blockCount() const { return blockCount_; }
    std::uint16_t versionAddress() const { return versionAddress_; }

  private:
    std::int32_t unitType_ = 0;
    std::string name_;
    std::string directory_;
    std::string settingsFile_;
    std::int32_t listMode_ = 0;
    VersionValue romVersion_;
    VersionValue fileVersion_ = VersionValue::fromText(kDefaultFileVersion);
    bool updateNeeded_ = false;
    std::string resultText_;
    std::uint8_t readCommand_ = kDefaultReadCommand;
    std::uint8_t requestSpare_ = 0;
    std::uint8_t ownAddressSetting_ = kDefaultOwnAddress;
    bool blockRead_ = false;
    std::uint16_t blockAddress_ = kNoAddress;
    std::uint16_t blockCount_ = 0;
    std::uint16_t versionAddress_ = kNoAddress;
    std::optional<std::vector<ImageRow>> imageRows_;
};

}  // namespace data
