#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "data/VersionValue.h"

namespace data {

// One CPU of a unit and the firmware image found for it: the CPU's bus and
// version addresses from the unit's settings file, the best image file of its
// prefix, and what the console reported (ROM version, ID byte).
class ImageRow {
  public:
    static constexpr std::uint32_t kDefaultTopAddress = 0x200000;
    static constexpr std::uint32_t kFlashAddress = 0x200000;
    // ID byte of a CPU that cannot be selected for writing.
    static constexpr std::uint8_t kUnselectableId = 0xFF;
    // Version or ID address meaning "none".
    static constexpr std::uint16_t kNoAddress = 0xFFFF;
    // Image files are "<prefix>*.mot"; the version text starts after this many characters.
    static constexpr std::string_view kImagePattern = "*.mot";

    ImageRow() = default;
    ImageRow(std::string cpuName, bool selected) : cpuName_(std::move(cpuName)), selected_(selected) {}

    // Reads "prefix, busAddress, spare, versionAddress, idAddress, group" from
    // the front; values that are missing or empty keep their defaults.
    void readCpuValue(std::string_view value);
    // Looks for "<filePrefix>*.mot" in directory (without regard to case, in
    // name order) and takes the file whose name gives the greatest version;
    // of equal versions the first found stays.
    void searchImage(const std::string& directory);

    // Setting 1 succeeds only when the ID byte is not 0xFF; otherwise the ROM
    // version is reset and the row is unselected. Returns the new state.
    bool setSelected(bool selected);
    // The selection with the ID-byte rule applied: a selected row whose ID
    // byte is 0xFF loses its selection and its ROM version here.
    bool effectiveSelection();
    // The stored flag, without the rule (for drawing).
    bool selectedFlag() const { return selected_; }
    // Sets the flag as it is; the engine marks rows after reading them.
    void forceSelected(bool selected) { selected_ = selected; }

    const std::string& cpuName() const { return cpuName_; }

    const VersionValue& romVersion() const { return romVersion_; }
    void resetRomVersion() { romVersion_.reset(); }
    void setRomVersionWord(std::uint16_t word) { romVersion_.setFromWord(word); }
    void setRomVersionText(std::string_view text) { romVersion_.setFromText(text); }
    const std::string& romVersionText() const { return romVersion_.text(); }

    const VersionValue& fileVersion() const { return fileVersion_; }
    const std::string& fileVersionText() const { return fileVersion_.text(); }
    const std::string& filePath() const { return filePath_; }
    const std::string& fileName() const { return fileName_; }

    std::uint32_t topAddress() const { return topAddress_; }
    void setTopAddress(std::uint32_t address) { topAddress_ = address; }
    std::uint32_t flashAddress() const { return flashAddress_; }

    const std::string& filePrefix() const { return filePrefix_; }
    std::int32_t busAddress() const { return busAddress_; }
    std::int32_t spareValue() const { return spareValue_; }
    std::uint16_t versionAddress() const { return versionAddress_; }
    std::uint16_t idAddress() const { return idAddress_; }
    std::uint8_t group() const { return group_; }

    std::uint8_t idByte() const { return idByte_; }
    void setIdByte(std::uint8_t id) { idByte_ = id; }

  private:
    std::string cpuName_;
    bool selected_ = false;
    VersionValue romVersion_;
    VersionValue fileVersion_;
    std::string filePath_;
    std::string fileName_;
    std::uint32_t topAddress_ = kDefaultTopAddress;
    std::uint32_t flashAddress_ = kFlashAddress;
    std::string filePrefix_;
    std::int32_t busAddress_ = -1;
    std::int32_t spareValue_ = -1;
    std::uint16_t versionAddress_ = kNoAddress;
    std::uint16_t idAddress_ = kNoAddress;
    std::uint8_t group_ = 0;
    std::uint8_t idByte_ = 0;
};

// Image file names are read as if every prefix were this long.
inline constexpr std::size_t kAssumedPrefixLengthForNames = 4;

// The version text that an image file name stands for: the name without its
// first four characters and without the part from its last "." on.
std::string imageVersionText(std::string_view fileName);

}  // namespace data
