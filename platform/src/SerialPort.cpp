#include "platform/SerialPort.h"

#include <asm/ioctls.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "FileDescriptor.h"

// The kernel's termios2, which carries a baud rate as a plain number. It is
// not in the C library's headers, and the kernel's own header clashes with
// <termios.h>, so the layout is declared here.
struct termios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};

namespace platform {
namespace {

#ifndef IBSHIFT
constexpr int IBSHIFT = 16;
#endif
#ifndef BOTHER
constexpr tcflag_t BOTHER = 0010000;
#endif

static_assert(sizeof(termios) <= 128, "saved line settings do not fit their storage");

struct StandardRate {
    std::uint32_t baud;
    speed_t code;
};

constexpr StandardRate kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool standardRateCode(std::uint32_t baud, speed_t& code) {
    for (const StandardRate& rate : kStandardRates) {
        if (rate.baud == baud) {
            code = rate.code;
            return true;
        }
    }
    return false;
}

// Calls that pseudo-terminals and some drivers do not implement.
bool isUnsupported(int error) {
    return error == ENOTTY || error == EINVAL || error == ENOTSUP || error == ENOSYS;
}

}  // namespace

SerialPort::~SerialPort() {
    close();
}

SerialPort::SerialPort(SerialPort&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      lastError_(other.lastError_.load()),
      savedValid_(std::exchange(other.savedValid_, false)),
      deviceName_(std::move(other.deviceName_)) {
    std::memcpy(saved_, other.saved_, sizeof(saved_));
}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        lastError_ = other.lastError_.load();
        savedValid_ = std::exchange(other.savedValid_, false);
        deviceName_ = std::move(other.deviceName_);
        std::memcpy(saved_, other.saved_, sizeof(saved_));
    }
    return *this;
}

bool SerialPort::fail() {
    lastError_ = errno;
    return false;
}

bool SerialPort::requireOpen() {
    if (fd_ >= 0) {
        return true;
    }
    lastError_ = EBADF;
    return false;
}

bool SerialPort::open(const std::string& deviceName) {
    close();
    FileDescriptor device(::open(deviceName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!device.valid()) {
        return fail();
    }
    if (!::isatty(device.get())) {
        lastError_ = ENOTTY;
        return false;
    }
    // Exclusive mode keeps other openers out (root excepted); the advisory
    // lock also tells another process that already holds the device.
    if (::flock(device.get(), LOCK_EX | LOCK_NB) != 0) {
        lastError_ = errno == EWOULDBLOCK ? EBUSY : errno;
        return false;
    }
    if (::ioctl(device.get(), TIOCEXCL) != 0 && !isUnsupported(errno)) {
        return fail();
    }
    auto* saved = reinterpret_cast<termios*>(saved_);
    if (::tcgetattr(device.get(), saved) != 0) {
        fail();
        ::ioctl(device.get(), TIOCNXCL);
        return false;
    }
    savedValid_ = true;
    fd_ = device.release();
    deviceName_ = deviceName;
    return true;
}

void SerialPort::close() {
    if (fd_ < 0) {
        return;
    }
    restoreSavedSettings();
    // A pseudo-terminal whose other side stays open would keep the exclusive
    // flag, and the next unprivileged open would fail.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also drops the advisory lock
    fd_ = -1;
    savedValid_ = false;
}

bool SerialPort::restoreSavedSettings() {
    if (fd_ < 0 || !savedValid_) {
        return false;
    }
    return ::tcsetattr(fd_, TCSANOW, reinterpret_cast<const termios*>(saved_)) == 0 || fail();
}

bool SerialPort::configure(const LineSettings& settings) {
    if (!requireOpen()) {
        return false;
    }
    termios line{};
    if (::tcgetattr(fd_, &line) != 0) {
        return fail();
    }
    ::cfmakeraw(&line);
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    line.c_iflag |= IGNBRK;
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    line.c_cflag |= CREAD | CLOCAL;
    switch (settings.dataBits) {
        case 5:
            line.c_cflag |= CS5;
            break;
        case 6:
            line.c_cflag |= CS6;
            break;
        case 7:
            line.c_cflag |= CS7;
            break;
        default:
            line.c_cflag |= CS8;
            break;
    }
    if (settings.parity != Parity::None) {
        line.c_cflag |= PARENB;
        if (settings.parity == Parity::Odd) {
            line.c_cflag |= PARODD;
        }
    }
    if (settings.stopBits == StopBits::Two) {
        line.c_cflag |= CSTOPB;
    }
    // Reads never block in the driver; waiting is done with poll.
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    speed_t code = B0;
    const bool standard = standardRateCode(settings.baudRate, code);
    if (standard && ::cfsetspeed(&line, code) != 0) {
        return fail();
    }
    if (::tcsetattr(fd_, TCSANOW, &line) != 0) {
        return fail();
    }
    return standard || applyCustomBaudRate(settings.baudRate);
}

bool SerialPort::setBaudRate(std::uint32_t baudRate) {
    if (!requireOpen()) {
        return false;
    }
    speed_t code = B0;
    if (!standardRateCode(baudRate, code)) {
        return applyCustomBaudRate(baudRate);
    }
    termios line{};
    if (::tcgetattr(fd_, &line) != 0 || ::cfsetspeed(&line, code) != 0 ||
        ::tcsetattr(fd_, TCSANOW, &line) != 0) {
        return fail();
    }
    return true;
}

bool SerialPort::applyCustomBaudRate(std::uint32_t baudRate) {
    if (baudRate == 0) {
        lastError_ = EINVAL;
        return false;
    }
    termios2 line{};
    if (::ioctl(fd_, TCGETS2, &line) != 0) {
        return fail();
    }
    line.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    line.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    line.c_ispeed = baudRate;
    line.c_ospeed = baudRate;
    return ::ioctl(fd_, TCSETS2, &line) == 0 || fail();
}

LineControl SerialPort::setModemLine(ModemLine line, bool raised) {
    if (!requireOpen()) {
        return LineControl::Failed;
    }
    int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    if (::ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &bits) == 0) {
        return LineControl::Done;
    }
    lastError_ = errno;
    return isUnsupported(errno) ? LineControl::Unsupported : LineControl::Failed;
}

bool SerialPort::flush(FlushDirection direction) {
    if (!requireOpen()) {
        return false;
    }
    const int queue = direction == FlushDirection::Input    ? TCIFLUSH
                      : direction == FlushDirection::Output ? TCOFLUSH
                                                            : TCIOFLUSH;
    return ::tcflush(fd_, queue) == 0 || fail();
}

bool SerialPort::drain() {
    if (!requireOpen()) {
        return false;
    }
    while (::tcdrain(fd_) != 0) {
        if (errno != EINTR) {
            return fail();
        }
    }
    return true;
}

namespace {

// One non-blocking read or write: the bytes moved, 0 when the line has
// nothing to give or no room to take, -1 on failure. A signal that interrupts
// the call is not a failure; the call is repeated.
template <typename Transfer>
std::ptrdiff_t transferWhatIsReady(Transfer transfer, std::atomic<int>& lastError) {
    for (;;) {
        const ssize_t count = transfer();
        if (count >= 0) {
            return count;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        if (errno != EINTR) {
            lastError = errno;
            return -1;
        }
    }
}

WaitResult waitFor(int fd, short events, int timeoutMs, std::atomic<int>& lastError) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready > 0) {
            if ((entry.revents & events) != 0) {
                return WaitResult::Ready;
            }
            if ((entry.revents & POLLNVAL) != 0) {
                lastError = EBADF;
                return WaitResult::Failed;
            }
            // Hang-up or error without data: the other side went away.
            lastError = EIO;
            return WaitResult::HungUp;
        }
        if (ready == 0) {
            return WaitResult::TimedOut;
        }
        if (errno != EINTR) {
            lastError = errno;
            return WaitResult::Failed;
        }
    }
}

}  // namespace

WaitResult SerialPort::waitReadable(int timeoutMs) {
    if (!requireOpen()) {
        return WaitResult::Failed;
    }
    return waitFor(fd_, POLLIN, timeoutMs, lastError_);
}

WaitResult SerialPort::waitWritable(int timeoutMs) {
    if (!requireOpen()) {
        return WaitResult::Failed;
    }
    return waitFor(fd_, POLLOUT, timeoutMs, lastError_);
}

std::ptrdiff_t SerialPort::read(std::span<std::uint8_t> buffer) {
    if (!requireOpen()) {
        return -1;
    }
    return transferWhatIsReady([&] { return ::read(fd_, buffer.data(), buffer.size()); }, lastError_);
}

std::ptrdiff_t SerialPort::write(std::span<const std::uint8_t> bytes) {
    if (!requireOpen()) {
        return -1;
    }
    return transferWhatIsReady([&] { return ::write(fd_, bytes.data(), bytes.size()); }, lastError_);
}

bool SerialPort::writeAll(std::span<const std::uint8_t> bytes, int timeoutMs) {
    while (!bytes.empty()) {
        const std::ptrdiff_t written = write(bytes);
        if (written < 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        if (bytes.empty()) {
            break;
        }
        const WaitResult room = waitWritable(timeoutMs);
        if (room == WaitResult::TimedOut) {
            lastError_ = ETIMEDOUT;
        }
        if (room != WaitResult::Ready) {
            return false;
        }
    }
    return true;
}

std::size_t SerialPort::inputQueued() const {
    int count = 0;
    return fd_ >= 0 && ::ioctl(fd_, FIONREAD, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::size_t SerialPort::outputQueued() const {
    int count = 0;
    return fd_ >= 0 && ::ioctl(fd_, TIOCOUTQ, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool SerialPort::errorCounters(LineErrorCounters& counters) {
    if (!requireOpen()) {
        return false;
    }
    serial_icounter_struct kernelCounters{};
    if (::ioctl(fd_, TIOCGICOUNT, &kernelCounters) != 0) {
        return fail();
    }
    counters.overrun = static_cast<std::uint32_t>(kernelCounters.overrun);
    counters.frame = static_cast<std::uint32_t>(kernelCounters.frame);
    counters.parity = static_cast<std::uint32_t>(kernelCounters.parity);
    counters.breaks = static_cast<std::uint32_t>(kernelCounters.brk);
    counters.bufferOverrun = static_cast<std::uint32_t>(kernelCounters.buf_overrun);
    return true;
}

bool SerialPort::driverInfo(SerialDriverInfo& info) {
    if (!requireOpen()) {
        return false;
    }
    serial_struct serial{};
    if (::ioctl(fd_, TIOCGSERIAL, &serial) != 0) {
        return fail();
    }
    info.isRs232 = serial.type != PORT_UNKNOWN;
    info.baudBase = static_cast<std::uint32_t>(serial.baud_base);
    info.transmitFifo = static_cast<std::uint32_t>(serial.xmit_fifo_size);
    return true;
}

bool SerialPort::requestLowLatency() {
    if (!requireOpen()) {
        return false;
    }
    serial_struct serial{};
    if (::ioctl(fd_, TIOCGSERIAL, &serial) != 0) {
        return fail();
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return true;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd_, TIOCSSERIAL, &serial) == 0 || fail();
}

}  // namespace platform
