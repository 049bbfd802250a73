// The decoder on logs that are damaged: cut short, cut at the head, broken
// by garbage, losing entries, run together. (Whole logs of real runs are
// decoded in the tests of flashkit-cli trace against the simulated console.)
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/CommLogLine.h"
#include "engine/CommLogSplitter.h"
#include "engine/LogTrace.h"

namespace engine::trace {
namespace {

// Lines in the library's own format.
class LogText {
  public:
    LogText& start() { return line("**********LogStart**********"); }
    LogText& open() { return line("------:E00 ( Err ) TRX.DLL - End of InitInterFace Function."); }
    LogText& close() {
        line("------:E00 ( Err ) TRX.DLL - Call CloseInterFace Function.");
        line("------:E00 ( Err ) TRX.DLL - Tx Thread Destroy Success.");
        line("------:E00 ( Err ) TRX.DLL - Rx Thread Destroy Success.");
        return line("------:E00 ( Err ) TRX.DLL - End of CloseInterFace Function.");
    }
    // A data line at second `second` after 10:00:00.
    LogText& data(int second, int elapsedMs, char kind, const std::vector<int>& bytes) {
        char head[64];
        std::snprintf(head, sizeof head, "10:%02d:%02d 05/06/2024%10d:%c", second / 60, second % 60,
                      elapsedMs, kind);
        std::string text = head;
        for (const int byte : bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x ", byte);
            text += hex;
        }
        return line(text);
    }
    LogText& line(const std::string& text) {
        text_ += text + "\r\n";
        return *this;
    }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

// A version read of SRF7's unit word and its answer: 1.05 (the word 0x0005).
const std::vector<int> kVersionRead = {0x07, 0xCC, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x02};
const std::vector<int> kVersionReply = {0x07, 0x8C, 0x00, 0x1F, 0x01, 0x00, 0x00, 0x05};
// The erase request to bus 1 and a data block at 0x200000.
const std::vector<int> kErase = {0x06, 0x30, 0x1F, 0x01, 0x01, 0x67, 0x00};
const std::vector<int> kStatusOk = {0x06, 0x30, 0x01, 0x1F, 0x01, 0x66, 0x00};

std::vector<int> dataBlock(std::uint32_t address) {
    std::vector<int> bytes = {0x87,
                              0x32,
                              0x1F,
                              0x01,
                              static_cast<int>(address >> 24),
                              static_cast<int>((address >> 16) & 0xFF),
                              static_cast<int>((address >> 8) & 0xFF),
                              static_cast<int>(address & 0xFF)};
    bytes.resize(136, 0x5A);
    return bytes;
}

struct Recorded final : TraceSink {
    std::vector<OperationTrace> operations;
    std::vector<WriteTrace> writes;
    std::vector<std::pair<std::uint64_t, std::string>> unreadable;

    void onOperation(const OperationTrace& operation) override { operations.push_back(operation); }
    void onWrite(const WriteTrace& write) override { writes.push_back(write); }
    void onUnreadableLine(std::uint64_t line, std::string_view reason, std::string_view) override {
        unreadable.emplace_back(line, std::string(reason));
    }

    bool hasProblem(std::size_t operation, ProblemKind kind) const {
        for (const TraceProblem& problem : operations.at(operation).problems) {
            if (problem.kind == kind) {
                return true;
            }
        }
        return false;
    }
};

Recorded decode(const std::string& log, LogSummary* summary = nullptr) {
    Recorded recorded;
    TraceSettings settings;
    LogTracer tracer(settings, recorded);
    commlog::LogLineSplitter splitter;
    commlog::LogLine line;
    const auto onLine = [&](const commlog::LogLineSplitter::Line& piece) {
        if (piece.tooLong) {
            tracer.takeUnreadable(piece.number, "too long", {});
            return;
        }
        commlog::parseLogLine(piece.text, line);
        if (line.kind == commlog::LineKind::Unreadable) {
            tracer.takeUnreadable(piece.number, line.text, piece.text);
        } else {
            tracer.take(line, piece.number);
        }
    };
    splitter.feed(std::span<const char>(log.data(), log.size()), onLine);
    splitter.finish(onLine);
    tracer.finish();
    if (summary != nullptr) {
        *summary = tracer.summary();
    }
    return recorded;
}

TEST(LogTrace, AnOperationTheLogCutsOffHasNoResult) {
    LogText log;
    log.start().open().data(0, 0, 'S', kVersionRead).data(0, 12, 'R', kVersionReply).close();
    log.open().data(1, 1000, 'S', kErase).data(1, 990, 'R', kStatusOk).data(1, 2, 'S', dataBlock(0x200000));
    // ... and the file ends in the middle of the next line.
    const std::string text = log.text() + "10:00:01 05/06/2024         3:R06 30 0";
    const Recorded recorded = decode(text);
    ASSERT_EQ(recorded.operations.size(), 2u);
    EXPECT_EQ(recorded.operations[0].result, ResultCode::Ok);
    EXPECT_EQ(recorded.operations[0].kind, OperationKind::Reads);
    const OperationTrace& cut = recorded.operations[1];
    EXPECT_FALSE(cut.result.has_value());
    EXPECT_FALSE(cut.closed);
    EXPECT_TRUE(recorded.hasProblem(1, ProblemKind::CutOff));
    EXPECT_EQ(cut.blocks, 1u);
    ASSERT_EQ(recorded.unreadable.size(), 1u);
    EXPECT_EQ(recorded.unreadable[0].second, "a byte is cut short");
}

TEST(LogTrace, GarbageBetweenTheLinesIsCountedAndTheRestDecoded) {
    LogText log;
    log.start().open().data(0, 0, 'S', kVersionRead);
    log.line("\x01\x02\xff\xfe not a log line");
    log.line(std::string(70000, 'z'));
    log.line("10:00:00 05/06/2024         5:Q00 ");
    log.data(0, 12, 'R', kVersionReply).close();
    LogSummary summary;
    const Recorded recorded = decode(log.text(), &summary);
    ASSERT_EQ(recorded.operations.size(), 1u);
    EXPECT_EQ(recorded.operations[0].result, ResultCode::Ok);
    ASSERT_EQ(recorded.operations[0].targets.size(), 1u);
    ASSERT_EQ(recorded.operations[0].targets[0].versions.size(), 1u);
    EXPECT_EQ(recorded.operations[0].targets[0].versions[0].text, "1.05");
    EXPECT_EQ(summary.unreadableLines, 3u);
    ASSERT_EQ(recorded.unreadable.size(), 3u);
    EXPECT_EQ(recorded.unreadable[0].first, 4u);
    EXPECT_EQ(recorded.unreadable[1].second, "too long");
    EXPECT_EQ(recorded.unreadable[2].second, "the kind letter is not R, S or L");
    EXPECT_EQ(summary.messages, 2u);
}

TEST(LogTrace, WithoutItsStartLineTimesAreWholeSeconds) {
    LogText log;
    log.open().data(0, 480, 'S', kVersionRead).data(3, 480, 'R', kVersionReply).close();
    const Recorded recorded = decode(log.text());
    ASSERT_EQ(recorded.operations.size(), 1u);
    const OperationTrace& operation = recorded.operations[0];
    EXPECT_FALSE(operation.exactTimes);
    EXPECT_DOUBLE_EQ(operation.seconds(), 3.0);
}

TEST(LogTrace, ElapsedTimesThatLeaveTheTimeStampsShowLostEntries) {
    LogText log;
    // 2 s of elapsed time inside one wall-clock second cannot be.
    log.start().open().data(0, 100, 'S', kVersionRead).data(0, 2000, 'S', kVersionRead);
    log.data(0, 2200, 'R', kVersionReply).close();
    const Recorded recorded = decode(log.text());
    ASSERT_EQ(recorded.operations.size(), 1u);
    EXPECT_TRUE(recorded.hasProblem(0, ProblemKind::LostEntries));
}

TEST(LogTrace, LogsRunTogetherStartTheirTimesAgain) {
    LogText log;
    log.start().open().data(0, 0, 'S', kVersionRead).data(0, 12, 'R', kVersionReply).close();
    log.start().open().data(5, 3, 'S', kVersionRead).data(5, 15, 'R', kVersionReply).close();
    LogSummary summary;
    const Recorded recorded = decode(log.text(), &summary);
    ASSERT_EQ(recorded.operations.size(), 2u);
    EXPECT_EQ(recorded.operations[1].number, 2);
    EXPECT_EQ(recorded.operations[1].log, 2);
    ASSERT_TRUE(recorded.operations[1].start.has_value());
    EXPECT_EQ(recorded.operations[1].start->atMs, 3);
    EXPECT_EQ(summary.logs, 2);
}

TEST(LogTrace, AReceivedFrameThatIsNoMessageIsNamed) {
    LogText log;
    log.start().open().data(0, 0, 'S', kVersionRead);
    log.data(0, 4, 'R', {0x0B, 0x00, 0x05, 0xD1});
    log.line("------:E01 ( Err ) Uncompress size error 3 != 5\r\n ");
    log.data(0, 10, 'R', kVersionReply).close();
    const Recorded recorded = decode(log.text());
    ASSERT_EQ(recorded.operations.size(), 1u);
    EXPECT_TRUE(recorded.hasProblem(0, ProblemKind::BadMessage));
    EXPECT_TRUE(recorded.hasProblem(0, ProblemKind::TrxError));
    EXPECT_EQ(recorded.operations[0].result, ResultCode::Ok);
}

TEST(LogTrace, AnOpenThatFailsIsAnOperationWithoutMessages) {
    LogText log;
    log.start();
    log.line("------:E02 ( Err ) (GetLastError = 000002) CreateFile No such file or directory");
    log.open();
    log.line("------:E00 ( Err ) TRX.DLL - Call CloseInterFace Function.");
    log.line("------:E00 ( Err ) TRX.DLL - End of CloseInterFace Function.");
    const Recorded recorded = decode(log.text());
    ASSERT_EQ(recorded.operations.size(), 1u);
    EXPECT_EQ(recorded.operations[0].result, ResultCode::OpenFailed);
    EXPECT_EQ(recorded.operations[0].kind, OperationKind::Empty);
    EXPECT_TRUE(recorded.hasProblem(0, ProblemKind::OpenFailed));
}

}  // namespace
}  // namespace engine::trace
