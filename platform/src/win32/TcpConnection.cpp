// Winsock first, in this order: winsock2.h before windows.h (which the
// other headers bring), mstcpip.h after both.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
// clang-format on

#include "TcpConnection.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <utility>

#include "WideText.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// A wait for room to send is looked at in slices of this length, so that a
// cancel ends it soon; the wait for input is ended by an event at once.
constexpr int kWritableSliceMs = 10;

// Winsock is started once per process and stopped when the module unloads.
struct WinsockSession {
    bool ready = false;
    WinsockSession() {
        WSADATA data{};
        ready = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (ready) {
            ::WSACleanup();
        }
    }
};

bool winsockReady() {
    static WinsockSession session;
    return session.ready;
}

SystemError lastSocketError() {
    return SystemError::fromCode(::WSAGetLastError());
}

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// select() on one socket for reading or writing, at most timeoutMs: 1 ready,
// 0 not, -1 failed; an error on the socket counts as ready (the transfer then
// reports it).
int selectOne(SOCKET handle, bool forWriting, int timeoutMs) {
    fd_set wanted;
    fd_set failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(handle, &wanted);
    FD_SET(handle, &failed);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int ready =
        ::select(0, forWriting ? nullptr : &wanted, forWriting ? &wanted : nullptr, &failed, &limit);
    return ready == SOCKET_ERROR ? -1 : (ready > 0 ? 1 : 0);
}

struct AddressListDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

}  // namespace

struct TcpConnection::Socket {
    SOCKET handle = INVALID_SOCKET;
    // Signalled by the system when input or the server's close arrives.
    WSAEVENT networkEvent = WSA_INVALID_EVENT;
    // Signalled by cancelWaits(); reset at the next connect.
    UniqueHandle cancelEvent{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> cancelled{false};
};

TcpConnection::TcpConnection() : socket_(std::make_unique<Socket>()) {}

TcpConnection::~TcpConnection() {
    close();
}

bool TcpConnection::isOpen() const {
    return socket_->handle != INVALID_SOCKET;
}

Result<void> TcpConnection::connect(const std::string& host, std::uint16_t port, int timeoutMs) {
    close();
    if (!winsockReady()) {
        return lastSocketError();
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    int lookup = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (lookup == EAI_NONAME) {
        // Not an address: a name for the system's resolver.
        hints.ai_flags = AI_NUMERICSERV;
        lookup = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    }
    if (lookup != 0) {
        return SystemError(WSAHOST_NOT_FOUND, "host " + host + " not found");
    }
    const std::unique_ptr<addrinfo, AddressListDeleter> addresses(found);

    SystemError failure = SystemError::fromCode(WSAETIMEDOUT);
    for (const addrinfo* address = addresses.get(); address != nullptr; address = address->ai_next) {
        SOCKET candidate = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (candidate == INVALID_SOCKET) {
            failure = lastSocketError();
            continue;
        }
        u_long nonBlocking = 1;
        ::ioctlsocket(candidate, FIONBIO, &nonBlocking);
        bool connected = ::connect(candidate, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0;
        if (!connected && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            fd_set writable;
            fd_set failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(candidate, &writable);
            FD_SET(candidate, &failed);
            const int left = millisecondsLeft(deadline);
            timeval limit{left / 1000, (left % 1000) * 1000};
            const int ready = ::select(0, nullptr, &writable, &failed, &limit);
            if (ready > 0 && FD_ISSET(candidate, &writable) && !FD_ISSET(candidate, &failed)) {
                connected = true;
            } else if (ready > 0) {
                int error = 0;
                int length = sizeof(error);
                ::getsockopt(candidate, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
                failure = SystemError::fromCode(error != 0 ? error : WSAECONNREFUSED);
            } else {
                failure = SystemError::fromCode(ready == 0 ? WSAETIMEDOUT : ::WSAGetLastError());
            }
        } else if (!connected) {
            failure = lastSocketError();
        }
        if (!connected) {
            ::closesocket(candidate);
            continue;
        }
        WSAEVENT event = ::WSACreateEvent();
        if (event == WSA_INVALID_EVENT || ::WSAEventSelect(candidate, event, FD_READ | FD_CLOSE) != 0) {
            failure = lastSocketError();
            if (event != WSA_INVALID_EVENT) {
                ::WSACloseEvent(event);
            }
            ::closesocket(candidate);
            return failure;
        }
        socket_->handle = candidate;
        socket_->networkEvent = event;
        socket_->cancelled = false;
        ::ResetEvent(socket_->cancelEvent.get());
        return {};
    }
    return failure;
}

void TcpConnection::close() {
    Socket& socket = *socket_;
    if (socket.handle != INVALID_SOCKET) {
        ::closesocket(socket.handle);
        ::WSACloseEvent(socket.networkEvent);
        socket.handle = INVALID_SOCKET;
        socket.networkEvent = WSA_INVALID_EVENT;
    }
}

bool TcpConnection::tuneForSmallExchanges() {
    const SOCKET handle = socket_->handle;
    const BOOL on = TRUE;
    ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
    // Acknowledge every segment at once (Windows 10 1703 and later).
    DWORD frequency = 1;
    DWORD returned = 0;
    return ::WSAIoctl(handle, SIO_TCP_SET_ACK_FREQUENCY, &frequency, sizeof(frequency), nullptr, 0, &returned,
                      nullptr, nullptr) == 0;
}

Result<TcpConnection::Received> TcpConnection::receive(std::span<std::uint8_t> buffer) {
    const SOCKET handle = socket_->handle;
    if (handle == INVALID_SOCKET) {
        return SystemError::fromCode(WSAENOTSOCK);
    }
    if (buffer.empty()) {
        return Received{};
    }
    const int received =
        ::recv(handle, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
    if (received > 0) {
        return Received{static_cast<std::size_t>(received), false};
    }
    if (received == 0) {
        return Received{0, true};
    }
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
        return Received{};
    }
    return SystemError::fromCode(error);
}

Result<void> TcpConnection::sendAll(std::span<const std::uint8_t> bytes, int timeoutMs) {
    const SOCKET handle = socket_->handle;
    if (handle == INVALID_SOCKET) {
        return SystemError::fromCode(WSAENOTSOCK);
    }
    while (!bytes.empty()) {
        const int sent =
            ::send(handle, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
        if (sent > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent == SOCKET_ERROR && ::WSAGetLastError() != WSAEWOULDBLOCK) {
            return lastSocketError();
        }
        const Result<WaitResult> room = waitWritable(timeoutMs);
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
    return 0;
}

Result<WaitResult> TcpConnection::waitReadable(int timeoutMs) {
    Socket& socket = *socket_;
    if (socket.handle == INVALID_SOCKET) {
        return SystemError::fromCode(WSAENOTSOCK);
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (socket.cancelled.load()) {
            return WaitResult::Cancelled;
        }
        // The event is reset before the socket is looked at, so input that
        // arrives in between still ends the wait below.
        ::WSAResetEvent(socket.networkEvent);
        const int ready = selectOne(socket.handle, false, 0);
        if (ready < 0) {
            return lastSocketError();
        }
        if (ready > 0) {
            return WaitResult::Ready;
        }
        const int left = millisecondsLeft(deadline);
        if (left == 0) {
            return WaitResult::TimedOut;
        }
        const HANDLE events[2] = {socket.cancelEvent.get(), socket.networkEvent};
        const DWORD woken = ::WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(left));
        if (woken == WAIT_OBJECT_0) {
            return WaitResult::Cancelled;
        }
        if (woken == WAIT_TIMEOUT) {
            return WaitResult::TimedOut;
        }
        if (woken != WAIT_OBJECT_0 + 1) {
            return SystemError::last();
        }
    }
}

Result<WaitResult> TcpConnection::waitWritable(int timeoutMs) {
    Socket& socket = *socket_;
    if (socket.handle == INVALID_SOCKET) {
        return SystemError::fromCode(WSAENOTSOCK);
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (socket.cancelled.load()) {
            return WaitResult::Cancelled;
        }
        const int left = millisecondsLeft(deadline);
        const int ready = selectOne(socket.handle, true, std::min(left, kWritableSliceMs));
        if (ready < 0) {
            return lastSocketError();
        }
        if (ready > 0) {
            return WaitResult::Ready;
        }
        if (left == 0) {
            return WaitResult::TimedOut;
        }
    }
}

void TcpConnection::cancelWaits() {
    socket_->cancelled = true;
    ::SetEvent(socket_->cancelEvent.get());
}

std::string TcpConnection::reasonOf(const SystemError& error) {
    switch (error.code()) {
        case WSAECONNREFUSED:
            return "connection refused";
        case WSAECONNRESET:
        case WSAECONNABORTED:
            return "connection reset";
        case WSAETIMEDOUT:
            return "no answer from the server (timed out)";
        default:
            return error.text();
    }
}

SystemError TcpConnection::unsupported() {
    return SystemError::fromCode(ERROR_NOT_SUPPORTED);
}

SystemError TcpConnection::badName(std::string text) {
    return SystemError(ERROR_INVALID_NAME, std::move(text));
}

SystemError TcpConnection::protocolError(std::string text) {
    return SystemError(WSAEPROTONOSUPPORT, std::move(text));
}

SystemError TcpConnection::closed(std::string text) {
    return SystemError(WSAENOTCONN, std::move(text));
}

SystemError TcpConnection::noRoom(WaitResult ended) {
    return SystemError::fromCode(ended == WaitResult::TimedOut ? WSAETIMEDOUT
                                 : ended == WaitResult::HungUp ? WSAECONNRESET
                                                               : WSAEINTR);
}

}  // namespace platform
