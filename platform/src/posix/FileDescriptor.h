#pragma once

#include <unistd.h>

#include <utility>

namespace platform {

// Owns an open file descriptor and closes it, unless it was handed on.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor to a new owner; this object no longer closes it.
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

}  // namespace platform
