#include "engine/CommLogLine.h"

namespace engine::commlog {

namespace {

constexpr std::string_view kNoticePrefix = "------:E";
constexpr std::string_view kNoticeMark = " ( Err ) ";
constexpr std::string_view kPacketFallPrefix = "------:Packet Fall :";
constexpr std::string_view kLogStartLine = "**********LogStart**********";
constexpr std::string_view kLogCloseLine = "**********Log Close**********";
constexpr std::string_view kPropertiesTitle = "**********Serial Driver Comm Properties**********";
// "  Name = value", the form of every line of the driver's property list.
constexpr std::string_view kPropertyIndent = "  ";
constexpr std::string_view kPropertyMark = " = ";

// "HH:MM:SS MM/DD/YYYY"
constexpr std::size_t kStampLength = 19;
constexpr std::string_view kStampPattern = "dd:dd:dd dd/dd/dddd";

// Hexadecimal digit values; 0xFF for every other character.
struct HexTable {
    std::array<std::uint8_t, 256> value{};
    constexpr HexTable() {
        for (auto& v : value) {
            v = 0xFF;
        }
        for (int c = '0'; c <= '9'; ++c) {
            value[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
        }
        for (int c = 'a'; c <= 'f'; ++c) {
            value[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
            value[static_cast<std::size_t>(c - 'a' + 'A')] = static_cast<std::uint8_t>(c - 'a' + 10);
        }
    }
};
constexpr HexTable kHex;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int twoDigits(std::string_view text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

void unreadable(LogLine& out, std::string_view reason) {
    out.kind = LineKind::Unreadable;
    out.text = reason;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool hasStampShape(std::string_view line) {
    if (line.size() < kStampLength) {
        return false;
    }
    for (std::size_t i = 0; i < kStampLength; ++i) {
        const bool digit = isDigit(line[i]);
        if (kStampPattern[i] == 'd' ? !digit : line[i] != kStampPattern[i]) {
            return false;
        }
    }
    return true;
}

bool readStamp(std::string_view line, StampTime& stamp) {
    const int hour = twoDigits(line, 0);
    const int minute = twoDigits(line, 3);
    const int second = twoDigits(line, 6);
    const int month = twoDigits(line, 9);
    const int day = twoDigits(line, 12);
    const int year = twoDigits(line, 15) * 100 + twoDigits(line, 17);
    // A leap second shows as :60.
    if (hour > 23 || minute > 59 || second > 60 || month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    stamp.year = static_cast<std::uint16_t>(year);
    stamp.month = static_cast<std::uint8_t>(month);
    stamp.day = static_cast<std::uint8_t>(day);
    stamp.hour = static_cast<std::uint8_t>(hour);
    stamp.minute = static_cast<std::uint8_t>(minute);
    stamp.second = static_cast<std::uint8_t>(second);
    return true;
}

void parseDataLine(std::string_view line, LogLine& out) {
    if (!readStamp(line, out.stamp)) {
        unreadable(out, "the time stamp is not a time");
        return;
    }
    // The elapsed milliseconds, right-aligned in ten columns (a negative or
    // an eleven-digit value pushes the colon further right).
    std::size_t at = kStampLength;
    while (at < line.size() && line[at] == ' ') {
        ++at;
    }
    bool negative = false;
    if (at < line.size() && line[at] == '-') {
        negative = true;
        ++at;
    }
    const std::size_t digitsStart = at;
    std::int64_t elapsed = 0;
    while (at < line.size() && isDigit(line[at]) && at - digitsStart < 12) {
        elapsed = elapsed * 10 + (line[at] - '0');
        ++at;
    }
    if (at == digitsStart || at >= line.size() || line[at] != ':') {
        unreadable(out, "the elapsed time is not a number followed by a colon");
        return;
    }
    out.elapsedMs = negative ? -elapsed : elapsed;
    ++at;
    if (at >= line.size()) {
        unreadable(out, "the kind letter is missing");
        return;
    }
    switch (line[at]) {
        case 'R':
            out.direction = Direction::Received;
            break;
        case 'S':
            out.direction = Direction::Sent;
            break;
        case 'L':
            out.direction = Direction::Local;
            break;
        default:
            unreadable(out, "the kind letter is not R, S or L");
            return;
    }
    ++at;
    // Two hexadecimal digits and a blank per byte; the last blank may be gone.
    std::size_t count = 0;
    const auto* text = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t size = line.size();
    while (at < size) {
        if (at + 1 >= size) {
            unreadable(out, "a byte is cut short");
            return;
        }
        const std::uint8_t high = kHex.value[text[at]];
        const std::uint8_t low = kHex.value[text[at + 1]];
        if ((high | low) == 0xFF) {
            unreadable(out, "a byte is not two hexadecimal digits");
            return;
        }
        if (count == kMaxEntryBytes) {
            unreadable(out, "more bytes than a log entry holds");
            return;
        }
        out.bytes[count++] = static_cast<std::uint8_t>((high << 4) | low);
        at += 2;
        if (at < size) {
            if (text[at] != ' ') {
                unreadable(out, "the bytes are not separated by blanks");
                return;
            }
            ++at;
        }
    }
    out.byteCount = count;
    out.kind = LineKind::Data;
}

void parseNotice(std::string_view line, LogLine& out) {
    std::size_t at = kNoticePrefix.size();
    int code = 0;
    const std::size_t digitsStart = at;
    while (at < line.size() && isDigit(line[at]) && at - digitsStart < 6) {
        code = code * 10 + (line[at] - '0');
        ++at;
    }
    if (at == digitsStart || line.substr(at, kNoticeMark.size()) != kNoticeMark) {
        unreadable(out, "a notice line without its code");
        return;
    }
    out.kind = LineKind::Notice;
    out.code = code;
    out.text = line.substr(at + kNoticeMark.size());
}

void parsePacketFall(std::string_view line, LogLine& out) {
    const std::string_view count = line.substr(kPacketFallPrefix.size());
    if (count.empty() || count.size() > 2) {
        unreadable(out, "a Packet Fall line without its count");
        return;
    }
    int value = 0;
    for (const char c : count) {
        const std::uint8_t digit = kHex.value[static_cast<unsigned char>(c)];
        if (digit == 0xFF) {
            unreadable(out, "a Packet Fall line without its count");
            return;
        }
        value = value * 16 + digit;
    }
    out.kind = LineKind::PacketFall;
    out.code = value;
}

bool isBlank(std::string_view line) {
    for (const char c : line) {
        if (c != ' ' && c != '\t' && c != '\r') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::int64_t StampTime::secondsSinceEpoch() const {
    // Days from the civil date (proleptic Gregorian calendar).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int monthFromMarch = month > 2 ? month - 3 : month + 9;
    const int dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

void parseLogLine(std::string_view line, LogLine& out) {
    out.byteCount = 0;
    out.code = 0;
    out.text = {};
    if (hasStampShape(line)) {
        parseDataLine(line, out);
        return;
    }
    if (startsWith(line, kNoticePrefix)) {
        parseNotice(line, out);
        return;
    }
    if (startsWith(line, kPacketFallPrefix)) {
        parsePacketFall(line, out);
        return;
    }
    if (line == kLogStartLine) {
        out.kind = LineKind::LogStart;
        return;
    }
    if (line == kLogCloseLine) {
        out.kind = LineKind::LogClose;
        return;
    }
    if (line == kPropertiesTitle ||
        (startsWith(line, kPropertyIndent) && line.find(kPropertyMark) != std::string_view::npos)) {
        out.kind = LineKind::DriverProperty;
        out.text = line;
        return;
    }
    if (isBlank(line)) {
        out.kind = LineKind::Blank;
        return;
    }
    unreadable(out, "not a line of a communication log");
}

}  // namespace engine::commlog
