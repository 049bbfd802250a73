#include "platform/InstanceLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

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
            const platform::Result<InstanceLock> lock = InstanceLock::acquire(kGuardName, directory);
            char held = lock && lock->held() ? 'y' : 'n';
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
    const platform::Result<InstanceLock> lock = InstanceLock::acquire(kGuardName, folder.path());
    ASSERT_TRUE(lock) << lock.error().text();
    EXPECT_TRUE(lock->held());
    EXPECT_EQ(lock->path(), folder / "check-qx7a-load-already-running.lock");
}

TEST(InstanceLock, SecondHolderSeesItTakenUntilTheFirstReleases) {
    TempDirectory folder;
    platform::Result<InstanceLock> first = InstanceLock::acquire(kGuardName, folder.path());
    ASSERT_TRUE(first && first->held());
    const platform::Result<InstanceLock> second = InstanceLock::acquire(kGuardName, folder.path());
    EXPECT_FALSE(second);
    EXPECT_EQ(second.error().code(), EWOULDBLOCK);
    first->release();
    platform::Result<InstanceLock> third = InstanceLock::acquire(kGuardName, folder.path());
    ASSERT_TRUE(third && third->held());

    // A lock handed to another owner stays taken until that owner lets go.
    InstanceLock owner = std::move(*third);
    EXPECT_TRUE(owner.held());
    EXPECT_FALSE(InstanceLock::acquire(kGuardName, folder.path()));
    owner = InstanceLock();
    EXPECT_TRUE(InstanceLock::acquire(kGuardName, folder.path()));
}

TEST(InstanceLock, AnotherProcessHoldsItUntilItExits) {
    TempDirectory folder;
    LockHoldingChild child(folder.path());
    ASSERT_TRUE(child.childHolds());
    EXPECT_FALSE(InstanceLock::acquire(kGuardName, folder.path()));
    child.letExit();
    EXPECT_TRUE(InstanceLock::acquire(kGuardName, folder.path()));
}

TEST(InstanceLock, AKilledHolderLeavesItFree) {
    TempDirectory folder;
    LockHoldingChild child(folder.path());
    ASSERT_TRUE(child.childHolds());
    EXPECT_FALSE(InstanceLock::acquire(kGuardName, folder.path()));
    child.kill();
    EXPECT_TRUE(InstanceLock::acquire(kGuardName, folder.path()));
}

TEST(InstanceLock, AnUncreatableLockCountsAsAlreadyRunning) {
    TempDirectory folder;
    const platform::Result<InstanceLock> lock = InstanceLock::acquire(kGuardName, folder / "missing-folder");
    ASSERT_FALSE(lock);
    EXPECT_EQ(lock.error().code(), ENOENT);
}
