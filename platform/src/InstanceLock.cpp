#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/Paths.h"

namespace platform {
namespace {

constexpr mode_t kLockFileMode = 0600;

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

InstanceLock::InstanceLock(std::string_view name, const std::string& directory)
    : path_(joinPath(directory.empty() ? defaultDirectory() : directory, lockFileName(name))) {
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
    if (fd < 0) {
        errorCode_ = errno;
        alreadyExisted_ = true;
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        errorCode_ = errno;
        alreadyExisted_ = true;
        ::close(fd);
        return;
    }
    fd_ = fd;
}

InstanceLock::~InstanceLock() {
    release();
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      alreadyExisted_(other.alreadyExisted_),
      errorCode_(other.errorCode_),
      path_(std::move(other.path_)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        alreadyExisted_ = other.alreadyExisted_;
        errorCode_ = other.errorCode_;
        path_ = std::move(other.path_);
    }
    return *this;
}

void InstanceLock::release() {
    if (fd_ < 0)
        return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

std::string InstanceLock::lockFileName(std::string_view name) {
    std::string file;
    bool pendingDash = false;
    for (char c : name) {
        char folded = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (isNameCharacter(folded)) {
            if (pendingDash && !file.empty())
                file.push_back('-');
            pendingDash = false;
            file.push_back(folded);
        } else {
            pendingDash = true;
        }
    }
    if (file.empty())
        file = "instance";
    return file + ".lock";
}

std::string InstanceLock::defaultDirectory() {
    std::optional<std::string> runtime = environmentValue("XDG_RUNTIME_DIR");
    if (runtime && !runtime->empty() && fileKind(*runtime) == FileKind::Directory)
        return *runtime;
    return "/tmp";
}

}  // namespace platform
