#include "engine/OperationControl.h"
#include "engine/StatusModel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace engine {
namespace {

using namespace std::chrono_literals;

TEST(StatusModel, StartsAtItsResetValues) {
    StatusModel status;
    EXPECT_EQ(status.title(), "");
    EXPECT_EQ(status.statusText(), "");
    EXPECT_EQ(status.currentTotal(), 100);
    EXPECT_EQ(status.overallTotal(), 100);
    EXPECT_EQ(status.currentPos(), 0);
    EXPECT_TRUE(status.cancelEnabled());
    EXPECT_FALSE(status.errorFlag());
}

TEST(StatusModel, ResetRestoresEveryField) {
    StatusModel status;
    status.setTitle("SRF7 (MAIN 1.05)");
    status.setFileName("MAIN0105.mot");
    status.setStatusText("Erasing...");
    status.setLowAddress(0x200000);
    status.setHighAddress(0x20FFFF);
    status.setChecksum(0x1234);
    status.setErrorFlag(true);
    status.setFinishedFlag(true);
    status.setCurrentTotal(7);
    status.setCurrentPos(3);
    status.setOverallTotal(9);
    status.setOverallPos(4);
    status.setCancelEnabled(false);

    status.reset();

    EXPECT_EQ(status.title(), "");
    EXPECT_EQ(status.fileName(), "");
    EXPECT_EQ(status.statusText(), "");
    EXPECT_EQ(status.lowAddress(), 0u);
    EXPECT_EQ(status.highAddress(), 0u);
    EXPECT_EQ(status.checksum(), 0);
    EXPECT_FALSE(status.errorFlag());
    EXPECT_FALSE(status.finishedFlag());
    EXPECT_EQ(status.currentTotal(), 100);
    EXPECT_EQ(status.currentPos(), 0);
    EXPECT_EQ(status.overallTotal(), 100);
    EXPECT_EQ(status.overallPos(), 0);
    EXPECT_TRUE(status.cancelEnabled());
}

TEST(StatusModel, ProgressStaysWithinItsTotals) {
    StatusModel status;
    status.setCurrentTotal(2);
    status.advanceCurrent();
    status.advanceCurrent();
    status.advanceCurrent();
    EXPECT_EQ(status.currentPos(), 2);

    status.setOverallTotal(10);
    status.advanceOverall(4);
    status.advanceOverall(9);
    EXPECT_EQ(status.overallPos(), 10);
    status.advanceOverall(-25);
    EXPECT_EQ(status.overallPos(), 0);

    status.setCurrentTotal(0);
    status.advanceCurrent();
    EXPECT_EQ(status.currentPos(), 0);
}

TEST(StatusModel, FilledBarsStopAtTenThousand) {
    StatusModel status;
    status.setCurrentTotal(513 * 20 + 4);
    status.setOverallTotal(42);
    status.fillBars();
    EXPECT_EQ(status.currentPos(), 10000);
    EXPECT_EQ(status.overallPos(), 42);
}

TEST(StatusModel, ConcurrentAdvancesAreNotLost) {
    StatusModel status;
    status.setCurrentTotal(1000000);
    auto advance = [&status] {
        for (int i = 0; i < 20000; ++i) {
            status.advanceCurrent();
        }
    };
    std::thread first(advance);
    std::thread second(advance);
    first.join();
    second.join();
    EXPECT_EQ(status.currentPos(), 40000);
}

TEST(StatusModel, ReaderNeverSeesATornText) {
    StatusModel status;
    const std::string shortText = "Erasing...";
    const std::string longText = "  Writing 00200000H - 0020007FH and a text longer than any short buffer";
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) {
            status.setStatusText(i % 2 ? shortText : longText);
        }
    });
    for (int i = 0; i < 20000; ++i) {
        const std::string seen = status.statusText();
        ASSERT_TRUE(seen.empty() || seen == shortText || seen == longText) << seen;
    }
    stop = true;
    writer.join();
}

TEST(OperationControl, ACancelStaysForEveryLaterWaitUntilTheNextStart) {
    OperationControl control;
    EXPECT_FALSE(control.waitForCancel(1ms));
    control.cancel();
    for (int wait = 0; wait < 3; ++wait) {
        EXPECT_TRUE(control.waitForCancel(1ms));
    }
    EXPECT_TRUE(control.cancelled());
    control.reset();
    EXPECT_FALSE(control.cancelled());
    EXPECT_FALSE(control.waitForCancel(1ms));
}

TEST(OperationControl, ACancelIsNoOkAndDoneIsLookedAtWithoutTakingIt) {
    OperationControl control;
    control.cancel();
    control.signalDone();
    EXPECT_TRUE(control.isDone());
    EXPECT_TRUE(control.isDone());
    std::atomic<bool> okSeen{false};
    std::thread worker([&] {
        control.waitForOk();
        okSeen = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(okSeen.load()) << "a cancelled operation still waits for its OK";
    control.giveOk();
    worker.join();
    EXPECT_TRUE(okSeen.load());
}

TEST(OperationControl, ACancelWakesAWaitOnAnotherThreadAtOnce) {
    OperationControl control;
    std::thread canceller([&control] {
        std::this_thread::sleep_for(5ms);
        control.cancel();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(control.waitForCancel(10s));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    canceller.join();
}

}  // namespace
}  // namespace engine
