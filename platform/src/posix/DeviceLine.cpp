#include "DeviceLine.h"

#include <asm/ioctls.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "CancellablePoll.h"
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

}  // namespace

SystemError notOpenError() {
    return SystemError::fromCode(EBADF);
}

struct DeviceLine::Device {
    int fd = -1;
    // Readable once cancelWaits() ran: every poll of the port watches it too.
    int cancelFd = -1;
    bool savedValid = false;
    termios saved{};
    std::string deviceName;
    // Set by a completed drain, cleared by the next write (another thread).
    std::atomic<bool> outputDrained{false};

    Result<WaitResult> wait(short events, int timeoutMs);

    // A rate without a B-constant goes through the kernel's termios2.
    Result<void> applyCustomBaudRate(std::uint32_t baudRate) {
        if (baudRate == 0) {
            return SystemError::fromCode(EINVAL);
        }
        termios2 line{};
        if (::ioctl(fd, TCGETS2, &line) != 0) {
            return SystemError::last();
        }
        line.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
        line.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
        line.c_ispeed = baudRate;
        line.c_ospeed = baudRate;
        if (::ioctl(fd, TCSETS2, &line) != 0) {
            return SystemError::last();
        }
        return {};
    }
};

DeviceLine::DeviceLine() : device_(std::make_unique<Device>()) {}

DeviceLine::~DeviceLine() {
    close();
}

bool DeviceLine::isOpen() const {
    return device_->fd >= 0;
}

Result<void> DeviceLine::open(const std::string& deviceName) {
    close();
    Device& device = *device_;
    FileDescriptor line(::open(deviceName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!line.valid()) {
        return SystemError::last();
    }
    if (!::isatty(line.get())) {
        return SystemError::fromCode(ENOTTY);
    }
    // Exclusive mode keeps other openers out (root excepted); the advisory
    // lock also tells another process that already holds the device.
    if (::flock(line.get(), LOCK_EX | LOCK_NB) != 0) {
        return SystemError::fromCode(errno == EWOULDBLOCK ? EBUSY : errno);
    }
    // Pseudo-terminals and some drivers do not implement exclusive mode.
    if (::ioctl(line.get(), TIOCEXCL) != 0 && !SystemError::last().notSupportedByDevice()) {
        return SystemError::last();
    }
    if (::tcgetattr(line.get(), &device.saved) != 0) {
        const SystemError error = SystemError::last();
        ::ioctl(line.get(), TIOCNXCL);
        return error;
    }
    FileDescriptor cancel(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!cancel.valid()) {
        const SystemError error = SystemError::last();
        ::ioctl(line.get(), TIOCNXCL);
        return error;
    }
    device.savedValid = true;
    device.fd = line.release();
    device.cancelFd = cancel.release();
    device.deviceName = deviceName;
    device.outputDrained = false;
    return {};
}

void DeviceLine::close() {
    Device& device = *device_;
    if (device.fd < 0) {
        return;
    }
    restoreSavedSettings();
    // A pseudo-terminal whose other side stays open would keep the exclusive
    // flag, and the next unprivileged open would fail.
    ::ioctl(device.fd, TIOCNXCL);
    ::close(device.fd);  // also drops the advisory lock
    ::close(device.cancelFd);
    device.fd = -1;
    device.cancelFd = -1;
    device.savedValid = false;
}

Result<void> DeviceLine::restoreSavedSettings() {
    Device& device = *device_;
    if (device.fd < 0 || !device.savedValid) {
        return notOpenError();
    }
    if (::tcsetattr(device.fd, TCSANOW, &device.saved) != 0) {
        return SystemError::last();
    }
    return {};
}

Result<void> DeviceLine::setDriverQueues(std::uint32_t, std::uint32_t) {
    // The tty layer sizes its buffers itself.
    if (device_->fd < 0) {
        return notOpenError();
    }
    return {};
}

Result<void> DeviceLine::configure(const LineSettings& settings) {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    termios line{};
    if (::tcgetattr(device.fd, &line) != 0) {
        return SystemError::last();
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
        return SystemError::last();
    }
    if (::tcsetattr(device.fd, TCSANOW, &line) != 0) {
        return SystemError::last();
    }
    if (!standard) {
        return device.applyCustomBaudRate(settings.baudRate);
    }
    return {};
}

Result<void> DeviceLine::setBaudRate(std::uint32_t baudRate) {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    speed_t code = B0;
    if (!standardRateCode(baudRate, code)) {
        return device.applyCustomBaudRate(baudRate);
    }
    termios line{};
    if (::tcgetattr(device.fd, &line) != 0 || ::cfsetspeed(&line, code) != 0 ||
        ::tcsetattr(device.fd, TCSANOW, &line) != 0) {
        return SystemError::last();
    }
    return {};
}

Result<LineControl> DeviceLine::setModemLine(ModemLine line, bool raised) {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    if (::ioctl(device.fd, raised ? TIOCMBIS : TIOCMBIC, &bits) == 0) {
        return LineControl::Done;
    }
    SystemError error = SystemError::last();
    if (error.notSupportedByDevice()) {
        return LineControl::Unsupported;
    }
    return error;
}

Result<void> DeviceLine::flush(FlushDirection direction) {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    const bool input = direction != FlushDirection::Output;
    const bool output = direction != FlushDirection::Input && !device.outputDrained.load();
    if (!input && !output) {
        return {};
    }
    const int queue = !output ? TCIFLUSH : !input ? TCOFLUSH : TCIOFLUSH;
    if (::tcflush(device.fd, queue) != 0) {
        return SystemError::last();
    }
    return {};
}

Result<void> DeviceLine::drain() {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    while (::tcdrain(device.fd) != 0) {
        if (errno != EINTR) {
            return SystemError::last();
        }
    }
    device.outputDrained = true;
    return {};
}

namespace {

// One non-blocking read or write: the bytes moved, 0 when the line has
// nothing to give or no room to take, -1 on failure (errno set). A signal
// that interrupts the call is not a failure; the call is repeated.
template <typename Transfer>
std::ptrdiff_t transferWhatIsReady(Transfer transfer) {
    for (;;) {
        const ssize_t count = transfer();
        if (count >= 0) {
            return count;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

}  // namespace

// Waits for the port or the cancel descriptor.
Result<WaitResult> DeviceLine::Device::wait(short events, int timeoutMs) {
    if (fd < 0) {
        return notOpenError();
    }
    short shown = 0;
    const Result<WaitResult> waited = pollWithCancel(fd, cancelFd, events, timeoutMs, shown);
    if (waited == WaitResult::HungUp && (shown & POLLNVAL) != 0) {
        return SystemError::fromCode(EBADF);
    }
    // Otherwise a hang-up or an error without data: the other side went away.
    return waited;
}

Result<WaitResult> DeviceLine::waitReadable(int timeoutMs) {
    return device_->wait(POLLIN, timeoutMs);
}

Result<WaitResult> DeviceLine::waitWritable(int timeoutMs) {
    return device_->wait(POLLOUT, timeoutMs);
}

void DeviceLine::cancelWaits() {
    Device& device = *device_;
    if (device.cancelFd < 0) {
        return;
    }
    // The counter is never read back, so the descriptor stays readable and
    // every later poll ends at once as well.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(device.cancelFd, &one, sizeof(one));
}

SystemError noRoomError(WaitResult ended) {
    // A line whose other side went away fails writes with EIO.
    return SystemError::fromCode(ended == WaitResult::TimedOut ? ETIMEDOUT
                                 : ended == WaitResult::HungUp ? EIO
                                                               : ECANCELED);
}

Result<std::size_t> DeviceLine::read(std::span<std::uint8_t> buffer) {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    const std::ptrdiff_t count =
        transferWhatIsReady([&] { return ::read(device.fd, buffer.data(), buffer.size()); });
    if (count < 0) {
        return SystemError::last();
    }
    return static_cast<std::size_t>(count);
}

Result<std::size_t> DeviceLine::write(std::span<const std::uint8_t> bytes) {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    const std::ptrdiff_t count =
        transferWhatIsReady([&] { return ::write(device.fd, bytes.data(), bytes.size()); });
    if (count < 0) {
        return SystemError::last();
    }
    if (count > 0) {
        device.outputDrained = false;
    }
    return static_cast<std::size_t>(count);
}

std::size_t DeviceLine::inputQueued() const {
    int count = 0;
    const int fd = device_->fd;
    return fd >= 0 && ::ioctl(fd, FIONREAD, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::size_t DeviceLine::outputQueued() const {
    int count = 0;
    const int fd = device_->fd;
    return fd >= 0 && ::ioctl(fd, TIOCOUTQ, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

Result<LineErrorCounters> DeviceLine::errorCounters() {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    serial_icounter_struct kernelCounters{};
    if (::ioctl(device.fd, TIOCGICOUNT, &kernelCounters) != 0) {
        return SystemError::last();
    }
    LineErrorCounters counters;
    counters.overrun = static_cast<std::uint32_t>(kernelCounters.overrun);
    counters.frame = static_cast<std::uint32_t>(kernelCounters.frame);
    counters.parity = static_cast<std::uint32_t>(kernelCounters.parity);
    counters.breaks = static_cast<std::uint32_t>(kernelCounters.brk);
    counters.bufferOverrun = static_cast<std::uint32_t>(kernelCounters.buf_overrun);
    return counters;
}

Result<SerialDriverInfo> DeviceLine::driverInfo() {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    serial_struct serial{};
    if (::ioctl(device.fd, TIOCGSERIAL, &serial) != 0) {
        return SystemError::last();
    }
    SerialDriverInfo info;
    info.isRs232 = serial.type != PORT_UNKNOWN;
    info.baudBase = static_cast<std::uint32_t>(serial.baud_base);
    info.transmitFifo = static_cast<std::uint32_t>(serial.xmit_fifo_size);
    return info;
}

Result<SerialDriverProperties> DeviceLine::driverProperties() {
    if (device_->fd < 0) {
        return notOpenError();
    }
    // A tty tells only part of what a Windows driver reports, a
    // pseudo-terminal nothing: the rest stays 0.
    constexpr std::uint32_t kSerialCommunications = 1;
    constexpr std::uint32_t kRs232 = 1;
    const SerialDriverInfo info = driverInfo().valueOr({});
    SerialDriverProperties properties;
    properties.serviceMask = kSerialCommunications;
    properties.providerSubType = info.isRs232 ? kRs232 : 0;
    properties.maxBaud = info.baudBase;
    properties.currentTransmitQueue = info.transmitFifo;
    return properties;
}

Result<void> DeviceLine::requestLowLatency() {
    Device& device = *device_;
    if (device.fd < 0) {
        return notOpenError();
    }
    serial_struct serial{};
    if (::ioctl(device.fd, TIOCGSERIAL, &serial) != 0) {
        return SystemError::last();
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return {};
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(device.fd, TIOCSSERIAL, &serial) != 0) {
        return SystemError::last();
    }
    return {};
}

}  // namespace platform
