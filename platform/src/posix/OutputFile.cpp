#include "platform/OutputFile.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "FileDescriptor.h"

namespace platform {

struct OutputFile::Handle {
    explicit Handle(int opened) : fd(opened) {}
    FileDescriptor fd;
};

namespace {

// A reader that closes its end of the pipe makes the next write raise
// SIGPIPE, whose default action ends the whole program: a library writing its
// log must not end the program that loaded it. While one write runs, the
// signal is held back for the writing thread alone; one that the write raised
// is taken off again, so the write just fails with EPIPE.
class SigpipeHold {
  public:
    SigpipeHold() {
        sigemptyset(&pipeOnly_);
        sigaddset(&pipeOnly_, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        alreadyPending_ = ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        held_ = ::pthread_sigmask(SIG_BLOCK, &pipeOnly_, &previous_) == 0;
    }
    ~SigpipeHold() {
        if (held_) {
            ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
        }
    }
    SigpipeHold(const SigpipeHold&) = delete;
    SigpipeHold& operator=(const SigpipeHold&) = delete;

    // After a write failed with EPIPE: the signal it raised waits for this
    // thread; take it before the old mask lets it through.
    void discardRaised() {
        if (!held_ || alreadyPending_) {
            return;
        }
        const timespec noWait{0, 0};
        while (::sigtimedwait(&pipeOnly_, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }

  private:
    sigset_t pipeOnly_{};
    sigset_t previous_{};
    bool alreadyPending_ = false;
    bool held_ = false;
};

}  // namespace

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
    SigpipeHold sigpipe;
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
            const SystemError failure = SystemError::last();
            if (failure.code() == EPIPE) {
                sigpipe.discardRaised();
            }
            return failure;
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
