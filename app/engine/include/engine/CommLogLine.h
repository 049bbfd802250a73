#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace engine::commlog {

// The communication log that the interface library writes with DEBUG set:
// one line per message that crossed the line ("HH:MM:SS MM/DD/YYYY", the
// milliseconds since the last line of the same kind in ten columns, a colon,
// the kind letter and the bytes in hexadecimal) and its notices, which carry
// no time.

// Bytes one log entry can hold; a data line never shows more.
inline constexpr std::size_t kMaxEntryBytes = 515;

// The wall-clock time of a data line, to the second.
struct StampTime {
    std::uint16_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    // Seconds since 1970-01-01 of this local time, for differences only.
    std::int64_t secondsSinceEpoch() const;
    bool operator==(const StampTime&) const = default;
};

enum class LineKind : std::uint8_t {
    Data,            // a message: sent, received, or looped back inside the library
    Notice,          // "------:Ecc ( Err ) text": life cycle, line errors, failed system calls
    PacketFall,      // "------:Packet Fall :nn": a sequence number was skipped
    LogStart,        // the first line of every log
    LogClose,        // the last line, written when the library is unloaded
    DriverProperty,  // the serial driver's properties listed at each open
    Blank,           // an empty line (some notices end with a line end of their own)
    Unreadable,      // none of the above; text says why
};

// Direction of a data line, by its kind letter.
enum class Direction : char {
    Received = 'R',  // from the line, unpacked
    Sent = 'S',      // to the line, before packing
    Local = 'L',     // looped back or made up inside the library; never on the line
};

struct LogLine {
    LineKind kind = LineKind::Blank;

    // Data lines.
    StampTime stamp;
    std::int64_t elapsedMs = 0;  // since the previous line of the same direction (or the log start)
    Direction direction = Direction::Sent;
    std::array<std::uint8_t, kMaxEntryBytes> bytes{};
    std::size_t byteCount = 0;

    // Notice: its code (0 life cycle, 1 line and frame errors, 2 failed
    // system calls); Packet Fall: the count of lost numbers so far.
    int code = 0;
    // Notice: the text after its prefix. Unreadable: why the line could not
    // be read. Points into the line that was parsed or into static text.
    std::string_view text;

    std::span<const std::uint8_t> data() const { return {bytes.data(), byteCount}; }
};

// Reads one line of a log (without its line end). Never fails: a line that
// is none of the known kinds is Unreadable, with the reason in text.
void parseLogLine(std::string_view line, LogLine& out);

// Life-cycle notices that mark an opening of the interface.
inline constexpr std::string_view kInitEndNotice = "TRX.DLL - End of InitInterFace Function.";
inline constexpr std::string_view kCloseCallNotice = "TRX.DLL - Call CloseInterFace Function.";
inline constexpr std::string_view kCloseEndNotice = "TRX.DLL - End of CloseInterFace Function.";
inline constexpr std::string_view kUnloadNotice = "TRX.DLL - DLL UNLOAD.";
inline constexpr int kLifecycleCode = 0;
inline constexpr int kLineErrorCode = 1;
inline constexpr int kSystemCallCode = 2;

}  // namespace engine::commlog
