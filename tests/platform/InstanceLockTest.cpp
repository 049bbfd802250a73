#include "platform/InstanceLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestDirectory.h"

using platform::InstanceLock;
using testing_support::TempDirectory;

namespace {

constexpr const char* kGuardName = "Check [QX7A LOAD] already running.";

// A child process that takes the lock, reports it through a pipe and then
// waits until the parent closes its end (or kills it).
class LockHoldingChild {
  public:
    explicit LockHoldingChild(const std::string& directory) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            InstanceLock lock(kGuardName, directory);
            char held = lock.held() ? 'y' : 'n';
            if (::write(ready[1], &held, 1) != 1)
                ::_exit(2);
            char ignored;
            while (::read(release[0], &ignored, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        releaseFd_ = release[1];
        char held = 'n';
        childHolds_ = ::read(ready[0], &held, 1) == 1 && held == 'y';
        ::close(ready[0]);
    }
    ~LockHoldingChild() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (releaseFd_ >= 0)
            ::close(releaseFd_);
    }
    bool childHolds() const { return childHolds_; }
    void letExit() {
        ::close(releaseFd_);
        releaseFd_ = -1;
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    void kill() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    int releaseFd_ = -1;
    bool childHolds_ = false;
};

}  // namespace

TEST(InstanceLock, NameBecomesAFileNameInTheDirectory) {
    EXPECT_EQ(InstanceLock::lockFileName(kGuardName), "check-qx7a-load-already-running.lock");
    TempDirectory folder;
    InstanceLock lock(kGuardName, folder.path());
    EXPECT_TRUE(lock.held());
    EXPECT_FALSE(lock.alreadyExisted());
    EXPECT_EQ(lock.path(), folder / "check-qx7a-load-already-running.lock");
}

TEST(InstanceLock, SecondHolderSeesItTakenUntilTheFirstReleases) {
    TempDirectory folder;
    InstanceLock first(kGuardName, folder.path());
    ASSERT_TRUE(first.held());
    InstanceLock second(kGuardName, folder.path());
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.alreadyExisted());
    first.release();
    InstanceLock third(kGuardName, folder.path());
    EXPECT_TRUE(third.held());
}

TEST(InstanceLock, AnotherProcessHoldsItUntilItExits) {
    TempDirectory folder;
    LockHoldingChild child(folder.path());
    ASSERT_TRUE(child.childHolds());
    EXPECT_TRUE(InstanceLock(kGuardName, folder.path()).alreadyExisted());
    child.letExit();
    InstanceLock after(kGuardName, folder.path());
    EXPECT_TRUE(after.held());
}

TEST(InstanceLock, AKilledHolderLeavesItFree) {
    TempDirectory folder;
    LockHoldingChild child(folder.path());
    ASSERT_TRUE(child.childHolds());
    EXPECT_TRUE(InstanceLock(kGuardName, folder.path()).alreadyExisted());
    child.kill();
    EXPECT_TRUE(InstanceLock(kGuardName, folder.path()).held());
}

TEST(InstanceLock, AnUncreatableLockCountsAsAlreadyRunning) {
    TempDirectory folder;
    InstanceLock lock(kGuardName, folder / "missing-folder");
    EXPECT_FALSE(lock.held());
    EXPECT_TRUE(lock.alreadyExisted());
    EXPECT_EQ(lock.error().code(), ENOENT);
}
