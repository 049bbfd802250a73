#include "platform/testing/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {
namespace {

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Binds a new socket to 127.0.0.1 at a free port; -1 on failure.
int boundSocket(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

LoopbackConnection::~LoopbackConnection() {
    close();
}

LoopbackConnection::LoopbackConnection(LoopbackConnection&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

LoopbackConnection& LoopbackConnection::operator=(LoopbackConnection&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

std::ptrdiff_t LoopbackConnection::receive(std::span<std::uint8_t> buffer, int timeoutMs) {
    if (fd_ < 0) {
        return -1;
    }
    pollfd entry = {fd_, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        return 0;
    }
    if (ready < 0) {
        return -1;
    }
    ssize_t received = 0;
    do {
        received = ::recv(fd_, buffer.data(), buffer.size(), 0);
    } while (received < 0 && errno == EINTR);
    return received > 0 ? received : -1;
}

bool LoopbackConnection::sendAll(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty() && fd_ >= 0) {
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
    return bytes.empty();
}

void LoopbackConnection::close(bool reset) {
    if (fd_ < 0) {
        return;
    }
    if (reset) {
        // No lingering: the close sends a reset.
        const linger immediately = {1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &immediately, sizeof(immediately));
    }
    ::close(fd_);
    fd_ = -1;
}

LoopbackListener::~LoopbackListener() {
    close();
}

bool LoopbackListener::listen() {
    close();
    fd_ = boundSocket(port_);
    if (fd_ < 0) {
        return false;
    }
    if (::listen(fd_, 8) != 0) {
        close();
        return false;
    }
    return true;
}

LoopbackConnection LoopbackListener::accept(int timeoutMs) {
    if (fd_ < 0) {
        return LoopbackConnection();
    }
    pollfd entry = {fd_, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return LoopbackConnection();
    }
    return LoopbackConnection(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
}

void LoopbackListener::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::uint16_t unusedLoopbackPort() {
    std::uint16_t port = 0;
    const int fd = boundSocket(port);
    if (fd < 0) {
        return 0;
    }
    ::close(fd);
    return port;
}

}  // namespace platform
