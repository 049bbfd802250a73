#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/UnitTiming.h"
#include "engine/CommLogLine.h"
#include "engine/ResultCode.h"

namespace data {
class UnitList;
}

namespace engine::trace {

// What a communication log tells about the operations that wrote it: each
// opening of the interface (InitInterface to CloseInterface) with the units
// it talked to, its steps, what went wrong and its result, read with the
// engine's own message layer and the answers its sequences wait for.

// A moment of the log: the wall-clock second of its line and the
// milliseconds since the log started. The elapsed counts of the data lines
// give the milliseconds exactly while the log runs from its start line;
// without it only the whole seconds of the time stamps are known.
struct LogMoment {
    std::uint64_t line = 0;
    commlog::StampTime stamp;
    std::int64_t atMs = 0;
    bool exact = false;
};

// One message of the log, decoded, for the listing of every message.
struct TracedMessage {
    LogMoment moment;
    std::int64_t elapsedMs = 0;  // as the line gives it
    commlog::Direction direction = commlog::Direction::Sent;
    std::span<const std::uint8_t> bytes;
    bool unitMessage = false;  // the bytes form a message envelope
    std::uint8_t kind = 0;     // 0xC0 read request, 0x80 read reply, 0x00 command or data
    std::uint8_t command = 0;
    std::uint8_t sender = 0;
    std::uint8_t receiver = 0;
    std::uint32_t address = 0;
    bool longAddress = false;
    std::span<const std::uint8_t> payload;
    std::string_view name;  // "erase request", "status reply", "active sense", ...
    std::string meaning;    // what it says or what the program made of it
    int operation = 0;      // the operation it belongs to
};

// Whom an operation talked to: a bus address and, with a unit list, the
// unit and CPU there (for type-3/4 units the CPU the select mask names).
struct TargetTrace {
    std::uint8_t bus = 0;
    int unitIndex = -1;
    int cpuIndex = -1;
    std::string unitName;               // empty without a unit list (or no unit there)
    std::string cpuName;                // empty when no single CPU is meant
    std::optional<std::uint16_t> mask;  // type-3/4 select mask

    std::vector<std::uint8_t> idBytes;  // ID bytes read (check pass, block read)
    int eraseSent = 0;
    std::optional<std::uint8_t> eraseAnswer;  // answer byte of the last erase (0: erased)
    int selects = 0;
    int echoes = 0;
    int writeStarts = 0;
    std::uint32_t blocks = 0;  // data blocks sent
    std::uint32_t blocksAcknowledged = 0;
    std::optional<std::uint32_t> firstAddress;  // unit address of the first block sent
    std::optional<std::uint32_t> lastAddress;   // of the last block sent
    std::optional<std::uint32_t> lastAcknowledged;
    std::optional<std::uint16_t> checksumSent;
    std::optional<std::uint16_t> checksumAnswer;  // the value the unit answered (0: accepted)
    bool endSent = false;                         // type-4 end of write
    std::optional<std::uint16_t> endAnswer;
    int readBackPieces = 0;  // pieces of the preserved area read before the erase

    struct Version {
        std::uint32_t address = 0;
        std::uint16_t word = 0;
        std::string text;  // as the program shows it ("1.05")
    };
    std::vector<Version> versions;
};

enum class StepKind : std::uint8_t {
    BootEnter,
    BootLeave,
    IdRead,
    VersionRead,
    BlockRead,
    ReadBack,
    Erase,
    Select,
    Echo,
    WriteStart,
    Blocks,
    Checksum,
    EndOfWrite,
    Other,
};

struct TraceStep {
    StepKind kind = StepKind::Other;
    LogMoment moment;
    std::string text;
};

enum class ProblemKind : std::uint8_t {
    RejectedBlock,
    EraseFailed,
    ChecksumFailed,
    EndRejected,
    WrongTarget,
    Silence,
    Cancelled,
    PacketFall,
    TrxError,
    BadMessage,
    IgnoredReply,
    Retry,
    OpenFailed,
    CutOff,
    LostEntries,
};

// A short name for each kind ("rejected-block"), for JSON and listings.
std::string_view problemKindName(ProblemKind kind);
std::string_view stepKindName(StepKind kind);

struct TraceProblem {
    ProblemKind kind = ProblemKind::TrxError;
    LogMoment moment;
    bool timed = false;  // moment holds a time (notices carry none)
    std::string text;
};

enum class OperationKind : std::uint8_t {
    Reads,      // version reads (Get Ver.)
    CheckPass,  // the ID bytes read before a write
    Write,      // erase and write of images
    Erase,      // erase without data
    BootOut,    // only the broadcast that takes the console out of boot mode
    Empty,      // no message at all
};
std::string_view operationKindName(OperationKind kind);

// One opening of the interface.
struct OperationTrace {
    int number = 0;
    int log = 1;  // the log section (a file may hold several logs one after the other)
    OperationKind kind = OperationKind::Empty;
    std::uint64_t firstLine = 0;
    std::uint64_t lastLine = 0;
    std::optional<LogMoment> start;  // its first message
    std::optional<LogMoment> end;    // its last message
    bool exactTimes = false;
    bool closed = false;               // it ran to its CloseInterface
    bool openFailed = false;           // the port did not open
    std::optional<ResultCode> result;  // nothing: the log cuts it off
    int write = 0;                     // the write it belongs to (0: none)
    int attempt = 0;                   // its attempt within that write (0: not an attempt)

    std::vector<TargetTrace> targets;
    std::vector<TraceStep> steps;
    std::size_t stepsLeftOut = 0;
    std::vector<TraceProblem> problems;
    std::size_t problemsLeftOut = 0;

    std::uint64_t messagesSent = 0;
    std::uint64_t messagesReceived = 0;
    std::uint64_t lineBytesSent = 0;  // frame bytes on the line, as packed
    std::uint64_t lineBytesReceived = 0;
    std::uint64_t blocks = 0;
    std::uint64_t firmwareBytes = 0;  // data bytes in the blocks sent
    std::int64_t transferMs = 0;  // while blocks went out and were answered (pauses between images left out)
    std::optional<std::int64_t> lastAcknowledgedBlock;  // unit address

    double seconds() const;
};

// The operations of one write: the check pass, the attempts and the boot-out.
struct WriteTrace {
    int number = 0;
    int firstOperation = 0;
    int lastOperation = 0;
    int attempts = 0;
    std::optional<ResultCode> result;
    std::optional<LogMoment> start;
    std::optional<LogMoment> end;
    bool exactTimes = false;
    std::uint64_t blocks = 0;
    std::uint64_t firmwareBytes = 0;
    std::uint64_t lineBytesSent = 0;
    std::int64_t transferMs = 0;
    std::vector<std::string> units;  // "SRF7/MAIN", or bus addresses without a list
};

struct LogSummary {
    int logs = 0;  // log starts seen
    std::uint64_t lines = 0;
    std::uint64_t messages = 0;
    std::uint64_t unreadableLines = 0;
    int operations = 0;
    int writes = 0;
    std::uint64_t blocks = 0;
    std::uint64_t firmwareBytes = 0;
    std::uint64_t lineBytesSent = 0;
    std::uint64_t lineBytesReceived = 0;
    std::int64_t transferMs = 0;
    std::optional<LogMoment> first;
    std::optional<LogMoment> last;
    bool exactTimes = true;
};

// What the decoder knows of the site: names and TIMEOUT of the units, the
// line's baud rate. Missing parts take the program's defaults.
struct TraceSettings {
    static constexpr std::uint32_t kDefaultBaudRate = 115200;

    const data::UnitList* units = nullptr;  // with rows loaded
    std::optional<data::UnitTimingSet> timing;
    std::optional<std::uint32_t> baudRate;

    std::uint32_t baud() const { return baudRate.value_or(kDefaultBaudRate); }
};

// Bits a byte takes on the line: start bit, eight data bits, two stop bits.
inline constexpr std::uint32_t kBitsPerLineByte = 11;

// Receives what the decoder finds, in log order. An operation is handed
// over once its result is known, which may be at the first message after it.
class TraceSink {
  public:
    virtual ~TraceSink() = default;
    virtual bool wantsMessages() const { return false; }
    virtual void onMessage(const TracedMessage& /*message*/) {}
    virtual void onUnreadableLine(std::uint64_t /*line*/, std::string_view /*reason*/,
                                  std::string_view /*text*/) {}
    virtual void onOperation(const OperationTrace& /*operation*/) {}
    virtual void onWrite(const WriteTrace& /*write*/) {}
};

class LogTracer {
  public:
    LogTracer(const TraceSettings& settings, TraceSink& sink);
    ~LogTracer();
    LogTracer(const LogTracer&) = delete;
    LogTracer& operator=(const LogTracer&) = delete;

    // One line of the log, in order.
    void take(const commlog::LogLine& line, std::uint64_t lineNumber);
    // A line that could not be read at all (too long, not text).
    void takeUnreadable(std::uint64_t lineNumber, std::string_view reason, std::string_view text);
    // The end of the log: the operations still open are handed over.
    void finish();

    const LogSummary& summary() const;

  private:
    class State;
    std::unique_ptr<State> state_;
};

}  // namespace engine::trace
