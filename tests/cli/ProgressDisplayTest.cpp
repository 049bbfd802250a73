#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "cli/ProgressDisplay.h"

namespace cli {
namespace {

ProgressSnapshot at(std::string status, std::int32_t current, std::int32_t overall) {
    ProgressSnapshot snapshot;
    snapshot.statusText = std::move(status);
    snapshot.currentTotal = 100;
    snapshot.currentPos = current;
    snapshot.overallTotal = 10;
    snapshot.overallPos = overall;
    return snapshot;
}

TEST(ProgressDisplay, BarsShowFillAndPercentWithinTheirTotals) {
    EXPECT_EQ(ProgressDisplay::bar(0, 100), "[....................]   0%");
    EXPECT_EQ(ProgressDisplay::bar(50, 100), "[##########..........]  50%");
    EXPECT_EQ(ProgressDisplay::bar(100, 100), "[####################] 100%");
    EXPECT_EQ(ProgressDisplay::bar(150, 100), "[####################] 100%");
    EXPECT_EQ(ProgressDisplay::bar(-3, 100), "[....................]   0%");
    // A total of 0 (a bar with range 0..0) is drawn empty rather than divided by.
    EXPECT_EQ(ProgressDisplay::bar(5, 0), "[....................]   0%");
    EXPECT_EQ(ProgressDisplay::percent(1, 3), 33);
    EXPECT_EQ(ProgressDisplay::percent(10000, 10000), 100);
}

TEST(ProgressDisplay, PlainLinesPrintEachNewStatusOnce) {
    std::ostringstream progress;
    std::ostringstream messages;
    ProgressDisplay display(progress, messages, ProgressDisplay::Style::PlainLines);
    display.update(at("  BOOT Change Wait 10 seconds", 0, 0));
    display.update(at("  BOOT Change Wait 10 seconds", 5, 1));
    display.update(at("", 5, 1));
    display.update(at("=== Write Completed (Retry=0) ===", 100, 10));
    display.finish();
    EXPECT_EQ(progress.str(), "  BOOT Change Wait 10 seconds\n=== Write Completed (Retry=0) ===\n");
    EXPECT_TRUE(messages.str().empty());
}

TEST(ProgressDisplay, EachOperationOfARunStartsAfreshOrSilently) {
    std::ostringstream progress;
    std::ostringstream messages;
    ProgressDisplay display(progress, messages, ProgressDisplay::Style::PlainLines);
    display.beginOperation(true);
    display.update(at("=== Write Completed (Retry=0) ===", 100, 10));
    display.finish();
    // A version read in between shows messages only.
    display.beginOperation(false);
    display.update(at("reading", 0, 0));
    display.message("Get Version - Error occured !", core::MessageIcon::Stop);
    display.finish();
    // The next unit's write ends with the same text, and it is shown again.
    display.beginOperation(true);
    display.update(at("=== Write Completed (Retry=0) ===", 100, 10));
    display.finish();
    EXPECT_EQ(progress.str(), "=== Write Completed (Retry=0) ===\n=== Write Completed (Retry=0) ===\n");
    EXPECT_EQ(messages.str(), "flashkit-cli: error: Get Version - Error occured !\n");

    // A display made silent (JSON output) stays silent.
    std::ostringstream quiet;
    ProgressDisplay silent(quiet, messages, ProgressDisplay::Style::Silent);
    silent.beginOperation(true);
    silent.update(at("=== Write Completed (Retry=0) ===", 100, 10));
    silent.finish();
    EXPECT_TRUE(quiet.str().empty());
}

TEST(ProgressDisplay, PlainLinesOfOneKindComeAtMostOnceASecondAndTheLastIsKept) {
    std::ostringstream progress;
    std::ostringstream messages;
    ProgressDisplay display(progress, messages, ProgressDisplay::Style::PlainLines);
    const auto start = ProgressDisplay::Clock::time_point{} + std::chrono::hours(1);
    using std::chrono::milliseconds;
    display.update(at("Erasing...", 0, 0), start);
    display.update(at("  Writing 00200000H - 0020007FH", 1, 1), start + milliseconds(10));
    display.update(at("  Writing 00200080H - 002000FFH", 2, 1), start + milliseconds(20));
    display.update(at("  Writing 00200100H - 0020017FH", 3, 1), start + milliseconds(900));
    // Nothing new, but the held-back line is due now.
    display.update(at("  Writing 00200100H - 0020017FH", 3, 1), start + milliseconds(1100));
    display.update(at("  Writing 00200180H - 002001FFH", 4, 1), start + milliseconds(1200));
    display.finish();
    EXPECT_EQ(progress.str(),
              "Erasing...\n"
              "  Writing 00200000H - 0020007FH\n"
              "  Writing 00200100H - 0020017FH\n"
              "  Writing 00200180H - 002001FFH\n");
}

TEST(ProgressDisplay, StatusKindIgnoresNumbersButNotWords) {
    EXPECT_EQ(ProgressDisplay::statusKind("  Writing 0032EE80H - 0032EEFFH (Block 0002)"),
              "  Writing #H - #H (Block #)");
    EXPECT_EQ(ProgressDisplay::statusKind("Time Out - Failed(3)"), "Time Out - Failed(#)");
    EXPECT_NE(ProgressDisplay::statusKind("Erase Failed"), ProgressDisplay::statusKind("Checksum Failed"));
    EXPECT_EQ(ProgressDisplay::statusKind(""), "");
}

TEST(ProgressDisplay, RedrawnDisplayHasTwoLinesAndRedrawsOnlyOnChange) {
    std::ostringstream progress;
    std::ostringstream messages;
    ProgressDisplay display(progress, messages, ProgressDisplay::Style::Redrawn);
    display.update(at("Writing", 25, 5));
    const std::string first = progress.str();
    EXPECT_NE(first.find("Writing\n"), std::string::npos);
    EXPECT_NE(first.find("Current [#####...............]  25%   Total [##########..........]  50%"),
              std::string::npos);
    display.update(at("Writing", 25, 5));
    EXPECT_EQ(progress.str(), first);
    display.update(at("Writing", 50, 5));
    const std::string second = progress.str().substr(first.size());
    // The old two lines are erased (cursor one line up) before the new ones are drawn.
    EXPECT_EQ(second.rfind("\x1b[2K\r\x1b[1A\x1b[2K", 0), 0u);
    EXPECT_NE(second.find("Current [##########..........]  50%"), std::string::npos);
    display.finish();
    EXPECT_EQ(progress.str().back(), '\n');
}

TEST(ProgressDisplay, ErrorStatusIsRedOnATerminal) {
    std::ostringstream progress;
    std::ostringstream messages;
    ProgressDisplay display(progress, messages, ProgressDisplay::Style::Redrawn);
    auto snapshot = at("Retry TimeOut !!!", 0, 0);
    snapshot.errorFlag = true;
    display.update(snapshot);
    EXPECT_NE(progress.str().find("\x1b[31mRetry TimeOut !!!\x1b[0m"), std::string::npos);
}

TEST(ProgressDisplay, MessagesGoToTheirOwnStreamAndTheDisplayComesBack) {
    std::ostringstream progress;
    std::ostringstream messages;
    ProgressDisplay display(progress, messages, ProgressDisplay::Style::Redrawn);
    display.update(at("Writing", 10, 1));
    const auto before = progress.str().size();
    display.message("Interface Open NG", core::MessageIcon::None);
    EXPECT_EQ(messages.str(), "flashkit-cli: Interface Open NG\n");
    EXPECT_NE(progress.str().find("Writing", before), std::string::npos);
}

TEST(ProgressDisplay, MessageLinesNameTheIcon) {
    EXPECT_EQ(ProgressDisplay::messageLine("QX7A LOADER is already running.", core::MessageIcon::Stop),
              "flashkit-cli: error: QX7A LOADER is already running.");
    EXPECT_EQ(ProgressDisplay::messageLine("x", core::MessageIcon::Warning), "flashkit-cli: warning: x");
    EXPECT_EQ(ProgressDisplay::messageLine("x", core::MessageIcon::Information), "flashkit-cli: x");
}

TEST(ProgressDisplay, MessagesFromAnotherThreadDoNotTearUpdates) {
    std::ostringstream progress;
    std::ostringstream messages;
    ProgressDisplay display(progress, messages, ProgressDisplay::Style::PlainLines);
    std::thread worker([&display] {
        for (int i = 0; i < 200; ++i) {
            display.message("Get Version - Timeout Error !", core::MessageIcon::None);
        }
    });
    for (int i = 0; i < 200; ++i) {
        display.update(at("step " + std::to_string(i), i % 100, i % 10));
    }
    worker.join();
    std::istringstream lines(messages.str());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line, "flashkit-cli: Get Version - Timeout Error !");
        ++count;
    }
    EXPECT_EQ(count, 200);
}

}  // namespace
}  // namespace cli
