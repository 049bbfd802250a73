#include "data/VersionValue.h"

#include <cctype>
#include <cstdio>

namespace data {
namespace {

// Layout of the 16-bit version word a unit reports.
constexpr unsigned kWordMajorShift = 8;
constexpr unsigned kWordMajorMask = 0x0F;
constexpr unsigned kWordMinorMask = 0x7F;
constexpr unsigned kWordTestBit = 0x80;
constexpr unsigned kWordSuffixShift = 12;
constexpr unsigned kWordSuffixMask = 0x0F;

// A text's digits n give major n / 100 (kept in a byte) and minor n % 100;
// both only depend on n modulo 100 * 256, so any digit run can be read.
constexpr unsigned kMinorBase = 100;
constexpr unsigned kDigitRunModulus = kMinorBase * 256;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

VersionValue VersionValue::fromWord(std::uint16_t word) {
    VersionValue value;
    value.setFromWord(word);
    return value;
}

VersionValue VersionValue::fromText(std::string_view text) {
    VersionValue value;
    value.setFromText(text);
    return value;
}

void VersionValue::reset() {
    *this = VersionValue{};
}

void VersionValue::setFromWord(std::uint16_t word) {
    if (word == kNoVersionWord) {
        reset();
        return;
    }
    major_ = static_cast<std::uint8_t>(((word >> kWordMajorShift) & kWordMajorMask) + 1);
    minor_ = static_cast<std::uint8_t>(word & kWordMinorMask);
    release_ = (word & kWordTestBit) == 0;
    suffix_ = static_cast<std::uint8_t>((word >> kWordSuffixShift) & kWordSuffixMask);
    format();
}

void VersionValue::setFromText(std::string_view text) {
    reset();
    std::size_t digitsBegin = 0;
    while (digitsBegin < text.size() && !isDigit(text[digitsBegin]))
        ++digitsBegin;
    if (digitsBegin == text.size())
        return;
    std::size_t digitsEnd = digitsBegin;
    unsigned number = 0;
    while (digitsEnd < text.size() && isDigit(text[digitsEnd])) {
        number = (number * 10 + static_cast<unsigned>(text[digitsEnd] - '0')) % kDigitRunModulus;
        ++digitsEnd;
    }
    major_ = static_cast<std::uint8_t>(number / kMinorBase);
    minor_ = static_cast<std::uint8_t>(number % kMinorBase);

    std::string marker(digitsBegin > 0 ? text.substr(0, digitsBegin) : text.substr(digitsEnd));
    for (char& c : marker)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    if (marker.find_first_of("RV") != std::string::npos) {
        suffix_ = kReleaseSuffix;
    } else {
        release_ = marker.find('X') == std::string::npos;
        std::size_t service = marker.find('S');
        if (service == std::string::npos) {
            suffix_ = 0;
        } else if (service + 1 < marker.size()) {
            char level = marker[service + 1];
            if (level >= '1' && level <= '9') {
                suffix_ = static_cast<std::uint8_t>(level - '0');
            } else if (level >= 'A' && level <= 'E') {
                suffix_ = static_cast<std::uint8_t>(level - 'A' + 10);
            }
        }
    }
    format();
}

void VersionValue::setFields(bool release, std::uint8_t majorNumber, std::uint8_t minorNumber,
                             std::uint8_t suffix) {
    release_ = release;
    major_ = majorNumber;
    minor_ = minorNumber;
    suffix_ = static_cast<std::uint8_t>(suffix & 0x0F);
    format();
}

void VersionValue::format() {
    text_.clear();
    if (major_ == 0)
        return;
    std::string marker;
    if (suffix_ == kReleaseSuffix) {
        marker = "R";
    } else {
        if (suffix_ != 0) {
            char service[4];
            std::snprintf(service, sizeof service, "S%X", static_cast<unsigned>(suffix_));
            marker = service;
        }
        if (!release_)
            marker += 'X';
    }
    char formatted[32];
    if (minor_ >= kFirstUnshownMinor) {
        std::snprintf(formatted, sizeof formatted, "%d.--%s", major_, marker.c_str());
    } else {
        std::snprintf(formatted, sizeof formatted, "%d.%02d%s", major_, minor_, marker.c_str());
    }
    text_ = formatted;
}

int VersionValue::compare(const VersionValue& other) const {
    if (suffix_ == kReleaseSuffix && other.suffix_ != kReleaseSuffix)
        return -1;
    if (major_ != other.major_)
        return major_ < other.major_ ? -1 : 1;
    if (minor_ != other.minor_)
        return minor_ < other.minor_ ? -1 : 1;
    return 0;
}

}  // namespace data
