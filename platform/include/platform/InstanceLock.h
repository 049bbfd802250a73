#pragma once

#include <string>
#include <string_view>

namespace platform {

// A named lock that tells whether another process holds it already: an
// exclusive flock on a lock file in $XDG_RUNTIME_DIR (else /tmp) whose file
// name is derived from the lock's name. The system drops the lock when the
// holder closes it or dies, so a crashed program never blocks the next start.
class InstanceLock {
  public:
    InstanceLock() = default;
    // Tries to take the lock; never waits. The lock directory is for tests;
    // empty means the system's default.
    explicit InstanceLock(std::string_view name, const std::string& directory = {});
    ~InstanceLock();
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this object holds the lock.
    bool held() const { return fd_ >= 0; }
    // True when the lock existed already (another holder) or could not be
    // created at all; the program then counts as already running.
    bool alreadyExisted() const { return alreadyExisted_; }
    int errorCode() const { return errorCode_; }
    const std::string& path() const { return path_; }

    // Lets go of the lock (the file stays, so that a waiting start never
    // races with its removal).
    void release();

    // "Check [QX7A LOAD] already running." -> "check-qx7a-load-already-running.lock"
    static std::string lockFileName(std::string_view name);
    static std::string defaultDirectory();

  private:
    int fd_ = -1;
    bool alreadyExisted_ = false;
    int errorCode_ = 0;
    std::string path_;
};

}  // namespace platform
