#include "cli/TraceCommand.h"

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "cli/ReportFormatter.h"
#include "core/SettingsReader.h"
#include "data/UnitList.h"
#include "data/UnitRecord.h"
#include "engine/CommLogLine.h"
#include "engine/CommLogSplitter.h"
#include "engine/LogTrace.h"
#include "platform/FileOpen.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/PlainText.h"
#include "platform/TextFile.h"

namespace cli {

namespace {

using engine::trace::LogMoment;
using engine::trace::OperationTrace;
using engine::trace::TargetTrace;
using engine::trace::TracedMessage;
using engine::trace::WriteTrace;
using nlohmann::ordered_json;

constexpr int kExitRead = 0;
constexpr int kExitBadInput = 2;
constexpr std::size_t kExcerptLength = 60;
// Messages listed with one operation in JSON; a longer conversation is counted.
constexpr std::size_t kListedMessagesPerOperation = 100000;

std::string shown(const std::string& value) {
    return platform::shortenedForMessage(value);
}

std::string absoluteFromStartDirectory(const std::string& path) {
    if (platform::isAbsolutePath(path)) {
        return path;
    }
    return platform::joinPath(platform::currentDirectory(), path);
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string hexText(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string stampText(const engine::commlog::StampTime& stamp) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", stamp.hour, stamp.minute, stamp.second);
    return text;
}

std::string dateText(const engine::commlog::StampTime& stamp) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", stamp.year, stamp.month, stamp.day);
    return text;
}

// "+12.345" seconds since the log started (whole seconds when that is all the log gives).
std::string offsetText(const LogMoment& moment) {
    return format(moment.exact ? "+%.3f" : "+%.0f", static_cast<double>(moment.atMs) / 1000.0);
}

std::string targetName(const TargetTrace& target) {
    if (!target.unitName.empty()) {
        return target.cpuName.empty() ? target.unitName : target.unitName + "/" + target.cpuName;
    }
    std::string name = "bus " + hexText(target.bus, 2);
    if (target.mask) {
        name += " mask " + hexText(*target.mask, 4);
    }
    return name;
}

// "1 block", "2 blocks".
std::string count(std::uint64_t number, const char* thing) {
    return std::to_string(number) + " " + thing + (number == 1 ? "" : "s");
}

std::string resultText(const std::optional<engine::ResultCode>& result) {
    return result ? std::string(engine::resultName(*result)) : "Unknown";
}

// The line's limit for firmware bytes: baud rate over the bits of one byte.
double lineLimit(std::uint32_t baud) {
    return static_cast<double>(baud) / engine::trace::kBitsPerLineByte;
}

// What a transfer achieved against the line: bytes per second and the share of the limit.
std::string speedText(std::uint64_t bytes, std::int64_t transferMs, std::uint32_t baud) {
    if (transferMs <= 0 || bytes == 0) {
        return {};
    }
    const double rate = static_cast<double>(bytes) * 1000.0 / static_cast<double>(transferMs);
    return format("%.0f B/s", rate) + format(", %.1f %%", 100.0 * rate / lineLimit(baud)) +
           format(" of the line's %.0f B/s", lineLimit(baud)) + " at " + std::to_string(baud) + " baud 8N2";
}

// What the tracer finds, written as it comes: text for a person.
class TextSink final : public engine::trace::TraceSink {
  public:
    TextSink(std::ostream& out, std::ostream& err, std::string fileName, bool all, std::uint32_t baud)
        : out_(out), err_(err), fileName_(std::move(fileName)), all_(all), baud_(baud) {}

    bool wantsMessages() const override { return all_; }

    void onMessage(const TracedMessage& message) override {
        if (message.operation != listedOperation_) {
            listedOperation_ = message.operation;
            out_ << "-- messages of operation " << message.operation << '\n';
        }
        char elapsed[24];
        std::snprintf(elapsed, sizeof elapsed, "%10" PRId64, message.elapsedMs);
        out_ << "  " << stampText(message.moment.stamp) << ' ' << offsetText(message.moment) << ' ' << elapsed
             << ' ' << static_cast<char>(message.direction) << ' ';
        if (message.unitMessage) {
            out_ << message.name << "  cmd " << hexText(message.command, 2) << "  "
                 << hexText(message.sender, 2) << " -> " << hexText(message.receiver, 2) << "  at "
                 << hexText(message.address, message.longAddress ? 8 : 4) << "  "
                 << count(message.payload.size(), "byte");
        } else {
            out_ << message.name << "  " << count(message.bytes.size(), "byte");
        }
        if (!message.meaning.empty()) {
            out_ << ": " << readable(message.meaning);
        }
        out_ << '\n';
    }

    void onUnreadableLine(std::uint64_t line, std::string_view reason, std::string_view text) override {
        ++unreadable_;
        if (unreadable_ <= TraceCommand::kUnreadableLinesShown) {
            err_ << "flashkit-cli: " << fileName_ << " line " << line << ": " << reason;
            if (!text.empty()) {
                err_ << ": " << TraceCommand::readableText(text.substr(0, kExcerptLength))
                     << (text.size() > kExcerptLength ? "..." : "");
            }
            err_ << '\n';
        }
    }

    void onOperation(const OperationTrace& operation) override {
        out_ << "\n== Operation " << operation.number;
        if (operation.log > 1) {
            out_ << " (log " << operation.log << ")";
        }
        out_ << ": " << engine::trace::operationKindName(operation.kind);
        if (operation.write != 0) {
            out_ << " of write " << operation.write;
            if (operation.attempt != 0) {
                out_ << ", attempt " << operation.attempt;
            }
        }
        out_ << ", " << resultText(operation.result) << '\n';
        out_ << "   lines " << operation.firstLine << "-" << operation.lastLine;
        if (operation.start) {
            out_ << ", started " << dateText(operation.start->stamp) << ' '
                 << stampText(operation.start->stamp) << " (" << offsetText(*operation.start)
                 << " s), lasted "
                 << format(operation.exactTimes ? "%.3f s" : "about %.0f s", operation.seconds());
        } else {
            out_ << ", no message";
        }
        if (!operation.closed) {
            out_ << ", not closed in the log";
        }
        out_ << '\n';
        if (!operation.targets.empty()) {
            out_ << "   units:\n";
            for (const TargetTrace& target : operation.targets) {
                out_ << "     " << readable(targetName(target)) << " (bus " << hexText(target.bus, 2) << ")"
                     << targetFacts(target) << '\n';
            }
        }
        if (!operation.steps.empty()) {
            out_ << "   steps:\n";
            for (const auto& step : operation.steps) {
                out_ << "     " << stampText(step.moment.stamp) << ' ' << offsetText(step.moment) << "  "
                     << readable(step.text) << '\n';
            }
            if (operation.stepsLeftOut != 0) {
                out_ << "     ... and " << operation.stepsLeftOut << " more steps\n";
            }
        }
        if (!operation.problems.empty()) {
            out_ << "   what went wrong:\n";
            for (const auto& problem : operation.problems) {
                out_ << "     " << engine::trace::problemKindName(problem.kind) << ", ";
                if (problem.timed) {
                    out_ << stampText(problem.moment.stamp) << " line " << problem.moment.line;
                } else {
                    out_ << "line " << problem.moment.line;
                }
                out_ << ": " << readable(problem.text) << '\n';
            }
            if (operation.problemsLeftOut != 0) {
                out_ << "     ... and " << operation.problemsLeftOut << " more\n";
            }
        }
        out_ << "   summary: " << count(operation.messagesSent, "message") << " sent ("
             << count(operation.lineBytesSent, "byte") << " on the line), " << operation.messagesReceived
             << " received (" << count(operation.lineBytesReceived, "byte") << ")";
        if (operation.blocks != 0) {
            out_ << "; " << count(operation.blocks, "block") << " (" << count(operation.firmwareBytes, "byte")
                 << ") in " << format("%.3f s", static_cast<double>(operation.transferMs) / 1000.0);
            const std::string speed = speedText(operation.firmwareBytes, operation.transferMs, baud_);
            if (!speed.empty()) {
                out_ << ": " << speed;
            }
        }
        out_ << '\n';
        out_.flush();
    }

    void onWrite(const WriteTrace& write) override {
        out_ << "\n== Write " << write.number << ": operations " << write.firstOperation << "-"
             << write.lastOperation << ", " << write.attempts
             << (write.attempts == 1 ? " attempt" : " attempts") << ", " << resultText(write.result);
        if (!write.units.empty()) {
            out_ << ", ";
            for (std::size_t i = 0; i < write.units.size(); ++i) {
                out_ << (i ? ", " : "") << readable(write.units[i]);
            }
        }
        out_ << '\n';
        if (write.start && write.end) {
            out_ << "   " << stampText(write.start->stamp) << " to " << stampText(write.end->stamp) << ", "
                 << format(write.exactTimes ? "%.3f s" : "about %.0f s",
                           static_cast<double>(write.end->atMs - write.start->atMs) / 1000.0);
        } else {
            out_ << "   no message";
        }
        out_ << "; " << count(write.blocks, "block") << " (" << count(write.firmwareBytes, "byte") << ")";
        const std::string speed = speedText(write.firmwareBytes, write.transferMs, baud_);
        if (!speed.empty()) {
            out_ << " in " << format("%.3f s", static_cast<double>(write.transferMs) / 1000.0) << ": "
                 << speed;
        }
        out_ << '\n';
    }

    std::uint64_t unreadable() const { return unreadable_; }

  private:
    static std::string readable(const std::string& text) { return TraceCommand::readableText(text); }

    static std::string targetFacts(const TargetTrace& target) {
        std::string facts;
        const auto add = [&facts](const std::string& fact) { facts += (facts.empty() ? ": " : ", ") + fact; };
        if (!target.idBytes.empty()) {
            std::string bytes;
            for (const std::uint8_t id : target.idBytes) {
                bytes += (bytes.empty() ? "" : " ") + hexText(id, 2);
            }
            add("ID " + bytes);
        }
        for (const auto& version : target.versions) {
            add("version " + version.text);
        }
        if (target.eraseSent != 0) {
            add(std::string(target.selects != 0 ? "select" : "erase") + " x" +
                std::to_string(target.eraseSent) +
                (target.eraseAnswer ? " (answer " + hexText(*target.eraseAnswer, 2) + ")" : " (no answer)"));
        }
        if (target.echoes != 0) {
            add("echo x" + std::to_string(target.echoes));
        }
        if (target.readBackPieces != 0) {
            add("read back " + std::to_string(target.readBackPieces) + " x 128 bytes");
        }
        if (target.blocks != 0) {
            add(std::to_string(target.blocks) + " blocks " + hexText(*target.firstAddress, 8) + " - " +
                hexText(*target.lastAddress + 127, 8) + ", " + std::to_string(target.blocksAcknowledged) +
                " acknowledged");
            if (target.lastAcknowledged) {
                add("last acknowledged " + hexText(*target.lastAcknowledged, 8));
            }
        }
        if (target.checksumSent) {
            add("checksum " + hexText(*target.checksumSent, 4) +
                (target.checksumAnswer ? " (answer " + hexText(*target.checksumAnswer, 2) + ")"
                                       : " (no answer)"));
        }
        if (target.endSent) {
            add(std::string("end of write") +
                (target.endAnswer ? " (answer " + hexText(*target.endAnswer, 4) + ")" : " (no answer)"));
        }
        return facts;
    }

    std::ostream& out_;
    std::ostream& err_;
    std::string fileName_;
    bool all_;
    std::uint32_t baud_;
    int listedOperation_ = 0;
    std::uint64_t unreadable_ = 0;
};

template <typename Value>
ordered_json optionalJson(const std::optional<Value>& value) {
    return value ? ordered_json(*value) : ordered_json(nullptr);
}

std::optional<std::string> nameOrNothing(const std::string& name) {
    return name.empty() ? std::nullopt : std::optional<std::string>(name);
}

ordered_json momentTime(const LogMoment& moment) {
    return stampText(moment.stamp);
}

ordered_json targetJson(const TargetTrace& target) {
    ordered_json versions = ordered_json::array();
    for (const auto& version : target.versions) {
        versions.push_back({{"address", version.address}, {"word", version.word}, {"version", version.text}});
    }
    return ordered_json{
        {"bus", target.bus},
        {"name", optionalJson(nameOrNothing(target.unitName))},
        {"cpu", optionalJson(nameOrNothing(target.cpuName))},
        {"mask", optionalJson(target.mask)},
        {"idBytes", target.idBytes},
        {"erase", {{"sent", target.eraseSent}, {"answer", optionalJson(target.eraseAnswer)}}},
        {"selects", target.selects},
        {"echoes", target.echoes},
        {"writeStarts", target.writeStarts},
        {"readBackPieces", target.readBackPieces},
        {"blocks", target.blocks},
        {"blocksAcknowledged", target.blocksAcknowledged},
        {"firstAddress", optionalJson(target.firstAddress)},
        {"lastAddress", optionalJson(target.lastAddress)},
        {"lastAcknowledged", optionalJson(target.lastAcknowledged)},
        {"checksum",
         {{"sent", optionalJson(target.checksumSent)}, {"answer", optionalJson(target.checksumAnswer)}}},
        {"endOfWrite", {{"sent", target.endSent}, {"answer", optionalJson(target.endAnswer)}}},
        {"versions", versions},
    };
}

ordered_json speedJson(std::uint64_t bytes, std::int64_t transferMs, std::uint32_t baud) {
    const double seconds = static_cast<double>(transferMs) / 1000.0;
    ordered_json speed{{"bytes", bytes},
                       {"transferSeconds", seconds},
                       {"bytesPerSecond", nullptr},
                       {"lineLimitBytesPerSecond", lineLimit(baud)},
                       {"shareOfLine", nullptr}};
    if (transferMs > 0 && bytes != 0) {
        const double rate = static_cast<double>(bytes) / seconds;
        speed["bytesPerSecond"] = rate;
        speed["shareOfLine"] = rate / lineLimit(baud);
    }
    return speed;
}

// The same as one JSON object, written piece by piece: the operations
// array grows as the log is read, the counts follow it.
class JsonSink final : public engine::trace::TraceSink {
  public:
    JsonSink(std::ostream& out, std::ostream& err, std::string fileName, bool all, std::uint32_t baud)
        : text_(out, err, std::move(fileName), false, baud), out_(out), all_(all), baud_(baud) {}

    bool wantsMessages() const override { return all_; }

    void onMessage(const TracedMessage& message) override {
        if (listed_.size() >= kListedMessagesPerOperation) {
            ++messagesLeftOut_;
            return;
        }
        std::string bytes;
        bytes.reserve(message.bytes.size() * 3);
        for (const std::uint8_t byte : message.bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%s%02x", bytes.empty() ? "" : " ", byte);
            bytes += hex;
        }
        ordered_json entry{{"line", message.moment.line},
                           {"time", momentTime(message.moment)},
                           {"at", static_cast<double>(message.moment.atMs) / 1000.0},
                           {"elapsedMs", message.elapsedMs},
                           {"direction", std::string(1, static_cast<char>(message.direction))},
                           {"name", std::string(message.name)}};
        if (message.unitMessage) {
            entry["command"] = message.command;
            entry["kind"] = message.kind;
            entry["sender"] = message.sender;
            entry["receiver"] = message.receiver;
            entry["address"] = message.address;
        }
        entry["meaning"] = message.meaning;
        entry["bytes"] = std::move(bytes);
        listed_.push_back(ReportFormatter::jsonText(entry));
    }

    void onUnreadableLine(std::uint64_t line, std::string_view reason, std::string_view text) override {
        text_.onUnreadableLine(line, reason, text);
        if (unreadable_.size() < TraceCommand::kUnreadableLinesShown) {
            std::string excerpt(text.substr(0, kExcerptLength));
            unreadable_.push_back(
                {{"line", line}, {"reason", std::string(reason)}, {"text", std::move(excerpt)}});
        }
    }

    void onOperation(const OperationTrace& operation) override {
        ordered_json units = ordered_json::array();
        for (const TargetTrace& target : operation.targets) {
            units.push_back(targetJson(target));
        }
        ordered_json steps = ordered_json::array();
        for (const auto& step : operation.steps) {
            steps.push_back({{"kind", std::string(engine::trace::stepKindName(step.kind))},
                             {"time", momentTime(step.moment)},
                             {"at", static_cast<double>(step.moment.atMs) / 1000.0},
                             {"line", step.moment.line},
                             {"text", step.text}});
        }
        ordered_json problems = ordered_json::array();
        for (const auto& problem : operation.problems) {
            problems.push_back({{"kind", std::string(engine::trace::problemKindName(problem.kind))},
                                {"time", problem.timed ? momentTime(problem.moment) : ordered_json(nullptr)},
                                {"line", problem.moment.line},
                                {"text", problem.text}});
        }
        ordered_json object{
            {"number", operation.number},
            {"log", operation.log},
            {"kind", std::string(engine::trace::operationKindName(operation.kind))},
            {"write", operation.write == 0 ? ordered_json(nullptr) : ordered_json(operation.write)},
            {"attempt", operation.attempt == 0 ? ordered_json(nullptr) : ordered_json(operation.attempt)},
            {"start", operation.start ? momentTime(*operation.start) : ordered_json(nullptr)},
            {"date",
             operation.start ? ordered_json(dateText(operation.start->stamp)) : ordered_json(nullptr)},
            {"seconds", operation.seconds()},
            {"exactTimes", operation.exactTimes},
            {"firstLine", operation.firstLine},
            {"lastLine", operation.lastLine},
            {"closed", operation.closed},
            {"result", resultText(operation.result)},
            {"units", std::move(units)},
            {"steps", std::move(steps)},
            {"stepsLeftOut", operation.stepsLeftOut},
            {"problems", std::move(problems)},
            {"problemsLeftOut", operation.problemsLeftOut},
            {"summary",
             {{"messagesSent", operation.messagesSent},
              {"messagesReceived", operation.messagesReceived},
              {"lineBytesSent", operation.lineBytesSent},
              {"lineBytesReceived", operation.lineBytesReceived},
              {"blocks", operation.blocks},
              {"lastAcknowledgedBlock", optionalJson(operation.lastAcknowledgedBlock)},
              {"speed", speedJson(operation.firmwareBytes, operation.transferMs, baud_)}}},
        };
        std::string text = ReportFormatter::jsonText(object);
        if (all_) {
            // The messages of the operation, as listed before it was handed over.
            text.pop_back();
            text += ",\"messages\":[";
            for (std::size_t i = 0; i < listed_.size(); ++i) {
                text += (i ? "," : "") + listed_[i];
            }
            text += "],\"messagesLeftOut\":" + std::to_string(messagesLeftOut_) + "}";
            listed_.clear();
            messagesLeftOut_ = 0;
        }
        out_ << (operations_++ == 0 ? "" : ",") << text;
    }

    void onWrite(const WriteTrace& write) override {
        if (writes_.size() >= kKeptWrites) {
            ++writesLeftOut_;
            return;
        }
        ordered_json units = ordered_json::array();
        for (const std::string& unit : write.units) {
            units.push_back(unit);
        }
        writes_.push_back(ReportFormatter::jsonText(
            ordered_json{{"number", write.number},
                         {"firstOperation", write.firstOperation},
                         {"lastOperation", write.lastOperation},
                         {"attempts", write.attempts},
                         {"result", resultText(write.result)},
                         {"start", write.start ? momentTime(*write.start) : ordered_json(nullptr)},
                         {"seconds", write.start && write.end
                                         ? static_cast<double>(write.end->atMs - write.start->atMs) / 1000.0
                                         : 0.0},
                         {"exactTimes", write.exactTimes},
                         {"units", std::move(units)},
                         {"blocks", write.blocks},
                         {"lineBytesSent", write.lineBytesSent},
                         {"speed", speedJson(write.firmwareBytes, write.transferMs, baud_)}}));
    }

    // Writes kept for the list after the operations (a few MB at most); a log with more is counted.
    static constexpr std::size_t kKeptWrites = 10000;

    // The writes as a JSON array, in their order.
    std::string writes() const {
        std::string text = "[";
        for (std::size_t i = 0; i < writes_.size(); ++i) {
            text += (i ? "," : "") + writes_[i];
        }
        return text + "]";
    }
    std::size_t writesLeftOut() const { return writesLeftOut_; }
    const ordered_json& unreadable() const { return unreadable_; }

  private:
    TextSink text_;  // unreadable lines go to standard error as in text mode
    std::ostream& out_;
    bool all_;
    std::uint32_t baud_;
    std::size_t operations_ = 0;
    std::vector<std::string> listed_;
    std::size_t messagesLeftOut_ = 0;
    std::vector<std::string> writes_;  // each one as JSON text: far smaller than JSON values
    std::size_t writesLeftOut_ = 0;
    ordered_json unreadable_ = ordered_json::array();
};

// Messages of the settings reader go to standard error.
class ErrorNotifier final : public core::UserNotifier {
  public:
    explicit ErrorNotifier(std::ostream& err) : err_(err) {}
    void showMessage(const std::string& text, core::MessageIcon) override {
        err_ << "flashkit-cli: " << text << '\n';
    }

  private:
    std::ostream& err_;
};

// The file pieces of the log through the splitter, the parser and the tracer.
struct ReadOutcome {
    bool opened = false;
    std::string failure;  // why reading stopped early, when it did
    std::uint64_t bytes = 0;
    bool unterminated = false;
};

ReadOutcome readLog(const std::string& path, engine::trace::LogTracer& tracer) {
    ReadOutcome outcome;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::openFile(path, "rb"), &std::fclose);
    if (!file) {
        return outcome;
    }
    outcome.opened = true;
    engine::commlog::LogLineSplitter splitter;
    engine::commlog::LogLine parsed;
    const auto onLine = [&](const engine::commlog::LogLineSplitter::Line& line) {
        outcome.unterminated = line.unterminated;
        if (line.tooLong) {
            tracer.takeUnreadable(line.number,
                                  "longer than " +
                                      std::to_string(engine::commlog::LogLineSplitter::kMaxLineLength) +
                                      " characters (" + std::to_string(line.length) + ")",
                                  {});
            return;
        }
        engine::commlog::parseLogLine(line.text, parsed);
        if (parsed.kind == engine::commlog::LineKind::Unreadable) {
            tracer.takeUnreadable(line.number, parsed.text, line.text);
        } else {
            tracer.take(parsed, line.number);
        }
    };
    std::vector<char> piece(TraceCommand::kReadPiece);
    for (;;) {
        const std::size_t count = std::fread(piece.data(), 1, piece.size(), file.get());
        outcome.bytes += count;
        splitter.feed(std::span<const char>(piece.data(), count), onLine);
        if (count < piece.size()) {
            if (std::ferror(file.get()) != 0) {
                outcome.failure = "reading stopped after " + std::to_string(outcome.bytes) + " bytes";
            }
            break;
        }
    }
    splitter.finish(onLine);
    return outcome;
}

}  // namespace

std::string TraceCommand::readableText(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t at = 0;
    while (at < text.size()) {
        const unsigned char lead = bytes[at];
        if (lead < 0x80) {
            result += (lead < 0x20 || lead == 0x7F) && lead != '\t' ? '?' : static_cast<char>(lead);
            ++at;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            minimum = 0x10000;
        }
        bool valid = length != 0 && at + length <= text.size();
        std::uint32_t code = valid ? lead & (0xFFu >> (length + 1)) : 0;
        for (std::size_t i = 1; valid && i < length; ++i) {
            const unsigned char next = bytes[at + i];
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        valid = valid && code >= minimum && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (valid) {
            result.append(text.substr(at, length));
            at += length;
        } else {
            result += "\xEF\xBF\xBD";
            ++at;
        }
    }
    return result;
}

TraceCommand::TraceCommand(const CliOptions& options, std::ostream& out, std::ostream& err)
    : options_(options), out_(out), err_(err) {}

int TraceCommand::run() {
    const std::string logPath = absoluteFromStartDirectory(options_.traceFile);
    const platform::TextFileContent logCheck = platform::TextFile::check(logPath);
    if (!logCheck.ok()) {
        err_ << "flashkit-cli: cannot read the log " << shown(options_.traceFile) << ": " << logCheck.reason()
             << std::endl;
        return kExitBadInput;
    }
    std::optional<std::string> listPath;
    if (options_.listFile) {
        listPath = absoluteFromStartDirectory(*options_.listFile);
    }

    // The settings give TIMEOUT per unit model and the baud rate; without
    // them the program's own defaults apply.
    ErrorNotifier notifier(err_);
    std::vector<std::string> notes;
    core::Settings settings;
    if (options_.iniFile) {
        const std::string iniPath = absoluteFromStartDirectory(*options_.iniFile);
        const platform::IniFile ini = platform::IniFile::load(iniPath);
        if (!ini.readable()) {
            err_ << "flashkit-cli: cannot read the settings file " << shown(*options_.iniFile) << ": "
                 << ini.loadReason() << std::endl;
            return kExitBadInput;
        }
        // A relative data root is taken from the folder of the settings file,
        // as the program takes it from its own folder.
        settings = core::SettingsReader::read(ini, platform::parentDirectory(iniPath), notifier);
        if (!listPath && platform::fileKind(settings.defaultListPath) != platform::FileKind::Missing) {
            listPath = settings.defaultListPath;
        }
    } else {
        const std::string here = platform::currentDirectory();
        // The defaults alone; the reader enters the folder it is given, which is this one.
        settings = core::SettingsReader::read(platform::IniFile{}, here, notifier);
        notes.push_back("no settings given: the program's defaults apply (TIMEOUT " +
                        std::to_string(settings.timing[0].timeout) + " s for SRF7 and ENG7, " +
                        std::to_string(settings.timing[2].timeout) + " s for LIO7 and XDG7; " +
                        std::to_string(settings.comm.baudRate) + " baud)");
    }

    data::UnitList units;
    bool haveUnits = false;
    if (listPath) {
        const platform::TextFileContent list = platform::TextFile::read(*listPath);
        if (!list.ok()) {
            err_ << "flashkit-cli: cannot open the unit list " << shown(*listPath) << ": " << list.reason()
                 << std::endl;
            return kExitBadInput;
        }
        // Unit folders are found beside the list, unless the settings name the data root.
        if (!options_.iniFile) {
            const std::string listFolder = platform::parentDirectory(*listPath);
            if (const auto entered = platform::setCurrentDirectory(listFolder); !entered) {
                notes.push_back("cannot enter the folder of the unit list (" + entered.error().text() +
                                "): its units' settings are not read");
            }
        }
        std::istringstream text(list.text);
        // Every unit of the list, whichever writing port it is for.
        haveUnits = units.load(text, data::WritingPort::CardDirect, [&notifier](const std::string& message) {
            notifier.showMessage(message, core::MessageIcon::Warning);
        });
        for (int index = 0; index < units.count(); ++index) {
            units.unit(index)->loadRows(true);
        }
        if (!haveUnits) {
            notes.push_back("the unit list " + shown(*listPath) + " names no unit");
        }
        for (int index = 0; index < units.count(); ++index) {
            const data::UnitRecord& unit = *units.unit(index);
            if (unit.kind() == data::UnitKind::Direct) {
                notes.push_back(unit.name() +
                                " is written through its own boot loader, not through the interface library: "
                                "its writes are not in the log");
            }
        }
    } else {
        notes.push_back("no unit list given: units are named by bus address");
    }

    engine::trace::TraceSettings traceSettings;
    traceSettings.units = haveUnits ? &units : nullptr;
    traceSettings.timing = settings.timing;
    traceSettings.baudRate =
        static_cast<std::uint32_t>(settings.comm.baudRate > 0 ? settings.comm.baudRate : 0);
    if (traceSettings.baudRate == 0u) {
        traceSettings.baudRate.reset();
    }
    const std::uint32_t baud = traceSettings.baud();
    const std::string fileName = shown(options_.traceFile);

    std::unique_ptr<TextSink> textSink;
    std::unique_ptr<JsonSink> jsonSink;
    engine::trace::TraceSink* sink = nullptr;
    if (options_.json) {
        jsonSink = std::make_unique<JsonSink>(out_, err_, fileName, options_.traceAll, baud);
        sink = jsonSink.get();
        ordered_json head{
            {"file", options_.traceFile},
            {"settings", options_.iniFile ? ordered_json(*options_.iniFile) : ordered_json(nullptr)},
            {"unitList", options_.listFile ? ordered_json(*options_.listFile)
                         : listPath        ? ordered_json(*listPath)
                                           : ordered_json(nullptr)},
            {"baudRate", baud},
            {"notes", notes}};
        std::string text = ReportFormatter::jsonText(head);
        text.pop_back();
        out_ << text << ",\"operations\":[";
    } else {
        textSink = std::make_unique<TextSink>(out_, err_, fileName, options_.traceAll, baud);
        sink = textSink.get();
        out_ << "Log " << readableText(fileName) << '\n';
        for (const std::string& note : notes) {
            out_ << "Note: " << readableText(note) << '\n';
        }
    }

    engine::trace::LogTracer tracer(traceSettings, *sink);
    const ReadOutcome outcome = readLog(logPath, tracer);
    if (!outcome.opened) {
        err_ << "flashkit-cli: cannot open the log " << fileName << std::endl;
    }
    tracer.finish();
    const engine::trace::LogSummary& summary = tracer.summary();
    if (!outcome.failure.empty()) {
        err_ << "flashkit-cli: " << fileName << ": " << outcome.failure << std::endl;
    }
    if (summary.unreadableLines > kUnreadableLinesShown) {
        err_ << "flashkit-cli: " << fileName << ": " << summary.unreadableLines - kUnreadableLinesShown
             << " more lines could not be read" << std::endl;
    }
    std::vector<std::string> endNotes;
    if (outcome.unterminated) {
        endNotes.push_back("the last line has no line end: the log was cut there");
    }
    if (summary.logs == 0 && summary.messages != 0) {
        endNotes.push_back("the log's start line is missing: times are known to the second only");
    }
    const bool anything = summary.lines > summary.unreadableLines;

    // Within one log the elapsed counts give the time; across logs only the time stamps do.
    const bool exactTotal = summary.exactTimes && summary.logs == 1;
    double totalSeconds = 0;
    if (summary.first && summary.last) {
        totalSeconds = exactTotal ? static_cast<double>(summary.last->atMs - summary.first->atMs) / 1000.0
                                  : static_cast<double>(summary.last->stamp.secondsSinceEpoch() -
                                                        summary.first->stamp.secondsSinceEpoch());
    }
    if (jsonSink) {
        ordered_json tail{{"writesLeftOut", jsonSink->writesLeftOut()},
                          {"messages", summary.messages},
                          {"malformedLines", summary.unreadableLines},
                          {"unreadableLines", jsonSink->unreadable()},
                          {"notes", endNotes},
                          {"summary",
                           {{"logs", summary.logs},
                            {"lines", summary.lines},
                            {"operations", summary.operations},
                            {"writes", summary.writes},
                            {"blocks", summary.blocks},
                            {"lineBytesSent", summary.lineBytesSent},
                            {"lineBytesReceived", summary.lineBytesReceived},
                            {"seconds", totalSeconds},
                            {"exactTimes", exactTotal},
                            {"speed", speedJson(summary.firmwareBytes, summary.transferMs, baud)}}}};
        std::string text = ReportFormatter::jsonText(tail);
        text.erase(0, 1);
        out_ << "],\"writes\":" << jsonSink->writes() << "," << text << std::endl;
    } else {
        out_ << "\n== Log: " << count(static_cast<std::uint64_t>(summary.logs), "log") << ", "
             << count(summary.lines, "line") << ", " << count(summary.messages, "message") << ", "
             << count(summary.unreadableLines, "unreadable line") << "; "
             << count(static_cast<std::uint64_t>(summary.operations), "operation") << ", "
             << count(static_cast<std::uint64_t>(summary.writes), "write") << "\n";
        if (summary.first && summary.last) {
            out_ << "   " << dateText(summary.first->stamp) << ' ' << stampText(summary.first->stamp)
                 << " to " << stampText(summary.last->stamp) << ", "
                 << format(exactTotal ? "%.3f s" : "about %.0f s", totalSeconds)
                 << (exactTotal ? " (times exact to the millisecond: the elapsed counts of the lines)"
                                : " (times to the second: the time stamps only)")
                 << '\n';
        }
        out_ << "   " << count(summary.blocks, "block") << " (" << count(summary.firmwareBytes, "byte")
             << "), " << count(summary.lineBytesSent, "byte") << " sent and " << summary.lineBytesReceived
             << " received on the line";
        const std::string speed = speedText(summary.firmwareBytes, summary.transferMs, baud);
        if (!speed.empty()) {
            out_ << "; transfers " << format("%.3f s", static_cast<double>(summary.transferMs) / 1000.0)
                 << ": " << speed;
        }
        out_ << '\n';
        for (const std::string& note : endNotes) {
            out_ << "Note: " << note << '\n';
        }
        out_.flush();
    }
    if (!anything) {
        err_ << "flashkit-cli: " << fileName << " holds no line of a communication log" << std::endl;
        return kExitBadInput;
    }
    return kExitRead;
}

}  // namespace cli
