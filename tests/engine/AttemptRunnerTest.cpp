// The attempt runner against a scripted path: which results are tried
// again, what the status shows, and what the path is asked to do.
#include "Attempts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "engine/OperationControl.h"
#include "engine/StatusModel.h"

namespace engine {
namespace {

using ::testing::ElementsAre;

// Each attempt ends with the next scripted result; records the calls.
class ScriptedPath : public UpdatePath {
  public:
    ScriptedPath(std::deque<ResultCode> results, bool retriesEveryFailure)
        : results_(std::move(results)), retriesEveryFailure_(retriesEveryFailure) {}

    void prepare() override { calls.push_back("prepare"); }
    bool beginAttempt() override {
        calls.push_back("begin");
        return opens;
    }
    AttemptResult runAttempt() override {
        calls.push_back("run");
        const ResultCode result = results_.empty() ? ResultCode::Ok : results_.front();
        if (!results_.empty()) {
            results_.pop_front();
        }
        return {result, anythingDone};
    }
    void rollBack() override { calls.push_back("roll back"); }
    void endAttempt() override { calls.push_back("end"); }
    void finish() override { calls.push_back("finish"); }
    bool retriesEveryFailure() const override { return retriesEveryFailure_; }

    bool opens = true;
    bool anythingDone = true;
    std::vector<std::string> calls;

  private:
    std::deque<ResultCode> results_;
    bool retriesEveryFailure_;
};

// Every status line the runner shows, in order.
class ShownLines {
  public:
    explicit ShownLines(StatusModel& status) : status_(status) {}
    void take() {
        const std::string text = status_.statusText();
        if (!text.empty() && (lines.empty() || lines.back() != text)) {
            lines.push_back(text);
        }
    }
    std::vector<std::string> lines;

  private:
    StatusModel& status_;
};

class AttemptRunnerTest : public ::testing::Test {
  protected:
    ResultCode run(ScriptedPath& path, std::int32_t attempts, bool write = true) {
        AttemptRunner runner(status, control, {attempts, 0, write});
        return runner.run(path);
    }
    StatusModel status;
    OperationControl control;
};

TEST_F(AttemptRunnerTest, TimeOutsAreTriedAgainUntilTheAttemptsAreUsedUp) {
    ScriptedPath path({ResultCode::TimedOut, ResultCode::TimedOut, ResultCode::TimedOut}, false);
    EXPECT_EQ(run(path, 3), ResultCode::TimedOut);
    EXPECT_EQ(status.statusText(), "Retry TimeOut !!!");
    EXPECT_TRUE(status.errorFlag());
    EXPECT_THAT(path.calls, ElementsAre("begin", "run", "roll back", "end", "begin", "run", "roll back",
                                        "end", "begin", "run"));
}

TEST_F(AttemptRunnerTest, EachTimeOutButTheLastNamesItsAttempt) {
    // The status is looked at when the next attempt begins.
    class Watched : public ScriptedPath {
      public:
        explicit Watched(ShownLines& shown)
            : ScriptedPath({ResultCode::TimedOut, ResultCode::TimedOut}, true), shown_(shown) {}
        bool beginAttempt() override {
            shown_.take();
            return ScriptedPath::beginAttempt();
        }

      private:
        ShownLines& shown_;
    };
    ShownLines shown(status);
    Watched path(shown);
    EXPECT_EQ(run(path, 5), ResultCode::Ok);
    shown.take();
    EXPECT_THAT(shown.lines, ElementsAre("Time Out - Failed(1)", "Time Out - Failed(2)",
                                         "=== Write Completed (Retry=2) ==="));
    EXPECT_FALSE(status.errorFlag());
}

TEST_F(AttemptRunnerTest, OtherFailuresAreTriedAgainOnlyWhereThePathSaysSo) {
    ScriptedPath host({ResultCode::EraseFailed, ResultCode::Ok}, true);
    EXPECT_EQ(run(host, 5), ResultCode::Ok);
    EXPECT_EQ(status.statusText(), "=== Write Completed (Retry=1) ===");

    ScriptedPath direct({ResultCode::EraseFailed, ResultCode::Ok}, false);
    EXPECT_EQ(run(direct, 5), ResultCode::EraseFailed);
    EXPECT_TRUE(status.errorFlag());
    EXPECT_THAT(direct.calls, ElementsAre("begin", "run"));
}

TEST_F(AttemptRunnerTest, AWrongTargetDoesNotUseUpAnAttempt) {
    ScriptedPath path({ResultCode::WrongTarget, ResultCode::WrongTarget, ResultCode::Ok}, true);
    EXPECT_EQ(run(path, 1, false), ResultCode::Ok);
    EXPECT_EQ(status.statusText(), "=== Erase Completed (Retry=0) ===");
    // Nothing was given back: the sequence has deselected the image and the bar stays.
    EXPECT_THAT(path.calls, ElementsAre("begin", "run", "end", "begin", "run", "end", "begin", "run"));
}

TEST_F(AttemptRunnerTest, NothingSelectedEndsFailedWithNothingToDo) {
    ScriptedPath path({}, true);
    path.anythingDone = false;
    EXPECT_EQ(run(path, 5), ResultCode::Failed);
    EXPECT_EQ(status.statusText(), "No anyting !!!");
    EXPECT_TRUE(status.errorFlag());
}

TEST_F(AttemptRunnerTest, AnAttemptThatCannotStartEndsTheOperation) {
    ScriptedPath path({}, true);
    path.opens = false;
    EXPECT_EQ(run(path, 5), ResultCode::OpenFailed);
    EXPECT_THAT(path.calls, ElementsAre("begin"));
}

TEST_F(AttemptRunnerTest, ACancelEndsAtOnceAndDuringThePause) {
    ScriptedPath cancelled({ResultCode::Cancelled}, true);
    EXPECT_EQ(run(cancelled, 5), ResultCode::Cancelled);
    EXPECT_THAT(cancelled.calls, ElementsAre("begin", "run"));

    ScriptedPath paused({ResultCode::TimedOut, ResultCode::Ok}, true);
    control.cancel();
    AttemptRunner runner(status, control, {5, 50, true});
    EXPECT_EQ(runner.run(paused), ResultCode::Cancelled);
    EXPECT_THAT(paused.calls, ElementsAre("begin", "run", "roll back", "end"));
    // The cancel stays for the waits that follow.
    EXPECT_TRUE(control.cancelled());
}

}  // namespace
}  // namespace engine
