#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/Result.h"

namespace platform {

// A named lock that tells whether another process holds it already. On POSIX
// an exclusive flock on a lock file in $XDG_RUNTIME_DIR (else /tmp) whose
// file name is derived from the lock's name; on Windows a named mutex. The
// system drops the lock when the holder closes it or dies, so a crashed
// program never blocks the next start.
class InstanceLock {
  public:
    // Holds nothing.
    InstanceLock();
    // Tries to take the lock; never waits. Fails when another holder has it
    // or it cannot be created at all; the program then counts as already
    // running. The lock directory is for tests (on Windows it becomes part
    // of the mutex name); empty means the system's default.
    static Result<InstanceLock> acquire(std::string_view name, const std::string& directory = {});
    ~InstanceLock();
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this object holds the lock.
    bool held() const { return held_ != nullptr; }
    // The lock file (POSIX) or the mutex name (Windows).
    const std::string& path() const { return path_; }

    // Lets go of the lock (the file stays, so that a waiting start never
    // races with its removal).
    void release();

    // "Check [QX7A LOAD] already running." -> "check-qx7a-load-already-running.lock"
    static std::string lockFileName(std::string_view name);
    static std::string defaultDirectory();

  private:
    // The system object that holds the lock while it is held.
    struct Held;
    struct HeldCloser {
        void operator()(Held* held) const;
    };

    std::unique_ptr<Held, HeldCloser> held_;
    std::string path_;
};

}  // namespace platform
