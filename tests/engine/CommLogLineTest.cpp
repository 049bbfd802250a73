// Lines of the communication log, one at a time, and the log cut into lines
// from pieces of any size. No files: the text is made here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CommLogLine.h"
#include "engine/CommLogSplitter.h"

namespace engine::commlog {
namespace {

LogLine parsed(std::string_view text) {
    LogLine line;
    parseLogLine(text, line);
    return line;
}

std::vector<std::uint8_t> bytesOf(const LogLine& line) {
    return {line.data().begin(), line.data().end()};
}

TEST(CommLogLine, DataLinesAsTheLibraryWritesThem) {
    const LogLine sent = parsed("09:15:02 03/14/2006       200:S05 41 1f 12 00 00 ");
    ASSERT_EQ(sent.kind, LineKind::Data) << sent.text;
    EXPECT_EQ(sent.direction, Direction::Sent);
    EXPECT_EQ(sent.elapsedMs, 200);
    EXPECT_EQ(bytesOf(sent), (std::vector<std::uint8_t>{0x05, 0x41, 0x1F, 0x12, 0x00, 0x00}));
    EXPECT_EQ(sent.stamp, (StampTime{2006, 3, 14, 9, 15, 2}));

    const LogLine received = parsed("23:59:59 12/31/1999         0:Rd0 d1 ff ");
    ASSERT_EQ(received.kind, LineKind::Data);
    EXPECT_EQ(received.direction, Direction::Received);
    EXPECT_EQ(received.elapsedMs, 0);
    EXPECT_EQ(bytesOf(received), (std::vector<std::uint8_t>{0xD0, 0xD1, 0xFF}));

    const LogLine local = parsed("00:00:00 01/01/2024         7:L01 01 ");
    ASSERT_EQ(local.kind, LineKind::Data);
    EXPECT_EQ(local.direction, Direction::Local);
}

TEST(CommLogLine, DataLinesEditedByHandStillRead) {
    // The last blank gone, upper-case digits, an empty entry, a wide elapsed time.
    EXPECT_EQ(bytesOf(parsed("09:15:02 03/14/2006         5:S06 AB")), (std::vector<std::uint8_t>{6, 0xAB}));
    EXPECT_EQ(parsed("09:15:02 03/14/2006         5:S").kind, LineKind::Data);
    const LogLine wide = parsed("09:15:02 03/14/20062147483647:S01 ");
    ASSERT_EQ(wide.kind, LineKind::Data);
    EXPECT_EQ(wide.elapsedMs, 2147483647);
    const LogLine negative = parsed("09:15:02 03/14/2006 -2147483648:S01 ");
    ASSERT_EQ(negative.kind, LineKind::Data);
    EXPECT_EQ(negative.elapsedMs, -2147483648LL);
}

TEST(CommLogLine, AFullEntryReadsAndOneByteMoreDoesNot) {
    std::string full = "09:15:02 03/14/2006         1:R";
    for (std::size_t i = 0; i < kMaxEntryBytes; ++i) {
        full += "a5 ";
    }
    const LogLine line = parsed(full);
    ASSERT_EQ(line.kind, LineKind::Data);
    EXPECT_EQ(line.byteCount, kMaxEntryBytes);
    const LogLine longer = parsed(full + "5a ");
    EXPECT_EQ(longer.kind, LineKind::Unreadable);
    EXPECT_EQ(longer.text, "more bytes than a log entry holds");
}

TEST(CommLogLine, DamagedDataLinesSayWhatIsWrong) {
    struct Case {
        const char* line;
        const char* reason;
    };
    const Case cases[] = {
        {"25:15:02 03/14/2006       200:S05 ", "the time stamp is not a time"},
        {"09:15:02 13/14/2006       200:S05 ", "the time stamp is not a time"},
        {"09:15:02 03/00/2006       200:S05 ", "the time stamp is not a time"},
        {"09:15:02 03/14/2006       2x0:S05 ", "the elapsed time is not a number followed by a colon"},
        {"09:15:02 03/14/2006          :S05 ", "the elapsed time is not a number followed by a colon"},
        {"09:15:02 03/14/2006       200:", "the kind letter is missing"},
        {"09:15:02 03/14/2006       200:X05 ", "the kind letter is not R, S or L"},
        {"09:15:02 03/14/2006       200:S05 4", "a byte is cut short"},
        {"09:15:02 03/14/2006       200:S05 4g ", "a byte is not two hexadecimal digits"},
        {"09:15:02 03/14/2006       200:S05,41 ", "the bytes are not separated by blanks"},
        {"09:15:02 03/14/2006       200:S05  41 ", "a byte is not two hexadecimal digits"},
    };
    for (const Case& c : cases) {
        const LogLine line = parsed(c.line);
        EXPECT_EQ(line.kind, LineKind::Unreadable) << c.line;
        EXPECT_EQ(line.text, c.reason) << c.line;
    }
}

TEST(CommLogLine, NoticesAndTheLibrarysOtherLines) {
    const LogLine init = parsed("------:E00 ( Err ) TRX.DLL - End of InitInterFace Function.");
    ASSERT_EQ(init.kind, LineKind::Notice);
    EXPECT_EQ(init.code, 0);
    EXPECT_EQ(init.text, kInitEndNotice);

    const LogLine report = parsed("------:E02 ( Err ) (GetLastError = 000002) CreateFile No such file");
    ASSERT_EQ(report.kind, LineKind::Notice);
    EXPECT_EQ(report.code, 2);
    EXPECT_EQ(report.text, "(GetLastError = 000002) CreateFile No such file");

    const LogLine fall = parsed("------:Packet Fall :0A");
    ASSERT_EQ(fall.kind, LineKind::PacketFall);
    EXPECT_EQ(fall.code, 10);

    EXPECT_EQ(parsed("**********LogStart**********").kind, LineKind::LogStart);
    EXPECT_EQ(parsed("**********Log Close**********").kind, LineKind::LogClose);
    EXPECT_EQ(parsed("**********Serial Driver Comm Properties**********").kind, LineKind::DriverProperty);
    EXPECT_EQ(parsed("  MaxBaud = 268435456").kind, LineKind::DriverProperty);
    EXPECT_EQ(parsed("").kind, LineKind::Blank);
    EXPECT_EQ(parsed(" ").kind, LineKind::Blank);

    EXPECT_EQ(parsed("------:E ( Err ) no code").kind, LineKind::Unreadable);
    EXPECT_EQ(parsed("------:Packet Fall :").kind, LineKind::Unreadable);
    EXPECT_EQ(parsed("------:Packet Fall :1G").kind, LineKind::Unreadable);
    const LogLine garbage = parsed("\x89PNG\r\n\x1a");
    EXPECT_EQ(garbage.kind, LineKind::Unreadable);
    EXPECT_EQ(garbage.text, "not a line of a communication log");
}

TEST(CommLogLine, NoticeTextsKeepBytesThatAreNotUtf8) {
    // The system's error texts come in the user's code page.
    const LogLine report =
        parsed("------:E02 ( Err ) (GetLastError = 000005) CreateFile Zugriff verweigert \xe4");
    ASSERT_EQ(report.kind, LineKind::Notice);
    EXPECT_EQ(report.text.back(), '\xe4');
}

TEST(StampTime, SecondsCountAcrossMidnightAndMonthEnds) {
    const StampTime before{2024, 2, 28, 23, 59, 59};
    const StampTime after{2024, 2, 29, 0, 0, 1};
    const StampTime march{2024, 3, 1, 0, 0, 1};
    EXPECT_EQ(after.secondsSinceEpoch() - before.secondsSinceEpoch(), 2);
    EXPECT_EQ(march.secondsSinceEpoch() - after.secondsSinceEpoch(), 86400);
    EXPECT_EQ((StampTime{1970, 1, 1, 0, 0, 0}).secondsSinceEpoch(), 0);
}

// Everything the splitter hands on, as text.
struct Collected {
    std::vector<std::string> lines;
    std::vector<std::uint64_t> tooLong;  // lengths of the lines skipped
    bool lastUnterminated = false;

    void operator()(const LogLineSplitter::Line& line) {
        if (line.tooLong) {
            tooLong.push_back(line.length);
            lines.push_back("<long>");
        } else {
            lines.emplace_back(line.text);
        }
        lastUnterminated = line.unterminated;
    }
};

Collected split(const std::string& text, std::size_t pieceSize) {
    LogLineSplitter splitter;
    Collected collected;
    for (std::size_t at = 0; at < text.size(); at += pieceSize) {
        const std::size_t size = std::min(pieceSize, text.size() - at);
        splitter.feed(std::span<const char>(text.data() + at, size), collected);
    }
    splitter.finish(collected);
    return collected;
}

TEST(LogLineSplitter, TheSameLinesWhateverThePiecesAre) {
    const std::string text = "first\r\nsecond\n\r\n\nlast without end";
    const std::vector<std::string> expected = {"first", "second", "", "", "last without end"};
    for (const std::size_t piece : {1u, 2u, 3u, 7u, 1000u}) {
        const Collected collected = split(text, piece);
        EXPECT_EQ(collected.lines, expected) << "pieces of " << piece;
        EXPECT_TRUE(collected.lastUnterminated);
    }
    const Collected ended = split("one\r\n", 2);
    EXPECT_EQ(ended.lines, (std::vector<std::string>{"one"}));
    EXPECT_FALSE(ended.lastUnterminated);
}

TEST(LogLineSplitter, AnOverlongLineIsSkippedAndCountedNotKept) {
    const std::string longLine(LogLineSplitter::kMaxLineLength + 10, 'x');
    const std::string fitting(LogLineSplitter::kMaxLineLength, 'y');
    const std::string text = "before\n" + longLine + "\r\n" + fitting + "\nafter\n" + longLine;
    for (const std::size_t piece : {4096u, 65537u, 1u << 20}) {
        const Collected collected = split(text, piece);
        ASSERT_EQ(collected.lines.size(), 5u) << "pieces of " << piece;
        EXPECT_EQ(collected.lines[0], "before");
        EXPECT_EQ(collected.lines[1], "<long>");
        EXPECT_EQ(collected.lines[2], fitting);
        EXPECT_EQ(collected.lines[3], "after");
        EXPECT_EQ(collected.lines[4], "<long>");
        EXPECT_EQ(collected.tooLong, (std::vector<std::uint64_t>{longLine.size(), longLine.size()}));
        EXPECT_TRUE(collected.lastUnterminated);
    }
}

TEST(LogLineSplitter, LineNumbersCountEveryLine) {
    LogLineSplitter splitter;
    std::vector<std::uint64_t> numbers;
    const std::string text = "a\n\nb\n";
    splitter.feed(std::span<const char>(text.data(), text.size()),
                  [&numbers](const LogLineSplitter::Line& line) { numbers.push_back(line.number); });
    splitter.finish([&numbers](const LogLineSplitter::Line& line) { numbers.push_back(line.number); });
    EXPECT_EQ(numbers, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(splitter.lines(), 3u);
}

}  // namespace
}  // namespace engine::commlog
