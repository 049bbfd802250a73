#include "platform/OutputFile.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "FileDescriptor.h"

namespace platform {

struct OutputFile::Handle {
    explicit Handle(int opened) : fd(opened) {}
    FileDescriptor fd;
};

void OutputFile::HandleCloser::operator()(Handle* handle) const {
    std::unique_ptr<Handle> owned(handle);
}

Result<void> OutputFile::create(const std::string& path) {
    close();
    // Non-blocking: a full pipe makes a write return at once instead of
    // holding its thread in the system, and opening a FIFO nobody reads fails
    // (ENXIO) instead of waiting for a reader that may never come. Regular
    // files are not affected.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        return SystemError::last();
    }
    handle_.reset(std::make_unique<Handle>(fd).release());
    return {};
}

Result<OutputFile::WriteOutcome> OutputFile::write(std::string_view bytes, const std::atomic<bool>& giveUp) {
    if (!handle_) {
        return SystemError::fromCode(EBADF);
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(handle_->fd.get(), bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return SystemError::last();
        }
        // The pipe is full: wait a slice for its reader, then try again.
        if (giveUp.load()) {
            return WriteOutcome::GivenUp;
        }
        pollfd entry{handle_->fd.get(), POLLOUT, 0};
        ::poll(&entry, 1, kWaitSliceMs);
    }
    return WriteOutcome::Written;
}

}  // namespace platform
