#include "data/ImageRow.h"

#include "data/CommaValueReader.h"
#include "platform/Directory.h"

namespace data {

std::string imageVersionText(std::string_view fileName) {
    std::size_t extension = fileName.rfind('.');
    std::string_view stem = fileName.substr(0, extension);
    if (stem.size() <= kAssumedPrefixLengthForNames)
        return {};
    return std::string(stem.substr(kAssumedPrefixLengthForNames));
}

void ImageRow::readCpuValue(std::string_view value) {
    CommaValueReader reader(value);
    if (std::optional<std::string> prefix = reader.nextText())
        filePrefix_ = *prefix;
    if (std::optional<std::int32_t> bus = reader.nextInteger())
        busAddress_ = *bus;
    if (std::optional<std::int32_t> spare = reader.nextInteger())
        spareValue_ = *spare;
    if (std::optional<std::int32_t> version = reader.nextInteger()) {
        versionAddress_ = static_cast<std::uint16_t>(*version);
    }
    if (std::optional<std::int32_t> id = reader.nextInteger())
        idAddress_ = static_cast<std::uint16_t>(*id);
    if (std::optional<std::int32_t> group = reader.nextInteger())
        group_ = static_cast<std::uint8_t>(*group);
}

void ImageRow::searchImage(const std::string& directory) {
    fileVersion_.reset();
    fileName_.clear();
    filePath_.clear();
    std::string pattern = filePrefix_ + std::string(kImagePattern);
    for (const std::string& name : platform::Directory::listFiles(directory, pattern)) {
        VersionValue candidate = VersionValue::fromText(imageVersionText(name));
        if (candidate.compare(fileVersion_) > 0) {
            fileVersion_ = std::move(candidate);
            fileName_ = name;
            filePath_ = platform::Directory::join(directory, name);
        }
    }
}

bool ImageRow::setSelected(bool selected) {
    if (selected && idByte_ == kUnselectableId) {
        romVersion_.reset();
        selected_ = false;
    } else {
        selected_ = selected;
    }
    return selected_;
}

bool ImageRow::effectiveSelection() {
    if (selected_ && idByte_ == kUnselectableId) {
        romVersion_.reset();
        selected_ = false;
    }
    return selected_;
}

}  // namespace data
