// libFuzzer target: any bytes as a communication log, cut into pieces of any
// sizes, through the line splitter, the line parser and the decoder that
// turns the lines into operations. Nothing may crash or grow without bound;
// the lines must not depend on how the input was cut; every line the parser
// reads as data keeps its bytes within one log entry; the decoder hands over
// operations in order, each with its bounded lists.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/CommLogLine.h"
#include "engine/CommLogSplitter.h"
#include "engine/LogTrace.h"

namespace {

using namespace engine;

struct Recorder {
    std::vector<std::pair<std::uint64_t, std::string>> lines;
    void operator()(const commlog::LogLineSplitter::Line& line) {
        if (line.tooLong) {
            if (line.length <= commlog::LogLineSplitter::kMaxLineLength)
                __builtin_trap();
            lines.emplace_back(line.number, "<long " + std::to_string(line.length) + ">");
        } else {
            if (line.text.size() > commlog::LogLineSplitter::kMaxLineLength)
                __builtin_trap();
            lines.emplace_back(line.number, std::string(line.text));
        }
    }
};

// Checks what the decoder hands over.
class CheckingSink final : public trace::TraceSink {
  public:
    bool wantsMessages() const override { return true; }
    void onMessage(const trace::TracedMessage& message) override {
        if (message.bytes.size() > commlog::kMaxEntryBytes || message.operation < lastOperation_)
            __builtin_trap();
        if (message.unitMessage && message.payload.size() >= message.bytes.size())
            __builtin_trap();
    }
    void onOperation(const trace::OperationTrace& operation) override {
        if (operation.number != lastOperation_ + 1)
            __builtin_trap();
        lastOperation_ = operation.number;
        if (operation.steps.size() > 256 || operation.problems.size() > 64 || operation.targets.size() > 64)
            __builtin_trap();
        if (operation.closed && !operation.result)
            __builtin_trap();
        if (!operation.closed && operation.result)
            __builtin_trap();
        if (operation.firmwareBytes != operation.blocks * 128)
            __builtin_trap();
    }
    void onWrite(const trace::WriteTrace& write) override {
        if (write.number != lastWrite_ + 1 || write.firstOperation > write.lastOperation ||
            write.lastOperation > lastOperation_)
            __builtin_trap();
        lastWrite_ = write.number;
    }

  private:
    int lastOperation_ = 0;
    int lastWrite_ = 0;
};

}  // namespace

// The first input byte seeds the sizes of the pieces; the rest is the log.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::uint32_t seed = data[0] * 2654435761u + 7;
    const std::span<const char> log(reinterpret_cast<const char*>(data + 1), size - 1);

    Recorder whole;
    commlog::LogLineSplitter once;
    once.feed(log, whole);
    once.finish(whole);

    Recorder pieces;
    commlog::LogLineSplitter splitter;
    CheckingSink sink;
    trace::TraceSettings settings;
    trace::LogTracer tracer(settings, sink);
    commlog::LogLine line;
    const auto decode = [&](const commlog::LogLineSplitter::Line& piece) {
        pieces(piece);
        if (piece.tooLong) {
            tracer.takeUnreadable(piece.number, "too long", {});
            return;
        }
        commlog::parseLogLine(piece.text, line);
        if (line.byteCount > commlog::kMaxEntryBytes)
            __builtin_trap();
        if (line.kind == commlog::LineKind::Unreadable) {
            if (line.text.empty())
                __builtin_trap();
            tracer.takeUnreadable(piece.number, line.text, piece.text);
        } else {
            tracer.take(line, piece.number);
        }
    };
    std::size_t position = 0;
    while (position < log.size()) {
        seed = seed * 1103515245u + 12345u;
        std::size_t count = 1 + (seed >> 16) % (seed & 0x100 ? 9 : 4000);
        count = std::min(count, log.size() - position);
        splitter.feed(log.subspan(position, count), decode);
        position += count;
    }
    splitter.finish(decode);
    tracer.finish();
    if (pieces.lines != whole.lines)
        __builtin_trap();
    if (tracer.summary().unreadableLines > tracer.summary().lines)
        __builtin_trap();
    return 0;
}
