#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/Paths.h"

namespace platform {
namespace {

constexpr mode_t kLockFileMode = 0600;

}  // namespace

struct InstanceLock::Held {
    explicit Held(int lockFile) : fd(lockFile) {}
    ~Held() {
        ::flock(fd, LOCK_UN);
        ::close(fd);
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    int fd;
};

void InstanceLock::HeldCloser::operator()(Held* held) const {
    std::unique_ptr<Held> owned(held);
}

Result<InstanceLock> InstanceLock::acquire(std::string_view name, const std::string& directory) {
    InstanceLock lock;
    lock.path_ = joinPath(directory.empty() ? defaultDirectory() : directory, lockFileName(name));
    const int fd = ::open(lock.path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
    if (fd < 0) {
        return SystemError::last();
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const SystemError error = SystemError::last();
        ::close(fd);
        return error;
    }
    lock.held_.reset(std::make_unique<Held>(fd).release());
    return lock;
}

std::string InstanceLock::defaultDirectory() {
    std::optional<std::string> runtime = environmentValue("XDG_RUNTIME_DIR");
    if (runtime && !runtime->empty() && fileKind(*runtime) == FileKind::Directory)
        return *runtime;
    return "/tmp";
}

}  // namespace platform
