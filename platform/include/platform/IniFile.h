#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextFile.h"

namespace platform {

// Read-only private-profile (INI) file with the reading rules of the Windows
// reader it replaces: section and key names compare without regard to case,
// blanks around names and values are dropped, a value wholly in double quotes
// loses them, the first of duplicate keys (and of duplicate sections) wins and
// lines without "=" are ignored. The file is read once and never written.
class IniFile {
  public:
    // Longest text a lookup returns; longer values are cut (a 4096-byte buffer).
    static constexpr std::size_t kMaxTextLength = 4095;

    IniFile() = default;

    // A file that does not exist or cannot be read gives an empty profile, in
    // which every lookup yields its default; loadError() tells which it was.
    // Only a regular file is read (see TextFile).
    static IniFile load(const std::string& path);
    static IniFile fromText(std::string_view text);

    bool readable() const { return loadError_ == TextFileError::None; }
    TextFileError loadError() const { return loadError_; }
    // Why the file could not be read ("not a regular file", ...); empty when it was.
    const std::string& loadReason() const { return loadReason_; }

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string text(std::string_view section, std::string_view key, std::string_view fallback) const;
    // Leading decimal number with optional sign; a key that is present but
    // not numeric gives 0, a missing one the fallback.
    std::int32_t integer(std::string_view section, std::string_view key, std::int32_t fallback) const;
    // Key names of a section, in file order, duplicates included once.
    std::vector<std::string> keys(std::string_view section) const;

    static std::int32_t parseLeadingInteger(std::string_view text);

  private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    const Section* findSection(std::string_view name) const;

    std::vector<Section> sections_;
    // A default-constructed profile stands for a file that is not there.
    TextFileError loadError_ = TextFileError::Missing;
    std::string loadReason_ = "no such file";
};

}  // namespace platform
