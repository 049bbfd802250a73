#include "platform/IniFile.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "platform/PlainText.h"

namespace platform {
namespace {

std::string folded(std::string_view name) {
    std::string result(name);
    for (char& c : result)
        c = lowerAscii(c);
    return result;
}

}  // namespace

IniFile IniFile::load(const std::string& path) {
    TextFileContent content = TextFile::read(path);
    if (!content.ok()) {
        IniFile unreadable;
        unreadable.loadError_ = content.error;
        unreadable.loadReason_ = content.reason();
        return unreadable;
    }
    return fromText(content.text);
}

IniFile IniFile::fromText(std::string_view text) {
    IniFile file;
    file.loadError_ = TextFileError::None;
    file.loadReason_.clear();
    Section* current = nullptr;
    // Folded names seen so far, so that a file with very many keys is still
    // read in linear time.
    std::unordered_set<std::string> sectionNames;
    std::unordered_set<std::string> keyNames;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trimBlanks(text.substr(pos, end - pos));
        pos = end + 1;

        if (!line.empty() && line.front() == '[') {
            std::size_t close = line.find(']');
            std::string_view name =
                trimBlanks(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            // Keys of a repeated section are not seen, as the first one wins.
            keyNames.clear();
            if (!sectionNames.insert(folded(name)).second) {
                current = nullptr;
            } else {
                file.sections_.push_back(Section{std::string(name), {}});
                current = &file.sections_.back();
            }
            continue;
        }
        if (current == nullptr)
            continue;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view key = trimBlanks(line.substr(0, equals));
        std::string_view value = trimBlanks(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (keyNames.insert(folded(key)).second) {
            current->entries.push_back(Entry{std::string(key), std::string(value)});
        }
    }
    return file;
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    for (const Section& section : sections_) {
        if (equalsIgnoringCase(section.name, name))
            return &section;
    }
    return nullptr;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const Section* found = findSection(trimBlanks(section));
    if (found == nullptr)
        return std::nullopt;
    for (const Entry& entry : found->entries) {
        if (equalsIgnoringCase(entry.key, trimBlanks(key))) {
            return entry.value.substr(0, kMaxTextLength);
        }
    }
    return std::nullopt;
}

std::string IniFile::text(std::string_view section, std::string_view key, std::string_view fallback) const {
    std::optional<std::string> found = value(section, key);
    if (!found)
        return std::string(fallback.substr(0, kMaxTextLength));
    return *found;
}

std::int32_t IniFile::parseLeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate modulo 2^32, as the 32-bit reader does for over-long digit runs.
    std::uint32_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (negative)
        magnitude = 0u - magnitude;
    return static_cast<std::int32_t>(magnitude);
}

std::int32_t IniFile::integer(std::string_view section, std::string_view key, std::int32_t fallback) const {
    std::optional<std::string> found = value(section, key);
    if (!found)
        return fallback;
    return parseLeadingInteger(*found);
}

std::vector<std::string> IniFile::keys(std::string_view section) const {
    std::vector<std::string> names;
    const Section* found = findSection(trimBlanks(section));
    if (found == nullptr)
        return names;
    names.reserve(found->entries.size());
    for (const Entry& entry : found->entries)
        names.push_back(entry.key);
    return names;
}

}  // namespace platform
