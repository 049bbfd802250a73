#include "TcpConnection.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

#include "CancellablePoll.h"
#include "FileDescriptor.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

struct AddressListDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

// Connects one candidate address within the time left; the socket on success.
Result<int> connectTo(const addrinfo& address, Clock::time_point deadline) {
    FileDescriptor candidate(
        ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol));
    if (!candidate.valid()) {
        return SystemError::last();
    }
    if (::connect(candidate.get(), address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            return SystemError::last();
        }
        pollfd entry = {candidate.get(), POLLOUT, 0};
        int ready = 0;
        do {
            ready = ::poll(&entry, 1, millisecondsLeft(deadline));
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0) {
            return SystemError::fromCode(ready == 0 ? ETIMEDOUT : errno);
        }
        int error = 0;
        socklen_t length = sizeof(error);
        if (::getsockopt(candidate.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            return SystemError::last();
        }
        if (error != 0) {
            return SystemError::fromCode(error);
        }
    }
    return candidate.release();
}

}  // namespace

struct TcpConnection::Socket {
    int fd = -1;
    // Readable once cancelWaits() ran: every wait watches it too.
    int cancelFd = -1;

    Result<WaitResult> wait(short events, int timeoutMs) const {
        if (fd < 0) {
            return SystemError::fromCode(EBADF);
        }
        short shown = 0;
        const Result<WaitResult> waited = pollWithCancel(fd, cancelFd, events, timeoutMs, shown);
        if (waited == WaitResult::HungUp && (shown & (POLLHUP | POLLRDHUP)) == 0) {
            // Not the server's close: the socket's own error.
            int error = 0;
            socklen_t length = sizeof(error);
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            return SystemError::fromCode(error != 0 ? error : EIO);
        }
        return waited;
    }
};

TcpConnection::TcpConnection() : socket_(std::make_unique<Socket>()) {}

TcpConnection::~TcpConnection() {
    close();
}

bool TcpConnection::isOpen() const {
    return socket_->fd >= 0;
}

Result<void> TcpConnection::connect(const std::string& host, std::uint16_t port, int timeoutMs) {
    close();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    int lookup = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (lookup == EAI_NONAME) {
        // Not an address: a name for the system's resolver.
        hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
        lookup = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    }
    if (lookup != 0) {
        return SystemError(EHOSTUNREACH, "host " + host + " not found");
    }
    const std::unique_ptr<addrinfo, AddressListDeleter> addresses(found);

    SystemError failure = SystemError::fromCode(ETIMEDOUT);
    for (const addrinfo* address = addresses.get(); address != nullptr; address = address->ai_next) {
        Result<int> connected = connectTo(*address, deadline);
        if (!connected) {
            failure = connected.error();
            continue;
        }
        FileDescriptor line(*connected);
        FileDescriptor cancel(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (!cancel.valid()) {
            return SystemError::last();
        }
        socket_->fd = line.release();
        socket_->cancelFd = cancel.release();
        return {};
    }
    return failure;
}

void TcpConnection::close() {
    Socket& socket = *socket_;
    if (socket.fd >= 0) {
        ::close(socket.fd);
        ::close(socket.cancelFd);
        socket.fd = -1;
        socket.cancelFd = -1;
    }
}

bool TcpConnection::tuneForSmallExchanges() {
    const int on = 1;
    ::setsockopt(socket_->fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    return ::setsockopt(socket_->fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof(on)) == 0;
}

Result<TcpConnection::Received> TcpConnection::receive(std::span<std::uint8_t> buffer) {
    const int fd = socket_->fd;
    if (fd < 0) {
        return SystemError::fromCode(EBADF);
    }
    if (buffer.empty()) {
        return Received{};
    }
    for (;;) {
        const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (received > 0) {
            // The kernel leaves quick-acknowledgement mode on its own; every
            // read puts it back, so the next answer is acknowledged at once.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof(on));
            return Received{static_cast<std::size_t>(received), false};
        }
        if (received == 0) {
            return Received{0, true};
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return Received{};
        }
        if (errno != EINTR) {
            return SystemError::last();
        }
    }
}

Result<void> TcpConnection::sendAll(std::span<const std::uint8_t> bytes, int timeoutMs) {
    const int fd = socket_->fd;
    if (fd < 0) {
        return SystemError::fromCode(EBADF);
    }
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return SystemError::last();
        }
        const Result<WaitResult> room = socket_->wait(POLLOUT, timeoutMs);
        if (!room) {
            return room.error();
        }
        if (*room != WaitResult::Ready) {
            return noRoom(*room);
        }
    }
    return {};
}

std::size_t TcpConnection::unacknowledgedBytes() const {
    int count = 0;
    const int fd = socket_->fd;
    return fd >= 0 && ::ioctl(fd, TIOCOUTQ, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

Result<WaitResult> TcpConnection::waitReadable(int timeoutMs) {
    return socket_->wait(POLLIN | POLLRDHUP, timeoutMs);
}

Result<WaitResult> TcpConnection::waitWritable(int timeoutMs) {
    return socket_->wait(POLLOUT, timeoutMs);
}

void TcpConnection::cancelWaits() {
    if (socket_->cancelFd < 0) {
        return;
    }
    // Never read back: the descriptor stays readable and every later wait ends too.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(socket_->cancelFd, &one, sizeof(one));
}

std::string TcpConnection::reasonOf(const SystemError& error) {
    switch (error.code()) {
        case ECONNREFUSED:
            return "connection refused";
        case ECONNRESET:
        case EPIPE:
            return "connection reset";
        case ETIMEDOUT:
            return "no answer from the server (timed out)";
        default:
            return error.text();
    }
}

SystemError TcpConnection::unsupported() {
    return SystemError::fromCode(ENOTSUP);
}

SystemError TcpConnection::badName(std::string text) {
    return SystemError(EINVAL, std::move(text));
}

SystemError TcpConnection::protocolError(std::string text) {
    return SystemError(EPROTO, std::move(text));
}

SystemError TcpConnection::closed(std::string text) {
    return SystemError(ENOTCONN, std::move(text));
}

SystemError TcpConnection::noRoom(WaitResult ended) {
    return SystemError::fromCode(ended == WaitResult::TimedOut ? ETIMEDOUT
                                 : ended == WaitResult::HungUp ? EPIPE
                                                               : ECANCELED);
}

}  // namespace platform
