#include "platform/testing/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace platform {
namespace {

// The system's error of the step that failed, its text led by the step's name.
SystemError failure(const char* what) {
    const int code = errno;
    return SystemError(code, std::string(what) + ": " + std::strerror(code));
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
    close();
}

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : masterFd_(std::exchange(other.masterFd_, -1)),
      slaveFd_(std::exchange(other.slaveFd_, -1)),
      slavePath_(std::move(other.slavePath_)),
      linkPath_(std::move(other.linkPath_)) {}

PseudoTerminal& PseudoTerminal::operator=(PseudoTerminal&& other) noexcept {
    if (this != &other) {
        close();
        masterFd_ = std::exchange(other.masterFd_, -1);
        slaveFd_ = std::exchange(other.slaveFd_, -1);
        slavePath_ = std::move(other.slavePath_);
        linkPath_ = std::move(other.linkPath_);
    }
    return *this;
}

Result<void> PseudoTerminal::open() {
    close();
    // A failed step closes what the earlier ones opened.
    auto fail = [this](const char* what) {
        SystemError error = failure(what);
        close();
        return error;
    };
    masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (masterFd_ < 0) {
        return failure("posix_openpt");
    }
    if (::grantpt(masterFd_) != 0 || ::unlockpt(masterFd_) != 0) {
        return fail("grantpt/unlockpt");
    }
    char name[128] = {};
    if (::ptsname_r(masterFd_, name, sizeof name) != 0) {
        return fail("ptsname");
    }
    slavePath_ = name;
    slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveFd_ < 0) {
        return fail("open slave");
    }
    termios settings{};
    if (::tcgetattr(slaveFd_, &settings) != 0) {
        return fail("tcgetattr");
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (::tcsetattr(slaveFd_, TCSANOW, &settings) != 0) {
        return fail("tcsetattr");
    }
    const int flags = ::fcntl(masterFd_, F_GETFL);
    if (flags < 0 || ::fcntl(masterFd_, F_SETFL, flags | O_NONBLOCK) != 0) {
        return fail("fcntl");
    }
    return {};
}

void PseudoTerminal::close() {
    if (!linkPath_.empty()) {
        ::unlink(linkPath_.c_str());
        linkPath_.clear();
    }
    if (slaveFd_ >= 0) {
        ::close(slaveFd_);
        slaveFd_ = -1;
    }
    if (masterFd_ >= 0) {
        ::close(masterFd_);
        masterFd_ = -1;
    }
    slavePath_.clear();
}

Result<void> PseudoTerminal::createLink(const std::string& linkPath) {
    if (!isOpen()) {
        return SystemError(EBADF, "not open");
    }
    ::unlink(linkPath.c_str());
    if (::symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
        return failure("symlink");
    }
    linkPath_ = linkPath;
    return {};
}

Result<std::size_t> PseudoTerminal::readSome(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) {
    constexpr std::size_t kNothing = 0;
    pollfd waitFor{masterFd_, POLLIN, 0};
    const int ready = ::poll(&waitFor, 1, timeoutMs);
    if (ready < 0) {
        if (errno == EINTR) {
            return kNothing;
        }
        return failure("poll");
    }
    if (ready == 0) {
        return kNothing;
    }
    const ssize_t count = ::read(masterFd_, buffer, capacity);
    if (count < 0) {
        // EIO is what a master reads while no client holds the slave; the
        // slave kept open here prevents it, so treat it like no data.
        if (errno == EAGAIN || errno == EINTR || errno == EIO) {
            return kNothing;
        }
        return failure("read");
    }
    return static_cast<std::size_t>(count);
}

Result<void> PseudoTerminal::writeAll(const std::uint8_t* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t written = ::write(masterFd_, bytes + done, count - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            return failure("write");
        }
        if (written < 0 && errno == EAGAIN) {
            // The slave's input queue is full: nobody reads it at the moment.
            // Drop what is queued there, as a line with no listener loses bytes.
            pollfd waitFor{masterFd_, POLLOUT, 0};
            if (::poll(&waitFor, 1, 50) == 0 && slaveFd_ >= 0) {
                ::tcflush(slaveFd_, TCIFLUSH);
            }
        }
    }
    return {};
}

int PseudoTerminal::bitsPerByte() const {
    termios settings{};
    if (slaveFd_ < 0 || ::tcgetattr(slaveFd_, &settings) != 0) {
        return 10;
    }
    int dataBits = 8;
    switch (settings.c_cflag & CSIZE) {
        case CS5:
            dataBits = 5;
            break;
        case CS6:
            dataBits = 6;
            break;
        case CS7:
            dataBits = 7;
            break;
        default:
            break;
    }
    const int parityBits = (settings.c_cflag & PARENB) ? 1 : 0;
    const int stopBits = (settings.c_cflag & CSTOPB) ? 2 : 1;
    return 1 + dataBits + parityBits + stopBits;
}

void PseudoTerminal::discardInput() {
    if (masterFd_ >= 0) {
        ::tcflush(masterFd_, TCIFLUSH);
    }
}

}  // namespace platform
