#include "engine/LogTrace.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>

#include "LogClock.h"
#include "ReplyReading.h"
#include "TraceSite.h"
#include "data/UnitList.h"
#include "data/UnitRecord.h"
#include "data/VersionValue.h"
#include "engine/HostMessages.h"
#include "trx/frame/FramePacker.h"

namespace engine::trace {

namespace {

using commlog::Direction;
using commlog::LineKind;
using commlog::LogLine;

// Bounds that keep one operation's record small whatever the log holds.
constexpr std::size_t kMaxTargets = 64;
constexpr std::size_t kMaxSteps = 256;
constexpr std::size_t kMaxProblems = 64;
constexpr std::size_t kMaxValuesPerTarget = 64;
constexpr int kMaxWriteAttempts = 1000;

// The engine's waits look at the time once per 100 ms: a time-out ends the
// wait up to a period after TIMEOUT, a cancel within a period of the button.
constexpr std::int64_t kWaitPeriodMs = 100;

constexpr std::uint8_t kBootModeOn = 1;

// The keep-alive frame as the library logs it: the frame bytes themselves.
constexpr std::array<std::uint8_t, 5> kActiveSenseLogged{0xD0, 0x00, 0x01, 0x00, 0xD1};

std::string hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
    return text;
}

std::string hex8(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / kMsPerSecond);
    return text;
}

std::string stampText(const commlog::StampTime& stamp) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", stamp.hour, stamp.minute, stamp.second);
    return text;
}

std::string lineRef(const LogMoment& moment) {
    return "line " + std::to_string(moment.line) + ", " + stampText(moment.stamp);
}

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    if (bytes.size() < at + 2) {
        return bytes.size() > at ? static_cast<std::uint16_t>(bytes[at] << 8) : 0;
    }
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

std::uint64_t lineBytesOf(std::span<const std::uint8_t> message) {
    std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame;
    return trx::frame::packFrame(message, frame);
}

// What a sent message is, by its bytes.
enum class Sent : std::uint8_t {
    ReadRequest,
    ReadBackRequest,
    Erase,
    Checksum,
    DataBlock,
    BootEnter,
    BootEnterEnd,
    BootLeave,
    Broadcast,
    Type3Select,
    Type3Echo,
    Type3WriteStart,
    Type4Select,
    Type4WriteStart,
    SegmentedBlock,
    Type3Checksum,
    Type4End,
    Command,
};

// Whether next is what the program sends on an answer to a message of kind
// answered: the next block or what follows the last one, the next piece of
// the preserved area or the erase, the echo or the select of another row.
bool followsUp(Sent answered, Sent next) {
    switch (answered) {
        case Sent::ReadBackRequest:
            return next == Sent::ReadBackRequest || next == Sent::Erase;
        case Sent::DataBlock:  // the wait of any data block, generic or type-3/4
            return next == Sent::DataBlock || next == Sent::Checksum || next == Sent::SegmentedBlock ||
                   next == Sent::Type3Checksum || next == Sent::Type4End;
        case Sent::Type3Select:
        case Sent::Type3Echo:
            return next == Sent::Type3Echo;
        case Sent::Type4Select:
            return next == Sent::Type4Select;
        default:
            return false;
    }
}

std::string_view sentName(Sent kind) {
    switch (kind) {
        case Sent::ReadRequest:
            return "read request";
        case Sent::ReadBackRequest:
            return "read-back request";
        case Sent::Erase:
            return "erase request";
        case Sent::Checksum:
            return "checksum request";
        case Sent::DataBlock:
            return "data block";
        case Sent::BootEnter:
        case Sent::BootEnterEnd:
            return "boot broadcast";
        case Sent::BootLeave:
            return "boot-leave broadcast";
        case Sent::Broadcast:
            return "broadcast";
        case Sent::Type3Select:
            return "type-3 select";
        case Sent::Type3Echo:
            return "type-3 echo";
        case Sent::Type3WriteStart:
            return "type-3 write start";
        case Sent::Type4Select:
            return "type-4 select";
        case Sent::Type4WriteStart:
            return "type-4 write start";
        case Sent::SegmentedBlock:
            return "type-3/4 data block";
        case Sent::Type3Checksum:
            return "type-3 checksum";
        case Sent::Type4End:
            return "type-4 end of write";
        case Sent::Command:
            return "command";
    }
    return "command";
}

}  // namespace

std::string_view problemKindName(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::RejectedBlock:
            return "rejected-block";
        case ProblemKind::EraseFailed:
            return "erase-failed";
        case ProblemKind::ChecksumFailed:
            return "checksum-failed";
        case ProblemKind::EndRejected:
            return "end-rejected";
        case ProblemKind::WrongTarget:
            return "wrong-target";
        case ProblemKind::Silence:
            return "silence";
        case ProblemKind::Cancelled:
            return "cancelled";
        case ProblemKind::PacketFall:
            return "packet-fall";
        case ProblemKind::TrxError:
            return "trx-error";
        case ProblemKind::BadMessage:
            return "bad-message";
        case ProblemKind::IgnoredReply:
            return "ignored-reply";
        case ProblemKind::Retry:
            return "retry";
        case ProblemKind::OpenFailed:
            return "open-failed";
        case ProblemKind::CutOff:
            return "cut-off";
        case ProblemKind::LostEntries:
            return "lost-entries";
    }
    return "problem";
}

std::string_view stepKindName(StepKind kind) {
    switch (kind) {
        case StepKind::BootEnter:
            return "boot-enter";
        case StepKind::BootLeave:
            return "boot-leave";
        case StepKind::IdRead:
            return "id-read";
        case StepKind::VersionRead:
            return "version-read";
        case StepKind::BlockRead:
            return "block-read";
        case StepKind::ReadBack:
            return "read-back";
        case StepKind::Erase:
            return "erase";
        case StepKind::Select:
            return "select";
        case StepKind::Echo:
            return "echo";
        case StepKind::WriteStart:
            return "write-start";
        case StepKind::Blocks:
            return "blocks";
        case StepKind::Checksum:
            return "checksum";
        case StepKind::EndOfWrite:
            return "end-of-write";
        case StepKind::Other:
            return "other";
    }
    return "other";
}

std::string_view operationKindName(OperationKind kind) {
    switch (kind) {
        case OperationKind::Reads:
            return "getver";
        case OperationKind::CheckPass:
            return "check";
        case OperationKind::Write:
            return "write";
        case OperationKind::Erase:
            return "erase";
        case OperationKind::BootOut:
            return "boot-out";
        case OperationKind::Empty:
            return "empty";
    }
    return "empty";
}

double OperationTrace::seconds() const {
    if (!start || !end) {
        return 0;
    }
    return static_cast<double>(end->atMs - start->atMs) / kMsPerSecond;
}

class LogTracer::State {
  public:
    State(const TraceSettings& settings, TraceSink& sink)
        : settings_(settings), sink_(sink), units_(settings_), listing_(sink.wantsMessages()) {}

    void take(const LogLine& line, std::uint64_t lineNumber) {
        summary_.lines = std::max(summary_.lines, lineNumber);
        switch (line.kind) {
            case LineKind::Data:
                data(line, lineNumber);
                break;
            case LineKind::Notice:
                notice(line, lineNumber);
                break;
            case LineKind::PacketFall: {
                TraceProblem problem;
                problem.kind = ProblemKind::PacketFall;
                problem.moment.line = lineNumber;
                problem.text = "Packet Fall: a received sequence number was skipped (" +
                               std::to_string(line.code) + " lost since the interface was opened)";
                addProblem(std::move(problem));
                break;
            }
            case LineKind::LogStart:
                logStart(lineNumber);
                break;
            case LineKind::Unreadable:
                takeUnreadable(lineNumber, line.text, {});
                break;
            case LineKind::LogClose:
            case LineKind::DriverProperty:
            case LineKind::Blank:
                break;
        }
    }

    void takeUnreadable(std::uint64_t lineNumber, std::string_view reason, std::string_view text) {
        summary_.lines = std::max(summary_.lines, lineNumber);
        ++summary_.unreadableLines;
        sink_.onUnreadableLine(lineNumber, reason, text);
    }

    void finish() {
        if (current_) {
            cutOff("the log ends before CloseInterface");
        }
        finalizeWaiting(std::nullopt);
        closeWrite();
    }

    const LogSummary& summary() const { return summary_; }

  private:
    // What a sent message waits for.
    struct Pending {
        bool awaiting = false;
        Sent what = Sent::Command;
        LogMoment sent;
        LogMoment lastHeard;  // the later of the request and the last accepted reply
        std::string description;
        int target = -1;
        std::size_t step = SIZE_MAX;  // the step that the answer completes
        StepKind readKind = StepKind::Other;
        std::uint32_t address = 0;
        std::uint16_t count = 0;
        std::int64_t timeoutMs = 0;
        std::string timeoutSource;
        bool silenceReported = false;
    };

    struct BlockRun {
        bool open = false;
        int target = -1;
        std::uint32_t count = 0;
        std::uint32_t acknowledged = 0;
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        LogMoment start;
        LogMoment lastSent;
        std::optional<LogMoment> lastAnswer;
    };

    struct Open {
        OperationTrace trace;
        Pending pending;
        BlockRun run;
        std::optional<ResultCode> sequenceError;
        std::optional<ResultCode> gaveUp;
        std::optional<LogMoment> bootEnter;
        bool flashWorkSinceBootEnter = false;
        data::UnitKind segmentedKind = data::UnitKind::Generic;
        int segmentedTarget = -1;
        std::optional<std::uint16_t> echoAsked;
        bool sawData = false;
        bool sawErase = false;
        bool sawBootEnter = false;
        bool sawBootLeave = false;
        bool sawReads = false;
        bool onlyIdReads = true;
        bool sawOther = false;
        std::string cutOffText;
        int ignoredReplies = 0;
        int badMessages = 0;
        // An answer the program replies to on its next message. A program
        // that stops waiting drops the answer it has just received, so a
        // next message that is no reply to it ends this wait instead.
        std::optional<Pending> replyDue;
    };

    struct WriteGroup {
        bool active = false;
        bool hasFlash = false;
        WriteTrace trace;
    };

    struct Previous {
        int number = 0;
        OperationKind kind = OperationKind::Empty;
        std::optional<ResultCode> result;
        std::optional<LogMoment> end;
        int write = 0;
        int attempt = 0;
    };

    // ---- lines ----

    void logStart(std::uint64_t lineNumber) {
        if (current_) {
            cutOff("a new log starts at line " + std::to_string(lineNumber));
        }
        finalizeWaiting(std::nullopt);
        ++summary_.logs;
        clock_.startLog();
        lostEntriesReported_ = false;
    }

    void notice(const LogLine& line, std::uint64_t lineNumber) {
        std::string_view text = line.text;
        while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) {
            text.remove_suffix(1);
        }
        if (line.code == commlog::kLifecycleCode) {
            if (text == commlog::kInitEndNotice) {
                openOperation(lineNumber);
                return;
            }
            if (text == commlog::kCloseCallNotice || text == commlog::kCloseEndNotice) {
                if (current_) {
                    current_->trace.closed = true;
                    current_->trace.lastLine = lineNumber;
                    if (text == commlog::kCloseEndNotice) {
                        closeOperation();
                    }
                }
                return;
            }
            const bool failure = text.find("Fail") != std::string_view::npos;
            if (!failure) {
                return;  // threads ended, library unloaded: the normal course
            }
        }
        TraceProblem problem;
        problem.kind = ProblemKind::TrxError;
        problem.moment.line = lineNumber;
        problem.text = "TRX notice E" + std::to_string(line.code) + ": " + std::string(text);
        if (!current_) {
            // Reports of the port set-up come before the notice that ends InitInterface.
            if (line.code == commlog::kSystemCallCode && isOpenFailure(text)) {
                openFailing_ = true;
            }
            beforeOpen_.push_back(std::move(problem));
            if (beforeOpen_.size() > kMaxProblems) {
                beforeOpen_.erase(beforeOpen_.begin());
            }
            return;
        }
        addProblem(std::move(problem));
    }

    static bool isOpenFailure(std::string_view text) {
        for (const std::string_view call :
             {" CreateFile ", " SetupComm ", " GetCommTimeouts ", " GetCommState ", " SetCommState "}) {
            if (text.find(call) != std::string_view::npos) {
                return true;
            }
        }
        return false;
    }

    void data(const LogLine& line, std::uint64_t lineNumber) {
        bool inconsistent = false;
        const LogMoment moment = clock_.at(line, lineNumber, inconsistent);
        if (!summary_.first) {
            summary_.first = moment;
        }
        summary_.last = moment;
        summary_.exactTimes = summary_.exactTimes && moment.exact;
        ++summary_.messages;
        finalizeWaiting(moment);
        if (!current_) {
            openOperation(lineNumber);
            current_->cutOffText = "its start is not in the log";
        }
        Open& op = *current_;
        if (inconsistent && !lostEntriesReported_) {
            lostEntriesReported_ = true;
            TraceProblem problem;
            problem.kind = ProblemKind::LostEntries;
            problem.moment = moment;
            problem.timed = true;
            problem.text =
                "the elapsed times no longer fit the time stamps from here on: log entries were lost "
                "or the clock was set; times are exact only between lines of the same direction";
            addProblem(std::move(problem));
        }
        if (!op.trace.start) {
            op.trace.start = moment;
            op.trace.exactTimes = moment.exact;
        }
        op.trace.end = moment;
        op.trace.exactTimes = op.trace.exactTimes && moment.exact;
        op.trace.lastLine = lineNumber;

        const std::span<const std::uint8_t> bytes = line.data();
        message_ = TracedMessage{};
        message_.moment = moment;
        message_.elapsedMs = line.elapsedMs;
        message_.direction = line.direction;
        message_.bytes = bytes;
        message_.operation = op.trace.number;

        const bool activeSense =
            std::equal(bytes.begin(), bytes.end(), kActiveSenseLogged.begin(), kActiveSenseLogged.end());
        const std::optional<host::HostMessage> parsed =
            activeSense ? std::nullopt : host::parseMessage(bytes);
        if (parsed) {
            message_.unitMessage = true;
            message_.kind = parsed->kind;
            message_.command = parsed->command;
            message_.sender = parsed->sender;
            message_.receiver = parsed->receiver;
            message_.address = parsed->address;
            message_.longAddress = host::hasLongAddress(parsed->command);
            message_.payload = parsed->payload;
        }
        switch (line.direction) {
            case Direction::Sent:
                ++op.trace.messagesSent;
                if (activeSense) {
                    op.trace.lineBytesSent += bytes.size();
                    message_.name = "active sense";
                } else {
                    op.trace.lineBytesSent += lineBytesOf(bytes);
                    if (parsed) {
                        sent(op, *parsed, moment);
                    } else {
                        message_.name = "not a unit message";
                    }
                }
                break;
            case Direction::Received:
                ++op.trace.messagesReceived;
                op.trace.lineBytesReceived += lineBytesOf(bytes);
                received(op, parsed ? &*parsed : nullptr, bytes, moment);
                break;
            case Direction::Local:
                message_.name = "looped back inside the library";
                break;
        }
        if (listing_) {
            sink_.onMessage(message_);
        }
    }

    // ---- operations ----

    void openOperation(std::uint64_t lineNumber) {
        if (current_) {
            cutOff("InitInterface comes again at line " + std::to_string(lineNumber) +
                   " without CloseInterface");
        }
        current_ = std::make_unique<Open>();
        Open& op = *current_;
        op.trace.number = ++operationCount_;
        op.trace.log = std::max(summary_.logs, 1);
        op.trace.firstLine = lineNumber;
        op.trace.lastLine = lineNumber;
        op.trace.openFailed = openFailing_;
        for (TraceProblem& problem : beforeOpen_) {
            addProblem(std::move(problem));
        }
        beforeOpen_.clear();
        openFailing_ = false;
        replay_.reset();
    }

    void closeOperation() {
        Open& op = *current_;
        closeRun(op);
        dropUnansweredReply(op);
        if (op.pending.awaiting) {
            // When the program stopped waiting shows only at its next message.
            finalizeWaiting(std::nullopt);
            waiting_ = std::move(current_);
            return;
        }
        finalize(std::move(current_));
    }

    void cutOff(std::string why) {
        Open& op = *current_;
        op.trace.closed = false;
        op.cutOffText = std::move(why);
        closeRun(op);
        finalize(std::move(current_));
    }

    // The closed operation that still waited for an answer: the next
    // message of the log (or its end) tells how the wait ended.
    void finalizeWaiting(std::optional<LogMoment> next) {
        if (!waiting_) {
            return;
        }
        std::unique_ptr<Open> op = std::move(waiting_);
        endWaitAtClose(*op, next);
        finalize(std::move(op));
    }

    void finalize(std::unique_ptr<Open> owned) {
        // Operations are handed over in their order.
        finalizeWaiting(std::nullopt);
        Open& op = *owned;
        OperationTrace& trace = op.trace;
        if (!trace.closed) {
            if (op.pending.awaiting) {
                TraceProblem problem;
                problem.kind = ProblemKind::CutOff;
                problem.moment = op.pending.sent;
                problem.timed = true;
                problem.text = "the log ends while " + op.pending.description + " (" +
                               lineRef(op.pending.sent) + ") waits for its answer";
                addProblem(op, std::move(problem));
            }
            TraceProblem problem;
            problem.kind = ProblemKind::CutOff;
            problem.moment.line = trace.lastLine;
            problem.text = op.cutOffText.empty() ? "the log ends before CloseInterface" : op.cutOffText;
            addProblem(op, std::move(problem));
            trace.result.reset();
        } else if (trace.openFailed) {
            TraceProblem problem;
            problem.kind = ProblemKind::OpenFailed;
            problem.moment.line = trace.firstLine;
            problem.text = "the port did not open (\"Interface Open NG\")";
            addProblem(op, std::move(problem));
            trace.result = ResultCode::OpenFailed;
        } else if (op.sequenceError) {
            trace.result = *op.sequenceError;
        } else if (op.gaveUp) {
            trace.result = *op.gaveUp;
        } else {
            trace.result = ResultCode::Ok;
            if (!op.cutOffText.empty()) {
                TraceProblem problem;
                problem.kind = ProblemKind::CutOff;
                problem.moment.line = trace.firstLine;
                problem.text = op.cutOffText;
                addProblem(op, std::move(problem));
            }
        }
        trace.kind = kindOf(op);
        group(op);
        summary_.operations = std::max(summary_.operations, trace.number);
        summary_.blocks += trace.blocks;
        summary_.firmwareBytes += trace.firmwareBytes;
        summary_.lineBytesSent += trace.lineBytesSent;
        summary_.lineBytesReceived += trace.lineBytesReceived;
        summary_.transferMs += trace.transferMs;
        sink_.onOperation(trace);
        previous_.number = trace.number;
        previous_.kind = trace.kind;
        previous_.result = trace.result;
        previous_.end = trace.end;
        previous_.write = trace.write;
        previous_.attempt = trace.attempt;
    }

    static OperationKind kindOf(const Open& op) {
        if (op.sawData) {
            return OperationKind::Write;
        }
        if (op.sawErase || op.sawBootEnter) {
            // Without data only a completed erase tells an erase from a write that failed early.
            return op.sawErase && op.trace.result == ResultCode::Ok ? OperationKind::Erase
                                                                    : OperationKind::Write;
        }
        if (op.sawReads) {
            return op.onlyIdReads ? OperationKind::CheckPass : OperationKind::Reads;
        }
        if (op.sawBootLeave) {
            return OperationKind::BootOut;
        }
        if (op.sawOther) {
            return OperationKind::Reads;
        }
        return OperationKind::Empty;
    }

    // The operations of one write: the check pass, the attempts, the boot-out.
    void group(Open& op) {
        OperationTrace& trace = op.trace;
        const bool follows = writes_.active && writes_.trace.lastOperation == trace.number - 1;
        const bool previousFailed = previous_.result != ResultCode::Ok;
        const bool flash = trace.kind == OperationKind::Write || trace.kind == OperationKind::Erase;
        switch (trace.kind) {
            case OperationKind::CheckPass:
                closeWrite();
                startWrite(trace);
                break;
            case OperationKind::Write:
            case OperationKind::Erase: {
                const bool afterCheck = follows && previous_.kind == OperationKind::CheckPass;
                const bool again = follows && writes_.hasFlash && previousFailed &&
                                   writes_.trace.attempts < kMaxWriteAttempts;
                if (afterCheck || again) {
                    joinWrite(trace);
                } else {
                    closeWrite();
                    startWrite(trace);
                }
                trace.attempt = ++writes_.trace.attempts;
                if (again) {
                    noteRetry(op);
                }
                break;
            }
            case OperationKind::BootOut:
                if (follows && writes_.hasFlash) {
                    joinWrite(trace);
                }
                break;
            case OperationKind::Empty:
                if (follows && trace.openFailed) {
                    joinWrite(trace);
                    trace.attempt = ++writes_.trace.attempts;
                    break;
                }
                closeWrite();
                break;
            case OperationKind::Reads:
                closeWrite();
                break;
        }
        if (trace.write == 0) {
            return;
        }
        WriteTrace& write = writes_.trace;
        write.lastOperation = trace.number;
        if (flash || trace.kind == OperationKind::Empty) {
            write.result = trace.result;
            writes_.hasFlash = writes_.hasFlash || flash;
        }
        if (trace.start && !write.start) {
            write.start = trace.start;
        }
        if (trace.end) {
            write.end = trace.end;
        }
        write.exactTimes = write.exactTimes && trace.exactTimes;
        write.blocks += trace.blocks;
        write.firmwareBytes += trace.firmwareBytes;
        write.lineBytesSent += trace.lineBytesSent;
        write.transferMs += trace.transferMs;
        for (const TargetTrace& target : trace.targets) {
            if (target.blocks == 0 && target.eraseSent == 0 && target.selects == 0 &&
                target.idBytes.empty()) {
                continue;
            }
            std::string name = targetName(target);
            if (std::find(write.units.begin(), write.units.end(), name) == write.units.end() &&
                write.units.size() < kMaxTargets) {
                write.units.push_back(std::move(name));
            }
        }
    }

    void startWrite(OperationTrace& trace) {
        writes_ = WriteGroup{};
        writes_.active = true;
        writes_.trace.number = ++writeCount_;
        writes_.trace.firstOperation = trace.number;
        writes_.trace.exactTimes = true;
        trace.write = writes_.trace.number;
    }

    void joinWrite(OperationTrace& trace) { trace.write = writes_.trace.number; }

    void closeWrite() {
        if (!writes_.active) {
            return;
        }
        writes_.active = false;
        summary_.writes = std::max(summary_.writes, writes_.trace.number);
        sink_.onWrite(writes_.trace);
    }

    void noteRetry(Open& op) {
        TraceProblem problem;
        problem.kind = ProblemKind::Retry;
        if (op.trace.start) {
            problem.moment = *op.trace.start;
            problem.timed = true;
        } else {
            problem.moment.line = op.trace.firstLine;
        }
        std::string text = "attempt " + std::to_string(op.trace.attempt) + ": the interface was opened again";
        if (previous_.result) {
            text += " after " + std::string(resultName(*previous_.result)) + " of operation " +
                    std::to_string(previous_.number);
        }
        if (previous_.result == ResultCode::WrongTarget) {
            text += " (an image the unit refused is left out; this attempt does not count as a retry)";
        }
        if (previous_.end && op.trace.start) {
            text += ", " + seconds(op.trace.start->atMs - previous_.end->atMs) + " after its last message";
        }
        problem.text = std::move(text);
        // It happened first: it goes before what went wrong in the attempt.
        op.trace.problems.insert(op.trace.problems.begin(), std::move(problem));
        if (op.trace.problems.size() > kMaxProblems) {
            op.trace.problems.pop_back();
            ++op.trace.problemsLeftOut;
        }
    }

    // ---- targets and steps ----

    static std::string targetName(const TargetTrace& target) {
        std::string name;
        if (!target.unitName.empty()) {
            name = target.unitName;
            if (!target.cpuName.empty()) {
                name += "/" + target.cpuName;
            }
            return name;
        }
        name = "bus " + hex2(target.bus);
        if (target.mask) {
            name += " mask " + hex4(*target.mask);
        }
        return name;
    }

    int targetIndex(Open& op, std::uint8_t bus, const SiteUnits::Found& found,
                    std::optional<std::uint16_t> mask) {
        auto& targets = op.trace.targets;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const TargetTrace& target = targets[i];
            if (target.bus == bus && target.unitIndex == found.unit && target.cpuIndex == found.cpu &&
                target.cpuName == found.cpuName && (found.unit >= 0 || target.mask == mask)) {
                return static_cast<int>(i);
            }
        }
        if (targets.size() >= kMaxTargets) {
            return -1;
        }
        TargetTrace target;
        target.bus = bus;
        target.unitIndex = found.unit;
        target.cpuIndex = found.cpu;
        target.unitName = found.unitName;
        target.cpuName = found.cpuName;
        target.mask = mask;
        targets.push_back(std::move(target));
        return static_cast<int>(targets.size() - 1);
    }

    TargetTrace* target(Open& op, int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= op.trace.targets.size()) {
            return nullptr;
        }
        return &op.trace.targets[static_cast<std::size_t>(index)];
    }

    std::string nameOf(Open& op, int index, std::uint8_t bus) {
        if (const TargetTrace* found = target(op, index)) {
            std::string name = targetName(*found);
            if (!found->unitName.empty()) {
                name += " (bus " + hex2(found->bus) + ")";
            }
            return name;
        }
        return "bus " + hex2(bus);
    }

    std::size_t addStep(Open& op, StepKind kind, const LogMoment& moment, std::string text) {
        if (op.trace.steps.size() >= kMaxSteps) {
            ++op.trace.stepsLeftOut;
            return SIZE_MAX;
        }
        op.trace.steps.push_back(TraceStep{kind, moment, std::move(text)});
        return op.trace.steps.size() - 1;
    }

    void completeStep(Open& op, std::size_t step, const std::string& outcome) {
        if (step < op.trace.steps.size()) {
            op.trace.steps[step].text += ": " + outcome;
        }
    }

    void addProblem(TraceProblem problem) {
        if (current_) {
            addProblem(*current_, std::move(problem));
        } else if (waiting_) {
            addProblem(*waiting_, std::move(problem));
        } else if (beforeOpen_.size() < kMaxProblems) {
            beforeOpen_.push_back(std::move(problem));
        }
    }

    void addProblem(Open& op, TraceProblem problem) {
        if (op.trace.problems.size() >= kMaxProblems) {
            ++op.trace.problemsLeftOut;
            return;
        }
        op.trace.problems.push_back(std::move(problem));
    }

    void closeRun(Open& op) {
        BlockRun& run = op.run;
        if (!run.open) {
            return;
        }
        run.open = false;
        // The transfer time counts while blocks go out and are answered, not
        // the pauses between images.
        const LogMoment& until =
            run.lastAnswer && run.lastAnswer->atMs > run.lastSent.atMs ? *run.lastAnswer : run.lastSent;
        op.trace.transferMs += std::max<std::int64_t>(0, until.atMs - run.start.atMs);
        std::string text = "blocks to " + nameOf(op, run.target, 0) + ": " + std::to_string(run.count) +
                           (run.count == 1 ? " block " : " blocks ") + hex8(run.first) + " - " +
                           hex8(run.last + host::kDataBlockSize - 1) + ", " +
                           std::to_string(run.acknowledged) + " acknowledged";
        if (run.lastAnswer && run.lastAnswer->atMs > run.start.atMs) {
            char rate[48];
            std::snprintf(rate, sizeof rate, ", %.1f blocks/s",
                          run.acknowledged * static_cast<double>(kMsPerSecond) /
                              static_cast<double>(run.lastAnswer->atMs - run.start.atMs));
            text += rate;
        }
        addStep(op, StepKind::Blocks, run.start, std::move(text));
    }

    // ---- what the program sent ----

    Sent classify(const Open& op, const host::HostMessage& message) const {
        if (message.receiver == host::kBroadcastTarget) {
            const std::uint8_t value = static_cast<std::uint8_t>(message.address >> 8);
            if (message.command == host::kCommandSegmented) {
                // Boot mode is entered with the value 1 and, at once, 0.
                return value == kBootModeOn ? Sent::BootEnter : Sent::BootEnterEnd;
            }
            return message.command == host::kCommandBootLeave ? Sent::BootLeave : Sent::Broadcast;
        }
        if (message.kind == host::kKindReadRequest) {
            const bool readBack = message.command == host::kCommandRead32 &&
                                  message.receiver == host::kReadBackTarget &&
                                  message.address >= host::kReadBackAddress &&
                                  message.address < host::kReadBackAddress + host::kReadBackLength;
            return readBack ? Sent::ReadBackRequest : Sent::ReadRequest;
        }
        if (message.kind != 0) {
            return Sent::Command;
        }
        if (message.command == host::kCommandStatus) {
            if (message.address == host::kEraseRegister) {
                return Sent::Erase;
            }
            return message.address == host::kChecksumRegister ? Sent::Checksum : Sent::Command;
        }
        if (message.command == host::kCommandData32) {
            return Sent::DataBlock;
        }
        if (message.command != host::kCommandSegmented || message.receiver != host::kSegmentedTarget) {
            return Sent::Command;
        }
        if (host::isSegmentedDataBlock(message)) {
            return Sent::SegmentedBlock;
        }
        const std::uint16_t value = word(message.payload, 0);
        switch (message.address) {
            case host::kSelectRegister:
                return op.echoAsked && *op.echoAsked == value ? Sent::Type3Echo : Sent::Type3Select;
            case host::kType3WriteStartRegister:
                return Sent::Type3WriteStart;
            case host::kType4SelectRegister:
                return Sent::Type4Select;
            case host::kType4WriteStartRegister:
                return Sent::Type4WriteStart;
            case host::kChecksumRegister:
                return op.segmentedKind == data::UnitKind::Type4 ? Sent::Type4End : Sent::Type3Checksum;
            default:
                return Sent::Command;
        }
    }

    void await(Open& op, Sent what, const LogMoment& moment, std::string description, int targetIndex,
               std::size_t step, data::UnitKind kind) {
        Pending& pending = op.pending;
        pending = Pending{};
        pending.awaiting = true;
        pending.what = what;
        pending.sent = moment;
        pending.lastHeard = moment;
        pending.description = std::move(description);
        pending.target = targetIndex;
        pending.step = step;
        const TargetTrace* found = target(op, targetIndex);
        SiteUnits::Timeout timeout = units_.timeoutFor(found ? found->unitIndex : -1, kind);
        pending.timeoutMs = timeout.ms;
        pending.timeoutSource = std::move(timeout.source);
    }

    void sent(Open& op, const host::HostMessage& message, const LogMoment& moment) {
        const Sent kind = classify(op, message);
        message_.name = sentName(kind);
        if (op.replyDue && followsUp(op.replyDue->what, kind)) {
            op.replyDue.reset();
        }
        dropUnansweredReply(op);
        if (op.pending.awaiting) {
            // The program moved on while a request still waited: the wait has ended.
            endWaitWithin(op, moment);
        }
        replay_.noteSent(message);
        if (kind != Sent::DataBlock && kind != Sent::SegmentedBlock) {
            closeRun(op);
        }
        switch (kind) {
            case Sent::ReadRequest:
                sentRead(op, message, moment);
                break;
            case Sent::ReadBackRequest:
                sentReadBack(op, message, moment);
                break;
            case Sent::Erase: {
                const int index =
                    targetIndex(op, message.receiver, units_.atBus(message.receiver), std::nullopt);
                if (TargetTrace* found = target(op, index)) {
                    ++found->eraseSent;
                }
                op.sawErase = true;
                op.flashWorkSinceBootEnter = true;
                const std::string name = nameOf(op, index, message.receiver);
                const std::size_t step = addStep(op, StepKind::Erase, moment, "erase of " + name);
                await(op, kind, moment, "the erase request to " + name, index, step, data::UnitKind::Generic);
                if (listing_) {
                    message_.meaning = "erase " + name;
                }
                break;
            }
            case Sent::Checksum:
            case Sent::Type3Checksum: {
                const bool segmented = kind == Sent::Type3Checksum;
                const int index = segmented ? op.segmentedTarget
                                            : targetIndex(op, message.receiver,
                                                          units_.atBus(message.receiver), std::nullopt);
                const std::uint16_t value = word(message.payload, 0);
                if (TargetTrace* found = target(op, index)) {
                    found->checksumSent = value;
                }
                op.sawData = true;
                const std::string name = nameOf(op, index, message.receiver);
                const std::size_t step =
                    addStep(op, StepKind::Checksum, moment, "checksum " + hex4(value) + " to " + name);
                await(op, kind, moment, "the checksum " + hex4(value) + " to " + name, index, step,
                      segmented ? data::UnitKind::Type3 : data::UnitKind::Generic);
                if (listing_) {
                    message_.meaning = "checksum " + hex4(value);
                }
                break;
            }
            case Sent::DataBlock:
                sentBlock(op, message.receiver,
                          targetIndex(op, message.receiver, units_.atBus(message.receiver), std::nullopt),
                          message.address, moment, data::UnitKind::Generic);
                break;
            case Sent::SegmentedBlock:
                sentBlock(op, message.receiver, op.segmentedTarget, host::segmentedBlockAddress(message),
                          moment, op.segmentedKind);
                break;
            case Sent::BootEnter:
                op.sawBootEnter = true;
                op.bootEnter = moment;
                op.flashWorkSinceBootEnter = false;
                addStep(op, StepKind::BootEnter, moment, "boot mode on (broadcast 0x33 to 0xFE)");
                if (listing_) {
                    message_.meaning = "into boot mode";
                }
                break;
            case Sent::BootEnterEnd:
                if (listing_) {
                    message_.meaning = "into boot mode, second half";
                }
                break;
            case Sent::BootLeave:
                op.sawBootLeave = true;
                addStep(op, StepKind::BootLeave, moment, "boot mode off (broadcast 0x34 to 0xFE)");
                checkBootWait(op, moment);
                if (listing_) {
                    message_.meaning = "out of boot mode";
                }
                break;
            case Sent::Broadcast:
                if (listing_) {
                    message_.meaning = "value " + hex2(static_cast<unsigned>(message.address >> 8));
                }
                break;
            case Sent::Type3Select:
            case Sent::Type4Select:
                sentSelect(op, message, moment,
                           kind == Sent::Type3Select ? data::UnitKind::Type3 : data::UnitKind::Type4);
                break;
            case Sent::Type3Echo: {
                const std::uint16_t value = word(message.payload, 0);
                if (TargetTrace* found = target(op, op.segmentedTarget)) {
                    ++found->echoes;
                }
                op.echoAsked.reset();
                const std::size_t step = addStep(op, StepKind::Echo, moment, "echo " + hex4(value));
                await(op, kind, moment, "the echo " + hex4(value), op.segmentedTarget, step,
                      data::UnitKind::Type3);
                if (listing_) {
                    message_.meaning = "echo " + hex4(value);
                }
                break;
            }
            case Sent::Type3WriteStart:
            case Sent::Type4WriteStart: {
                const std::uint16_t mask = word(message.payload, 0);
                if (TargetTrace* found = target(op, op.segmentedTarget)) {
                    ++found->writeStarts;
                }
                op.sawData = true;
                addStep(op, StepKind::WriteStart, moment,
                        "write start of " + nameOf(op, op.segmentedTarget, message.receiver) + " (mask " +
                            hex4(mask) + ")");
                if (listing_) {
                    message_.meaning = "mask " + hex4(mask);
                }
                break;
            }
            case Sent::Type4End: {
                if (TargetTrace* found = target(op, op.segmentedTarget)) {
                    found->endSent = true;
                }
                const std::string name = nameOf(op, op.segmentedTarget, message.receiver);
                const std::size_t step = addStep(op, StepKind::EndOfWrite, moment, "end of write to " + name);
                await(op, kind, moment, "the end of write to " + name, op.segmentedTarget, step,
                      data::UnitKind::Type4);
                break;
            }
            case Sent::Command:
                op.sawOther = true;
                addStep(op, StepKind::Other, moment,
                        "command " + hex2(message.command) + " to " + hex2(message.receiver) + " at " +
                            (host::hasLongAddress(message.command) ? hex8(message.address)
                                                                   : hex4(message.address)));
                break;
        }
    }

    void sentRead(Open& op, const host::HostMessage& message, const LogMoment& moment) {
        const std::uint16_t count = word(message.payload, 0);
        StepKind readKind = count == 1   ? StepKind::IdRead
                            : count == 2 ? StepKind::VersionRead
                                         : StepKind::BlockRead;
        const SiteUnits::Found found = units_.readAt(message.address, readKind);
        const int index = targetIndex(op, message.receiver, found, std::nullopt);
        op.sawReads = true;
        if (readKind != StepKind::IdRead) {
            op.onlyIdReads = false;
        }
        const std::string name = nameOf(op, index, message.receiver);
        std::string what = readKind == StepKind::IdRead        ? "ID read"
                           : readKind == StepKind::VersionRead ? "version read"
                                                               : "block read";
        what += " of " + name + " at " +
                (host::hasLongAddress(message.command) ? hex8(message.address) : hex4(message.address));
        if (readKind == StepKind::BlockRead) {
            what += " (" + std::to_string(count) + " bytes)";
        }
        const std::size_t step = addStep(op, readKind, moment, what);
        const data::UnitKind kind =
            message.receiver == host::kSegmentedTarget ? data::UnitKind::Type3 : data::UnitKind::Generic;
        await(op, Sent::ReadRequest, moment, "the " + what, index, step, kind);
        op.pending.readKind = readKind;
        op.pending.address = message.address;
        op.pending.count = count;
        if (listing_) {
            message_.meaning = std::to_string(count) + (count == 1 ? " byte" : " bytes") + " (" + what + ")";
        }
    }

    void sentReadBack(Open& op, const host::HostMessage& message, const LogMoment& moment) {
        const int index = targetIndex(op, message.receiver, units_.atBus(message.receiver), std::nullopt);
        op.flashWorkSinceBootEnter = true;
        op.sawData = true;
        const std::string name = nameOf(op, index, message.receiver);
        std::size_t step = SIZE_MAX;
        if (message.address == host::kReadBackAddress) {
            step = addStep(op, StepKind::ReadBack, moment,
                           "read-back of the preserved area " + hex8(host::kReadBackAddress) + " - " +
                               hex8(host::kReadBackAddress + host::kReadBackLength - 1) + " of " + name);
            readBackStep_ = step;
        }
        await(op, Sent::ReadBackRequest, moment,
              "the read-back request " + hex8(message.address) + " to " + name, index, readBackStep_,
              data::UnitKind::Generic);
        (void)step;
        if (listing_) {
            message_.meaning = "128 bytes at " + hex8(message.address);
        }
    }

    void sentBlock(Open& op, std::uint8_t bus, int index, std::uint32_t address, const LogMoment& moment,
                   data::UnitKind kind) {
        op.sawData = true;
        op.flashWorkSinceBootEnter = true;
        ++op.trace.blocks;
        op.trace.firmwareBytes += host::kDataBlockSize;
        if (TargetTrace* found = target(op, index)) {
            ++found->blocks;
            if (!found->firstAddress) {
                found->firstAddress = address;
            }
            found->lastAddress = address;
        }
        BlockRun& run = op.run;
        if (!run.open || run.target != index) {
            closeRun(op);
            run = BlockRun{};
            run.open = true;
            run.target = index;
            run.first = address;
            run.start = moment;
        }
        ++run.count;
        run.last = address;
        run.lastSent = moment;
        await(op, Sent::DataBlock, moment,
              "the block " + hex8(address) + " - " + hex8(address + host::kDataBlockSize - 1) + " to " +
                  nameOf(op, index, bus),
              index, SIZE_MAX, kind);
        op.pending.address = address;
        if (listing_) {
            message_.meaning = hex8(address) + " - " + hex8(address + host::kDataBlockSize - 1);
        }
    }

    void sentSelect(Open& op, const host::HostMessage& message, const LogMoment& moment,
                    data::UnitKind kind) {
        const std::uint16_t mask = word(message.payload, 0);
        const bool askedFor = op.echoAsked.has_value();
        op.echoAsked.reset();
        op.segmentedKind = kind;
        op.sawErase = true;
        const int cpu = std::has_single_bit(mask) ? std::countr_zero(mask) : -1;
        const int index = targetIndex(op, message.receiver, units_.segmented(kind, cpu), mask);
        op.segmentedTarget = index;
        if (TargetTrace* found = target(op, index)) {
            ++found->selects;
            ++found->eraseSent;
        }
        const std::string name = nameOf(op, index, message.receiver);
        std::string text = std::string(kind == data::UnitKind::Type3 ? "type-3" : "type-4") + " select of " +
                           name + " (mask " + hex4(mask) + ")";
        if (askedFor) {
            text += ", as the unit asked";
        }
        const std::size_t step = addStep(op, StepKind::Select, moment, text);
        await(op, kind == data::UnitKind::Type3 ? Sent::Type3Select : Sent::Type4Select, moment,
              "the select of " + name, index, step, kind);
        if (listing_) {
            message_.meaning = "mask " + hex4(mask) + " (" + name + ")";
        }
    }

    // The console left boot mode before the boot-in wait was over and before
    // anything was erased: the wait was cancelled.
    void checkBootWait(Open& op, const LogMoment& moment) {
        if (!op.bootEnter || op.flashWorkSinceBootEnter) {
            return;
        }
        const std::int64_t waited = moment.atMs - op.bootEnter->atMs;
        const std::int64_t bootIn = units_.bootInMs();
        if (waited + kWaitPeriodMs < bootIn && !op.sequenceError && !op.gaveUp) {
            op.gaveUp = ResultCode::Cancelled;
            TraceProblem problem;
            problem.kind = ProblemKind::Cancelled;
            problem.moment = moment;
            problem.timed = true;
            problem.text = "boot mode was left " + seconds(waited) +
                           " after it was entered, before the boot-in "
                           "wait of " +
                           seconds(bootIn) + " was over and before anything was erased: cancelled";
            addProblem(op, std::move(problem));
        }
        op.bootEnter.reset();
    }

    // ---- what the program received ----

    void received(Open& op, const host::HostMessage* message, std::span<const std::uint8_t> bytes,
                  const LogMoment& moment) {
        if (message == nullptr) {
            message_.name = "not a unit message";
            if (++op.badMessages <= 8) {
                TraceProblem problem;
                problem.kind = ProblemKind::BadMessage;
                problem.moment = moment;
                problem.timed = true;
                problem.text = "received " + std::to_string(bytes.size()) +
                               " bytes that are not a unit message (a damaged frame)";
                addProblem(op, std::move(problem));
            }
            return;
        }
        message_.name = receivedName(*message);
        checkSilence(op, moment, true);
        const Pending before = op.pending;
        const ReplyReading reading = replay_.read(*message);
        if (!reading.taken) {
            if (listing_) {
                message_.meaning = message->receiver != replay_.ownAddress() ? "not for the PC: ignored"
                                   : reading.late                            ? "after the exchange had ended"
                                                                             : "ignored by the program";
            }
            if (before.awaiting && ++op.ignoredReplies <= 8) {
                TraceProblem problem;
                problem.kind = ProblemKind::IgnoredReply;
                problem.moment = moment;
                problem.timed = true;
                problem.text = "the program ignored " + std::string(message_.name) + " " +
                               hex2(message->command) + " from " + hex2(message->sender) + " at " +
                               hex4(message->address) + " while " + before.description +
                               " waited for its answer";
                addProblem(op, std::move(problem));
            }
            return;
        }
        if (reading.accepted || reading.answers) {
            op.pending.lastHeard = moment;
        }
        if (reading.error != ResultCode::Ok && !op.sequenceError) {
            op.sequenceError = reading.error;
        }
        if (!before.awaiting) {
            if (listing_) {
                message_.meaning = "after the exchange had ended";
            }
            return;
        }
        answered(op, *message, reading, moment);
        if (reading.answers && !reading.ended) {
            op.replyDue = before;
        }
    }

    // The program sent no reply to the answer it received: it had stopped
    // waiting as the answer came, and the wait before it ends now.
    static void dropUnansweredReply(Open& op) {
        if (op.replyDue && !op.pending.awaiting) {
            op.pending = std::move(*op.replyDue);
        }
        op.replyDue.reset();
    }

    static std::string_view receivedName(const host::HostMessage& message) {
        if (message.kind == host::kKindReadReply) {
            return "read reply";
        }
        if (message.command == host::kCommandStatus) {
            return "status reply";
        }
        if (message.command == host::kCommandSegmented) {
            switch (message.address) {
                case host::kSelectRegister:
                case host::kType4SelectRegister:
                    return "select reply";
                case host::kType4WriteStartRegister:
                    return "end-of-write reply";
                default:
                    return "type-3/4 reply";
            }
        }
        return "message";
    }

    void answered(Open& op, const host::HostMessage& message, const ReplyReading& reading,
                  const LogMoment& moment) {
        Pending& pending = op.pending;
        TargetTrace* found = target(op, pending.target);
        const std::string status(reading.status);
        switch (pending.what) {
            case Sent::ReadRequest: {
                if (!reading.accepted) {
                    return;
                }
                std::string value;
                if (pending.readKind == StepKind::VersionRead && message.payload.size() == 2) {
                    const std::uint16_t versionWord = word(message.payload, 0);
                    const std::string text = data::VersionValue::fromWord(versionWord).text();
                    value = text + " (" + hex4(versionWord) + ")";
                    if (found && found->versions.size() < kMaxValuesPerTarget) {
                        found->versions.push_back({pending.address, versionWord, text});
                    }
                } else {
                    for (std::size_t i = 0; i < message.payload.size(); ++i) {
                        value += (i ? " " : "") + hex2(message.payload[i]).substr(2);
                        if (found && pending.readKind != StepKind::VersionRead &&
                            found->idBytes.size() < kMaxValuesPerTarget) {
                            found->idBytes.push_back(message.payload[i]);
                        }
                    }
                }
                completeStep(op, pending.step, value);
                if (listing_) {
                    message_.meaning = value;
                }
                break;
            }
            case Sent::ReadBackRequest:
                if (found) {
                    ++found->readBackPieces;
                }
                if (listing_) {
                    message_.meaning = "128 bytes of the preserved area";
                }
                if (message.address + host::kDataBlockSize >=
                    host::kReadBackAddress + host::kReadBackLength) {
                    completeStep(op, pending.step, "read whole");
                }
                break;
            case Sent::Erase: {
                const std::uint8_t answer = message.payload[0];
                if (found) {
                    found->eraseAnswer = answer;
                }
                const bool refused = reading.error == ResultCode::EraseFailed;
                completeStep(op, pending.step, refused ? "refused (answer " + hex2(answer) + ")" : "erased");
                if (refused) {
                    report(op, ProblemKind::EraseFailed, moment,
                           pending.description + " was refused (answer " + hex2(answer) + ", \"" + status +
                               "\")");
                }
                if (listing_) {
                    message_.meaning = refused ? status : "erased";
                }
                break;
            }
            case Sent::DataBlock:
            case Sent::SegmentedBlock:
                answeredBlock(op, message, reading, moment);
                break;
            case Sent::Checksum:
            case Sent::Type3Checksum: {
                const std::uint16_t answer =
                    pending.what == Sent::Checksum ? message.payload[0] : word(message.payload, 0);
                if (found) {
                    found->checksumAnswer = answer;
                }
                const bool refused = reading.error == ResultCode::ChecksumFailed;
                completeStep(op, pending.step,
                             refused ? "rejected (answer " + hex4(answer) + ")" : "accepted");
                if (refused) {
                    std::string text = pending.description + " was rejected: \"" + status + "\"";
                    if (found && found->lastAcknowledged) {
                        text += "; every block up to " + hex8(*found->lastAcknowledged) +
                                " had been acknowledged";
                    }
                    report(op, ProblemKind::ChecksumFailed, moment, std::move(text));
                }
                if (listing_) {
                    message_.meaning = refused ? status : "accepted (" + status + ")";
                }
                break;
            }
            case Sent::Type4End: {
                const std::uint16_t answer = word(message.payload, 0);
                if (found) {
                    found->endAnswer = answer;
                }
                const bool refused = reading.error == ResultCode::WriteFailed;
                completeStep(op, pending.step,
                             refused ? "rejected (answer " + hex4(answer) + ")" : "accepted");
                if (refused) {
                    report(op, ProblemKind::EndRejected, moment,
                           pending.description + " was rejected (answer " + hex4(answer) +
                               "): the unit found a block that does not match its checksum table");
                }
                if (listing_) {
                    message_.meaning = refused ? "rejected" : "accepted";
                }
                break;
            }
            case Sent::Type3Select:
            case Sent::Type4Select:
            case Sent::Type3Echo: {
                const std::uint16_t echo = word(message.payload, 0);
                const std::uint16_t refusal = word(message.payload, 2);
                if (reading.answers && !reading.ended) {
                    op.echoAsked = echo;
                    completeStep(op, pending.step, "the unit asks for " + hex4(echo) + " first");
                    if (listing_) {
                        message_.meaning = "asks for " + hex4(echo);
                    }
                    break;
                }
                if (found) {
                    found->eraseAnswer = static_cast<std::uint8_t>(refusal != 0 ? 1 : 0);
                }
                if (reading.error == ResultCode::WrongTarget) {
                    completeStep(op, pending.step, "\"" + status + "\"");
                    report(op, ProblemKind::WrongTarget, moment,
                           pending.description + " was answered \"" + status +
                               "\": the unit has no such CPU; the image is left out");
                    if (listing_) {
                        message_.meaning = status;
                    }
                } else {
                    completeStep(op, pending.step, "erased");
                    if (listing_) {
                        message_.meaning = "selected and erased";
                    }
                }
                break;
            }
            default:
                break;
        }
        if (reading.ended || (reading.accepted && !reading.answers)) {
            pending.awaiting = false;
        } else if (reading.answers) {
            // The program answers at once; its message is the next line.
            pending.awaiting = false;
        }
    }

    void answeredBlock(Open& op, const host::HostMessage& message, const ReplyReading& reading,
                       const LogMoment& moment) {
        Pending& pending = op.pending;
        TargetTrace* found = target(op, pending.target);
        const std::uint32_t address = pending.address;
        if (reading.error == ResultCode::WriteFailed) {
            std::string text = pending.description + " was rejected (answer " + hex2(message.payload[0]) +
                               ", \"" + std::string(reading.status) + "\")";
            if (found && found->lastAcknowledged) {
                text += "; the last block acknowledged was " + hex8(*found->lastAcknowledged) + " - " +
                        hex8(*found->lastAcknowledged + host::kDataBlockSize - 1);
            } else {
                text += "; no block of it had been acknowledged";
            }
            report(op, ProblemKind::RejectedBlock, moment, std::move(text));
            if (listing_) {
                message_.meaning = "rejected: " + std::string(reading.status);
            }
            return;
        }
        if (!reading.accepted) {
            return;
        }
        if (found) {
            ++found->blocksAcknowledged;
            found->lastAcknowledged = address;
        }
        op.trace.lastAcknowledgedBlock = address;
        if (op.run.open && op.run.target == pending.target) {
            ++op.run.acknowledged;
            op.run.lastAnswer = moment;
        }
        if (listing_) {
            message_.meaning = "block " + hex8(address) + " acknowledged";
        }
    }

    void report(Open& op, ProblemKind kind, const LogMoment& moment, std::string text) {
        TraceProblem problem;
        problem.kind = kind;
        problem.moment = moment;
        problem.timed = true;
        problem.text = std::move(text);
        addProblem(op, std::move(problem));
    }

    // ---- silences ----

    // A request waited longer than the unit's TIMEOUT before this moment.
    void checkSilence(Open& op, const LogMoment& now, bool answerArrives) {
        Pending& pending = op.pending;
        if (!pending.awaiting || pending.silenceReported) {
            return;
        }
        const std::int64_t gap = now.atMs - pending.lastHeard.atMs;
        if (gap <= pending.timeoutMs) {
            return;
        }
        pending.silenceReported = true;
        std::string text = "silence of " + seconds(gap) + " after " + pending.description + " (" +
                           lineRef(pending.lastHeard) + "), longer than the " + pending.timeoutSource + " (" +
                           seconds(pending.timeoutMs) + ")";
        text += answerArrives ? "; the answer came after the program had stopped waiting"
                              : "; the program gave up waiting";
        text += exactness(pending.lastHeard, now);
        report(op, ProblemKind::Silence, pending.lastHeard, std::move(text));
    }

    static std::string exactness(const LogMoment& from, const LogMoment& to) {
        return from.exact && to.exact ? " (exact to the millisecond)"
                                      : " (to about a second: the log has no start line, only time stamps)";
    }

    // The program sent something else while a request still waited: its
    // wait ended without an answer, by TIMEOUT or by a cancel.
    void endWaitWithin(Open& op, const LogMoment& next) {
        Pending& pending = op.pending;
        const std::int64_t gap = next.atMs - pending.lastHeard.atMs;
        if (gap + kWaitPeriodMs / 2 >= pending.timeoutMs) {
            checkSilence(op, next, false);
            if (!pending.silenceReported) {
                report(op, ProblemKind::Silence, pending.lastHeard,
                       "no answer to " + pending.description + " (" + lineRef(pending.lastHeard) +
                           "): the program gave up after " + seconds(gap) + " (the " + pending.timeoutSource +
                           ")");
            }
            if (!op.sequenceError && !op.gaveUp) {
                op.gaveUp = ResultCode::TimedOut;
            }
        } else {
            if (!op.sequenceError && !op.gaveUp) {
                op.gaveUp = ResultCode::Cancelled;
            }
            report(op, ProblemKind::Cancelled, next,
                   "the program stopped waiting for the answer to " + pending.description + " (" +
                       lineRef(pending.lastHeard) + ") after " + seconds(gap) + ", before the " +
                       pending.timeoutSource + " of " + seconds(pending.timeoutMs) + ": cancelled" +
                       exactness(pending.lastHeard, next));
        }
        pending.awaiting = false;
    }

    // The operation closed while a request waited. CloseInterface is not
    // time-stamped; the next message of the log bounds when it happened.
    void endWaitAtClose(Open& op, std::optional<LogMoment> next) {
        Pending& pending = op.pending;
        if (!pending.awaiting) {
            return;
        }
        if (!next) {
            if (!op.sequenceError && !op.gaveUp) {
                op.gaveUp = ResultCode::TimedOut;
            }
            report(op, ProblemKind::Silence, pending.lastHeard,
                   "no answer to " + pending.description + " (" + lineRef(pending.lastHeard) +
                       ") before the interface was closed; nothing later in the log carries a time, so a "
                       "time-out (" +
                       pending.timeoutSource + ", " + seconds(pending.timeoutMs) +
                       ") cannot be told from a cancel");
            pending.awaiting = false;
            return;
        }
        const std::int64_t gap = next->atMs - pending.lastHeard.atMs;
        if (gap + kWaitPeriodMs / 2 >= pending.timeoutMs) {
            if (!op.sequenceError && !op.gaveUp) {
                op.gaveUp = ResultCode::TimedOut;
            }
            report(op, ProblemKind::Silence, pending.lastHeard,
                   "no answer to " + pending.description + " (" + lineRef(pending.lastHeard) +
                       "); the line stayed silent until the next message " + seconds(gap) + " later (" +
                       lineRef(*next) + "), longer than the " + pending.timeoutSource + " (" +
                       seconds(pending.timeoutMs) +
                       "): the program gave up waiting and closed the interface"
                       " (when exactly is not logged)");
        } else {
            if (!op.sequenceError && !op.gaveUp) {
                op.gaveUp = ResultCode::Cancelled;
            }
            report(op, ProblemKind::Cancelled, *next,
                   "no answer to " + pending.description + " (" + lineRef(pending.lastHeard) +
                       "), and the next message came " + seconds(gap) + " later, before the " +
                       pending.timeoutSource + " of " + seconds(pending.timeoutMs) +
                       " could end the wait: cancelled" + exactness(pending.lastHeard, *next));
        }
        pending.awaiting = false;
    }

    const TraceSettings& settings_;
    TraceSink& sink_;
    SiteUnits units_;
    const bool listing_;
    LogSummary summary_;
    LogClock clock_;
    ReplyReplay replay_;
    TracedMessage message_;
    std::unique_ptr<Open> current_;
    std::unique_ptr<Open> waiting_;
    std::vector<TraceProblem> beforeOpen_;
    bool openFailing_ = false;
    bool lostEntriesReported_ = false;
    int operationCount_ = 0;
    int writeCount_ = 0;
    std::size_t readBackStep_ = SIZE_MAX;
    WriteGroup writes_;
    Previous previous_;
};

LogTracer::LogTracer(const TraceSettings& settings, TraceSink& sink)
    : state_(std::make_unique<State>(settings, sink)) {}

LogTracer::~LogTracer() = default;

void LogTracer::take(const commlog::LogLine& line, std::uint64_t lineNumber) {
    state_->take(line, lineNumber);
}

void LogTracer::takeUnreadable(std::uint64_t lineNumber, std::string_view reason, std::string_view text) {
    state_->takeUnreadable(lineNumber, reason, text);
}

void LogTracer::finish() {
    state_->finish();
}

const LogSummary& LogTracer::summary() const {
    return state_->summary();
}

}  // namespace engine::trace
