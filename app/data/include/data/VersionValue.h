#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace data {

// A firmware version as the units report it (a 16-bit version word) or as it
// is written in settings files and image file names (text such as "0105R").
// Shows itself as 1.05, 2.10S3X or 1.--R and orders itself against another.
class VersionValue {
  public:
    // The word a unit reports when it has no version.
    static constexpr std::uint16_t kNoVersionWord = 0xFFFF;
    // Suffix code shown as "R"; also the suffix of a reset value.
    static constexpr std::uint8_t kReleaseSuffix = 15;
    // Minor numbers from here on show as "--".
    static constexpr std::uint8_t kFirstUnshownMinor = 100;

    VersionValue() = default;

    static VersionValue fromWord(std::uint16_t word);
    static VersionValue fromText(std::string_view text);

    // Back to "no version": release, major 0, minor 0, suffix R, empty text.
    void reset();
    void setFromWord(std::uint16_t word);
    void setFromText(std::string_view text);
    // Sets the fields (suffix kept to 0..15) and formats.
    void setFields(bool release, std::uint8_t majorNumber, std::uint8_t minorNumber, std::uint8_t suffix);
    // Recomputes the text from the fields.
    void format();
    // Replaces the text alone, for markers such as "DIFF."; the fields stay.
    void setText(std::string text) { text_ = std::move(text); }

    // -1 when this value is older than other, 0 when equal, 1 when newer.
    // A value marked R is older than any value not marked R; otherwise only
    // major and minor count.
    int compare(const VersionValue& other) const;

    bool release() const { return release_; }
    std::uint8_t majorNumber() const { return major_; }
    std::uint8_t minorNumber() const { return minor_; }
    std::uint8_t suffix() const { return suffix_; }
    const std::string& text() const { return text_; }

    bool operator==(const VersionValue&) const = default;

  private:
    bool release_ = true;
    std::uint8_t major_ = 0;
    std::uint8_t minor_ = 0;
    std::uint8_t suffix_ = kReleaseSuffix;
    std::string text_;
};

}  // namespace data
