#include "platform/SerialPort.h"

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
#include <mutex>
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
    return SystemError(error, {}).notSupportedByDevice();
}

}  // namespace

struct SerialPort::Device {
    int fd = -1;
    // Readable once cancelWaits() ran: every poll of the port watches it too.
    int cancelFd = -1;
    bool savedValid = false;
    termios saved{};
    std::string deviceName;
    // Set by a completed drain, cleared by the next write (another thread).
    std::atomic<bool> outputDrained{false};
    // Written by whichever thread saw the failure; the transfer calls may run
    // on two threads at once (one reading, one writing).
    mutable std::mutex errorLock;
    SystemError lastError;

    bool fail(int code) {
        std::lock_guard guard(errorLock);
        lastError = SystemError::fromCode(code);
        return false;
    }
    bool fail() { return fail(errno); }
    // True when a device is open; otherwise records EBADF.
    bool requireOpen() { return fd >= 0 || fail(EBADF); }

    WaitResult wait(short events, int timeoutMs);

    // A rate without a B-constant goes through the kernel's termios2.
    bool applyCustomBaudRate(std::uint32_t baudRate) {
        if (baudRate == 0) {
            return fail(EINVAL);
        }
        termios2 line{};
        if (::ioctl(fd, TCGETS2, &line) != 0) {
            return fail();
        }
        line.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
        line.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
        line.c_ispeed = baudRate;
        line.c_ospeed = baudRate;
        return ::ioctl(fd, TCSETS2, &line) == 0 || fail();
    }
};

SerialPort::SerialPort() : device_(std::make_unique<Device>()) {}

SerialPort::~SerialPort() {
    close();
}

SerialPort::SerialPort(SerialPort&& other) noexcept
    : device_(std::exchange(other.device_, std::make_unique<Device>())) {}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
    if (this != &other) {
        close();
        std::swap(device_, other.device_);
    }
    return *this;
}

bool SerialPort::isOpen() const {
    return device_->fd >= 0;
}

const std::string& SerialPort::deviceName() const {
    return device_->deviceName;
}

SystemError SerialPort::lastError() const {
    std::lock_guard guard(device_->errorLock);
    return device_->lastError;
}

bool SerialPort::open(const std::string& deviceName) {
    close();
    Device& device = *device_;
    FileDescriptor line(::open(deviceName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!line.valid()) {
        return device.fail();
    }
    if (!::isatty(line.get())) {
        return device.fail(ENOTTY);
    }
    // Exclusive mode keeps other openers out (root excepted); the advisory
    // lock also tells another process that already holds the device.
    if (::flock(line.get(), LOCK_EX | LOCK_NB) != 0) {
        return device.fail(errno == EWOULDBLOCK ? EBUSY : errno);
    }
    if (::ioctl(line.get(), TIOCEXCL) != 0 && !isUnsupported(errno)) {
        return device.fail();
    }
    if (::tcgetattr(line.get(), &device.saved) != 0) {
        device.fail();
        ::ioctl(line.get(), TIOCNXCL);
        return false;
    }
    FileDescriptor cancel(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!cancel.valid()) {
        device.fail();
        ::ioctl(line.get(), TIOCNXCL);
        return false;
    }
    device.savedValid = true;
    device.fd = line.release();
    device.cancelFd = cancel.release();
    device.deviceName = deviceName;
    device.outputDrained = false;
    return true;
}

void SerialPort::close() {
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

bool SerialPort::restoreSavedSettings() {
    Device& device = *device_;
    if (device.fd < 0 || !device.savedValid) {
        return false;
    }
    return ::tcsetattr(device.fd, TCSANOW, &device.saved) == 0 || device.fail();
}

bool SerialPort::setDriverQueues(std::uint32_t, std::uint32_t) {
    // The tty layer sizes its buffers itself.
    return device_->requireOpen();
}

bool SerialPort::configure(const LineSettings& settings) {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return false;
    }
    termios line{};
    if (::tcgetattr(device.fd, &line) != 0) {
        return device.fail();
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
        return device.fail();
    }
    if (::tcsetattr(device.fd, TCSANOW, &line) != 0) {
        return device.fail();
    }
    return standard || device.applyCustomBaudRate(settings.baudRate);
}

bool SerialPort::setBaudRate(std::uint32_t baudRate) {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return false;
    }
    speed_t code = B0;
    if (!standardRateCode(baudRate, code)) {
        return device.applyCustomBaudRate(baudRate);
    }
    termios line{};
    if (::tcgetattr(device.fd, &line) != 0 || ::cfsetspeed(&line, code) != 0 ||
        ::tcsetattr(device.fd, TCSANOW, &line) != 0) {
        return device.fail();
    }
    return true;
}

LineControl SerialPort::setModemLine(ModemLine line, bool raised) {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return LineControl::Failed;
    }
    int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    if (::ioctl(device.fd, raised ? TIOCMBIS : TIOCMBIC, &bits) == 0) {
        return LineControl::Done;
    }
    const int error = errno;
    device.fail(error);
    return isUnsupported(error) ? LineControl::Unsupported : LineControl::Failed;
}

bool SerialPort::flush(FlushDirection direction) {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return false;
    }
    const bool input = direction != FlushDirection::Output;
    const bool output = direction != FlushDirection::Input && !device.outputDrained.load();
    if (!input && !output) {
        return true;
    }
    const int queue = !output ? TCIFLUSH : !input ? TCOFLUSH : TCIOFLUSH;
    return ::tcflush(device.fd, queue) == 0 || device.fail();
}

bool SerialPort::drain() {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return false;
    }
    while (::tcdrain(device.fd) != 0) {
        if (errno != EINTR) {
            return device.fail();
        }
    }
    device.outputDrained = true;
    return true;
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

// Waits for the port or the cancel descriptor; errno-style code in error
// when the result is Failed or HungUp.
WaitResult waitFor(int fd, int cancelFd, short events, int timeoutMs, int& error) {
    pollfd entries[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(entries, 2, timeoutMs);
        if (ready > 0) {
            if ((entries[1].revents & POLLIN) != 0) {
                return WaitResult::Cancelled;
            }
            if ((entries[0].revents & events) != 0) {
                return WaitResult::Ready;
            }
            if ((entries[0].revents & POLLNVAL) != 0) {
                error = EBADF;
                return WaitResult::Failed;
            }
            // Hang-up or error without data: the other side went away.
            error = EIO;
            return WaitResult::HungUp;
        }
        if (ready == 0) {
            return WaitResult::TimedOut;
        }
        if (errno != EINTR) {
            error = errno;
            return WaitResult::Failed;
        }
    }
}

}  // namespace

WaitResult SerialPort::Device::wait(short events, int timeoutMs) {
    if (!requireOpen()) {
        return WaitResult::Failed;
    }
    int error = 0;
    const WaitResult result = waitFor(fd, cancelFd, events, timeoutMs, error);
    if (error != 0) {
        fail(error);
    }
    return result;
}

WaitResult SerialPort::waitReadable(int timeoutMs) {
    return device_->wait(POLLIN, timeoutMs);
}

WaitResult SerialPort::waitWritable(int timeoutMs) {
    return device_->wait(POLLOUT, timeoutMs);
}

void SerialPort::cancelWaits() {
    Device& device = *device_;
    if (device.cancelFd < 0) {
        return;
    }
    // The counter is never read back, so the descriptor stays readable and
    // every later poll ends at once as well.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(device.cancelFd, &one, sizeof(one));
}

void SerialPort::recordTimeOut() {
    device_->fail(ETIMEDOUT);
}

std::ptrdiff_t SerialPort::read(std::span<std::uint8_t> buffer) {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return -1;
    }
    const std::ptrdiff_t count =
        transferWhatIsReady([&] { return ::read(device.fd, buffer.data(), buffer.size()); });
    if (count < 0) {
        device.fail();
    }
    return count;
}

std::ptrdiff_t SerialPort::write(std::span<const std::uint8_t> bytes) {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return -1;
    }
    const std::ptrdiff_t count =
        transferWhatIsReady([&] { return ::write(device.fd, bytes.data(), bytes.size()); });
    if (count < 0) {
        device.fail();
    } else if (count > 0) {
        device.outputDrained = false;
    }
    return count;
}

std::size_t SerialPort::inputQueued() const {
    int count = 0;
    const int fd = device_->fd;
    return fd >= 0 && ::ioctl(fd, FIONREAD, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::size_t SerialPort::outputQueued() const {
    int count = 0;
    const int fd = device_->fd;
    return fd >= 0 && ::ioctl(fd, TIOCOUTQ, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool SerialPort::errorCounters(LineErrorCounters& counters) {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return false;
    }
    serial_icounter_struct kernelCounters{};
    if (::ioctl(device.fd, TIOCGICOUNT, &kernelCounters) != 0) {
        return device.fail();
    }
    counters.overrun = static_cast<std::uint32_t>(kernelCounters.overrun);
    counters.frame = static_cast<std::uint32_t>(kernelCounters.frame);
    counters.parity = static_cast<std::uint32_t>(kernelCounters.parity);
    counters.breaks = static_cast<std::uint32_t>(kernelCounters.brk);
    counters.bufferOverrun = static_cast<std::uint32_t>(kernelCounters.buf_overrun);
    return true;
}

bool SerialPort::driverInfo(SerialDriverInfo& info) {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return false;
    }
    serial_struct serial{};
    if (::ioctl(device.fd, TIOCGSERIAL, &serial) != 0) {
        return device.fail();
    }
    info.isRs232 = serial.type != PORT_UNKNOWN;
    info.baudBase = static_cast<std::uint32_t>(serial.baud_base);
    info.transmitFifo = static_cast<std::uint32_t>(serial.xmit_fifo_size);
    return true;
}

bool SerialPort::driverProperties(SerialDriverProperties& properties) {
    if (!device_->requireOpen()) {
        return false;
    }
    // A tty tells only part of what a Windows driver reports, a
    // pseudo-terminal nothing: the rest stays 0.
    constexpr std::uint32_t kSerialCommunications = 1;
    constexpr std::uint32_t kRs232 = 1;
    SerialDriverInfo info;
    const bool known = driverInfo(info);
    properties = {};
    properties.serviceMask = kSerialCommunications;
    properties.providerSubType = known && info.isRs232 ? kRs232 : 0;
    properties.maxBaud = known ? info.baudBase : 0;
    properties.currentTransmitQueue = known ? info.transmitFifo : 0;
    return true;
}

bool SerialPort::requestLowLatency() {
    Device& device = *device_;
    if (!device.requireOpen()) {
        return false;
    }
    serial_struct serial{};
    if (::ioctl(device.fd, TIOCGSERIAL, &serial) != 0) {
        return device.fail();
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return true;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(device.fd, TIOCSSERIAL, &serial) == 0 || device.fail();
}

}  // namespace platform
