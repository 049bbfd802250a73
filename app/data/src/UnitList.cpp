#include "data/UnitList.h"

#include <cstdio>

#include "data/CommaValueReader.h"
#include "platform/Directory.h"
#include "platform/IniFile.h"
#include "platform/PlainText.h"

namespace data {
namespace {

std::string directoryErrorMessage(const std::string& systemText, const std::string& directory) {
    // "%sDirectory(%s)" with the system text first and the directory second.
    std::string message = systemText;
    message += "Directory(";
    message += platform::shortenedForMessage(directory);
    message += ")";
    return message;
}

}  // namespace

std::optional<UnitRecord> UnitList::parseLine(std::string_view line) {
    CommaValueReader reader(platform::trimBlanks(line));
    std::optional<std::string_view> name = reader.next();
    if (!name || name->empty())
        return std::nullopt;
    std::string directory;
    std::string settingsFile;
    if (std::optional<std::string_view> value = reader.next())
        directory = *value;
    if (std::optional<std::string_view> value = reader.next())
        settingsFile = *value;
    return UnitRecord(std::string(*name), std::move(directory), std::move(settingsFile));
}

bool UnitList::load(std::istream& source, WritingPort port, const MessageSink& onMessage) {
    bool anyLine = false;
    std::string line;
    while (std::getline(source, line)) {
        std::optional<UnitRecord> unit = parseLine(line);
        if (!unit)
            continue;
        if (!anyLine) {
            units_.clear();
            anyLine = true;
        }

        std::string written = unit->directory();
        platform::Result<std::string> place =
            platform::Directory::resolve(platform::Directory::nativePath(written));
        if (place) {
            unit->setDirectory(std::move(*place));
            unit->readSettings(platform::IniFile::load(unit->settingsPath()));
        } else {
            if (onMessage)
                onMessage(directoryErrorMessage(platform::Directory::errorText(place.error()), written));
            // Without its directory the unit keeps every SETTINGS default;
            // its settings file is not looked for anywhere else.
            unit->setDirectory({});
            unit->readSettings(platform::IniFile{});
        }

        if (unit->listMode() != 0 && port == WritingPort::HostInterface)
            continue;
        units_.push_back(std::move(*unit));
    }
    return anyLine;
}

UnitRecord* UnitList::unit(int index) {
    if (index < 0 || index >= count())
        return nullptr;
    return &units_[static_cast<std::size_t>(index)];
}

const UnitRecord* UnitList::unit(int index) const {
    if (index < 0 || index >= count())
        return nullptr;
    return &units_[static_cast<std::size_t>(index)];
}

}  // namespace data
