#include "DeviceLine.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

#include "DeviceName.h"
#include "WideText.h"

namespace platform {
namespace {

// Set-up calls of the comm API are tried this often before they count as failed.
constexpr int kSetupAttempts = 10;
// How long a write may take to reach the driver before it is abandoned.
constexpr DWORD kWriteCompletionMs = 5000;
// How long a read that the driver left pending may take before it is ended.
constexpr DWORD kReadCompletionMs = 50;
// A wait for input is a one-byte read that the driver ends when the first
// byte arrives, or after this long with nothing (it is then started again).
constexpr DWORD kFirstByteSliceMs = 100;
// A first-byte read that came back empty sooner than the driver's time-out
// is started again only after this pause, so that the waiting thread never spins.
constexpr DWORD kEarlyEmptyPauseMs = 5;
constexpr ULONGLONG kEarlyEmptyMs = 5;
// How long an ended first-byte read may take to come back from the driver,
// and how often its completion is looked at meanwhile.
constexpr ULONGLONG kAbandonWaitMs = 500;
constexpr DWORD kAbandonPollMs = 10;

template <typename Call>
bool retried(Call call) {
    for (int attempt = 0; attempt < kSetupAttempts; ++attempt) {
        if (call())
            return true;
    }
    return false;
}

// Wine serves FlushFileBuffers on a COM port by discarding the transmit
// queue (an output tcflush) instead of waiting for it to empty; on a
// pseudo-terminal that drops the last frame on its way across. Wine's
// ntdll exports wine_get_version, Windows' does not.
bool flushDiscardsOutput() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

UniqueHandle manualResetEvent() {
    return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

}  // namespace

SystemError notOpenError() {
    return SystemError::fromCode(ERROR_INVALID_HANDLE);
}

struct DeviceLine::Device {
    UniqueHandle port;
    std::string deviceName;
    std::wstring devicePath;
    bool savedValid = false;
    DCB savedState{};
    COMMTIMEOUTS savedTimeouts{};

    // Signalled by cancelWaits(); every wait also waits for it.
    UniqueHandle cancelEvent = manualResetEvent();
    UniqueHandle readEvent = manualResetEvent();
    UniqueHandle writeEvent = manualResetEvent();
    UniqueHandle firstByteEvent = manualResetEvent();
    // Input is waited for with a one-byte read rather than WaitCommEvent:
    // wine serves each WaitCommEvent with a thread of its own whose end it
    // does not fully record, and a library loaded after that faults in the
    // loader. The byte that ends the wait is held here for the next read.
    // The thread that starts the read also ends it before its waitReadable
    // call returns; a read that the driver has not given back by then stays
    // marked, and the next wait or the close takes it up again.
    bool firstBytePending = false;
    // Set by a completed drain, cleared by the next write (another thread).
    std::atomic<bool> outputDrained{false};
    // Looked up at open: the drain may run while the loader lock is held
    // (a close at unload), when no other module may be asked for anything.
    bool drainByQueueCount = false;
    // Also cleared by an input flush on another thread.
    std::atomic<bool> firstByteHeld{false};
    std::uint8_t firstByte = 0;
    OVERLAPPED firstByteOverlapped{};

    // ClearCommError clears the driver's error flags when it reads them; they
    // are kept here as counts, whichever call read them.
    mutable std::mutex countersLock;
    LineErrorCounters counters;

    // The driver's queue state; its error flags go into the counts.
    bool readState(COMSTAT& state) {
        DWORD errors = 0;
        if (!::ClearCommError(port.get(), &errors, &state))
            return false;
        std::lock_guard guard(countersLock);
        counters.overrun += (errors & CE_OVERRUN) != 0 ? 1 : 0;
        counters.frame += (errors & CE_FRAME) != 0 ? 1 : 0;
        counters.parity += (errors & CE_RXPARITY) != 0 ? 1 : 0;
        counters.breaks += (errors & CE_BREAK) != 0 ? 1 : 0;
        counters.bufferOverrun += (errors & CE_RXOVER) != 0 ? 1 : 0;
        return true;
    }

    // Waits, at most as long as a write may take, until the driver's
    // transmit queue is empty.
    Result<void> waitForEmptyTransmitQueue() {
        const ULONGLONG deadline = ::GetTickCount64() + kWriteCompletionMs;
        for (;;) {
            COMSTAT state{};
            if (!readState(state)) {
                return SystemError::last();
            }
            if (state.cbOutQue == 0) {
                outputDrained = true;
                return {};
            }
            if (::GetTickCount64() >= deadline) {
                return SystemError::fromCode(ERROR_TIMEOUT);
            }
            ::Sleep(1);
        }
    }

    std::size_t queued(bool input) {
        COMSTAT state{};
        if (!port.valid() || !readState(state))
            return 0;
        return input ? state.cbInQue : state.cbOutQue;
    }

    bool cancelled() const { return ::WaitForSingleObject(cancelEvent.get(), 0) == WAIT_OBJECT_0; }

    // What a finished first-byte read means: Ready with its byte held, a
    // failure, or TimedOut when nothing came within the driver's time-out.
    Result<WaitResult> firstByteOutcome(DWORD got, DWORD error) {
        if (got == 1) {
            firstByteHeld = true;
            return WaitResult::Ready;
        }
        if (error != ERROR_SUCCESS && error != ERROR_TIMEOUT && error != ERROR_OPERATION_ABORTED) {
            return SystemError::fromCode(static_cast<int>(error));
        }
        return WaitResult::TimedOut;
    }

    // Takes the result of a first-byte read that has completed.
    void collectFirstByte() {
        firstBytePending = false;
        if (firstByteOverlapped.InternalHigh == 1 &&
            (firstByteOverlapped.Internal == 0 || firstByteOverlapped.Internal == STATUS_TIMEOUT))
            firstByteHeld = true;
    }

    // Ends a pending first-byte read and waits, at most kAbandonWaitMs,
    // until the driver let go of it; a byte it still got is kept.
    void abandonFirstByteRead() {
        if (!firstBytePending)
            return;
        ::CancelIoEx(port.get(), &firstByteOverlapped);
        const ULONGLONG deadline = ::GetTickCount64() + kAbandonWaitMs;
        while (!HasOverlappedIoCompleted(&firstByteOverlapped) && ::GetTickCount64() < deadline) {
            // A signalled event may run ahead of the request's status.
            if (::WaitForSingleObject(firstByteEvent.get(), kAbandonPollMs) == WAIT_OBJECT_0)
                ::Sleep(1);
        }
        if (HasOverlappedIoCompleted(&firstByteOverlapped))
            collectFirstByte();
    }

    Result<WaitResult> waitForInput(int timeoutMs);
    Result<WaitResult> waitForInputOnce(int timeoutMs);
};

Result<WaitResult> DeviceLine::Device::waitForInput(int timeoutMs) {
    const Result<WaitResult> result = waitForInputOnce(timeoutMs);
    abandonFirstByteRead();
    return result == WaitResult::TimedOut && firstByteHeld ? WaitResult::Ready : result;
}

Result<WaitResult> DeviceLine::Device::waitForInputOnce(int timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (cancelled())
            return WaitResult::Cancelled;
        if (firstByteHeld || queued(true) > 0)
            return WaitResult::Ready;
        const ULONGLONG now = ::GetTickCount64();
        const DWORD left = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(deadline > now ? deadline - now : 0);
        if (left == 0)
            return WaitResult::TimedOut;
        if (!firstBytePending) {
            firstByteOverlapped = OVERLAPPED{};
            ::ResetEvent(firstByteEvent.get());
            firstByteOverlapped.hEvent = firstByteEvent.get();
            DWORD got = 0;
            const BOOL done = ::ReadFile(port.get(), &firstByte, 1, &got, &firstByteOverlapped);
            const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
            if (error == ERROR_IO_PENDING) {
                firstBytePending = true;
            } else {
                // Finished at once: a byte, or nothing within the driver's
                // time-out (wine reports that as ERROR_TIMEOUT).
                const Result<WaitResult> outcome = firstByteOutcome(got, error);
                if (outcome != WaitResult::TimedOut)
                    return outcome;
                if (::WaitForSingleObject(cancelEvent.get(), std::min(left, kEarlyEmptyPauseMs)) ==
                    WAIT_OBJECT_0)
                    return WaitResult::Cancelled;
                continue;
            }
        }
        const ULONGLONG started = ::GetTickCount64();
        const HANDLE events[2] = {firstByteEvent.get(), cancelEvent.get()};
        const DWORD signalled = ::WaitForMultipleObjects(2, events, FALSE, left);
        if (signalled == WAIT_OBJECT_0 + 1)
            return WaitResult::Cancelled;
        if (signalled == WAIT_TIMEOUT)
            return WaitResult::TimedOut;
        if (signalled != WAIT_OBJECT_0) {
            return SystemError::last();
        }
        DWORD got = 0;
        const BOOL done = ::GetOverlappedResult(port.get(), &firstByteOverlapped, &got, FALSE);
        const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
        if (error == ERROR_IO_INCOMPLETE) {
            // The event ran ahead of the status: look again shortly.
            ::Sleep(1);
            continue;
        }
        firstBytePending = false;
        const Result<WaitResult> outcome = firstByteOutcome(got, error);
        if (outcome != WaitResult::TimedOut)
            return outcome;
        // Nothing within the driver's time-out; one that ended much sooner
        // than that is followed by a pause, so that the loop does not spin.
        if (::GetTickCount64() - started < kEarlyEmptyMs &&
            ::WaitForSingleObject(cancelEvent.get(), kEarlyEmptyPauseMs) == WAIT_OBJECT_0)
            return WaitResult::Cancelled;
    }
}

DeviceLine::DeviceLine() : device_(std::make_unique<Device>()) {}

DeviceLine::~DeviceLine() {
    close();
}

bool DeviceLine::isOpen() const {
    return device_->port.valid();
}

Result<void> DeviceLine::open(const std::string& deviceName) {
    close();
    Device& device = *device_;
    const std::wstring path = serialDevicePath(deviceName);
    // Exclusive (no sharing), existing device only, overlapped I/O.
    UniqueHandle port(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
    if (!port.valid()) {
        return SystemError::last();
    }
    DCB state{};
    state.DCBlength = sizeof(state);
    COMMTIMEOUTS timeouts{};
    if (!retried([&] { return ::GetCommState(port.get(), &state) != 0; }) ||
        !retried([&] { return ::GetCommTimeouts(port.get(), &timeouts) != 0; })) {
        return SystemError::last();
    }
    // A read returns at once with what has arrived, and when nothing has, as
    // soon as the first byte arrives (or after kFirstByteSliceMs empty);
    // writes have no time limit.
    COMMTIMEOUTS firstByte{};
    firstByte.ReadIntervalTimeout = MAXDWORD;
    firstByte.ReadTotalTimeoutMultiplier = MAXDWORD;
    firstByte.ReadTotalTimeoutConstant = kFirstByteSliceMs;
    if (!retried([&] { return ::SetCommTimeouts(port.get(), &firstByte) != 0; })) {
        return SystemError::last();
    }
    if (!device.cancelEvent.valid() || !device.readEvent.valid() || !device.writeEvent.valid() ||
        !device.firstByteEvent.valid()) {
        return SystemError::last();
    }
    ::ResetEvent(device.cancelEvent.get());
    device.savedState = state;
    device.savedTimeouts = timeouts;
    device.savedValid = true;
    device.port = std::move(port);
    device.deviceName = deviceName;
    device.devicePath = path;
    device.firstBytePending = false;
    device.firstByteHeld = false;
    device.outputDrained = false;
    device.drainByQueueCount = flushDiscardsOutput();
    {
        std::lock_guard guard(device.countersLock);
        device.counters = {};
    }
    return {};
}

void DeviceLine::close() {
    Device& device = *device_;
    if (!device.port.valid()) {
        return;
    }
    device.abandonFirstByteRead();
    // As in flush(): what a completed drain sent is not purged again.
    const DWORD output = device.outputDrained ? 0 : PURGE_TXABORT | PURGE_TXCLEAR;
    ::PurgeComm(device.port.get(), PURGE_RXABORT | PURGE_RXCLEAR | output);
    restoreSavedSettings();
    retried([&] { return ::SetCommTimeouts(device.port.get(), &device.savedTimeouts) != 0; });
    COMSTAT ignored{};
    device.readState(ignored);
    device.port.reset();
    device.savedValid = false;
    if (device.firstBytePending) {
        // The driver has not given the read back yet. It will still write
        // the read's status and byte, so that memory and the event are left
        // to the process instead of freed; the port starts again with fresh
        // ones.
        static_cast<void>(device_.release());
        device_ = std::make_unique<Device>();
    }
}

Result<void> DeviceLine::restoreSavedSettings() {
    Device& device = *device_;
    if (!device.port.valid() || !device.savedValid) {
        return notOpenError();
    }
    // The system's default configuration of the port, where it has one;
    // otherwise the settings found at open.
    COMMCONFIG config{};
    config.dwSize = sizeof(config);
    DWORD size = sizeof(config);
    if (::GetDefaultCommConfigW(widen(device.deviceName).c_str(), &config, &size) &&
        ::SetCommConfig(device.port.get(), &config, size)) {
        return {};
    }
    if (!::SetCommState(device.port.get(), &device.savedState)) {
        return SystemError::last();
    }
    return {};
}

Result<void> DeviceLine::setDriverQueues(std::uint32_t receiveBytes, std::uint32_t transmitBytes) {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    const bool done = retried([&] {
        if (::SetupComm(device.port.get(), receiveBytes, transmitBytes))
            return true;
        COMSTAT ignored{};
        device.readState(ignored);
        return false;
    });
    if (!done) {
        return SystemError::last();
    }
    return {};
}

Result<void> DeviceLine::configure(const LineSettings& settings) {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    DCB state{};
    state.DCBlength = sizeof(state);
    if (!retried([&] { return ::GetCommState(device.port.get(), &state) != 0; })) {
        return SystemError::last();
    }
    state.BaudRate = settings.baudRate;
    state.ByteSize = static_cast<BYTE>(settings.dataBits);
    state.Parity = settings.parity == Parity::None  ? NOPARITY
                   : settings.parity == Parity::Odd ? ODDPARITY
                                                    : EVENPARITY;
    state.StopBits = settings.stopBits == StopBits::Two ? TWOSTOPBITS : ONESTOPBIT;
    state.fBinary = TRUE;
    state.fOutxCtsFlow = FALSE;
    state.fOutxDsrFlow = FALSE;
    state.fDtrControl = DTR_CONTROL_DISABLE;
    state.fDsrSensitivity = FALSE;
    state.fNull = FALSE;
    state.fRtsControl = RTS_CONTROL_DISABLE;
    state.fOutX = FALSE;
    state.fInX = FALSE;
    state.fAbortOnError = settings.abortOnError ? TRUE : FALSE;
    state.EvtChar = static_cast<char>(settings.eventCharacter);
    if (!retried([&] { return ::SetCommState(device.port.get(), &state) != 0; })) {
        return SystemError::last();
    }
    return {};
}

Result<void> DeviceLine::setBaudRate(std::uint32_t baudRate) {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    DCB state{};
    state.DCBlength = sizeof(state);
    if (baudRate == 0) {
        return SystemError::fromCode(ERROR_INVALID_PARAMETER);
    }
    if (!::GetCommState(device.port.get(), &state)) {
        return SystemError::last();
    }
    state.BaudRate = baudRate;
    if (!::SetCommState(device.port.get(), &state)) {
        return SystemError::last();
    }
    return {};
}

Result<LineControl> DeviceLine::setModemLine(ModemLine line, bool raised) {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    const DWORD function = line == ModemLine::Dtr ? (raised ? SETDTR : CLRDTR) : (raised ? SETRTS : CLRRTS);
    if (::EscapeCommFunction(device.port.get(), function)) {
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
    if (!device.port.valid()) {
        return notOpenError();
    }
    const DWORD input = PURGE_RXABORT | PURGE_RXCLEAR;
    const DWORD output = PURGE_TXABORT | PURGE_TXCLEAR;
    const bool purgeInput = direction != FlushDirection::Output;
    const bool purgeOutput = direction != FlushDirection::Input && !device.outputDrained.load();
    const DWORD flags = (purgeInput ? input : 0) | (purgeOutput ? output : 0);
    if (flags == 0) {
        return {};
    }
    if (purgeInput) {
        device.firstByteHeld = false;
    }
    if (!::PurgeComm(device.port.get(), flags)) {
        return SystemError::last();
    }
    return {};
}

Result<void> DeviceLine::drain() {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    if (device.drainByQueueCount) {
        return device.waitForEmptyTransmitQueue();
    }
    if (::FlushFileBuffers(device.port.get())) {
        device.outputDrained = true;
        return {};
    }
    SystemError error = SystemError::last();
    // Drivers without the call have nothing held back.
    if (error.notSupportedByDevice()) {
        device.outputDrained = true;
        return {};
    }
    return error;
}

Result<WaitResult> DeviceLine::waitReadable(int timeoutMs) {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    return device.waitForInput(timeoutMs);
}

Result<WaitResult> DeviceLine::waitWritable(int) {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    // Each write waits for its own completion, so there is always room.
    return device.cancelled() ? WaitResult::Cancelled : WaitResult::Ready;
}

void DeviceLine::cancelWaits() {
    Device& device = *device_;
    if (!device.port.valid()) {
        return;
    }
    // Every wait also waits for this event.
    ::SetEvent(device.cancelEvent.get());
}

Result<std::size_t> DeviceLine::read(std::span<std::uint8_t> buffer) {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    if (buffer.empty()) {
        return std::size_t{0};
    }
    // The byte that ended the last wait comes first.
    std::size_t held = 0;
    if (device.firstByteHeld) {
        buffer[0] = device.firstByte;
        device.firstByteHeld = false;
        held = 1;
        buffer = buffer.subspan(1);
    }
    COMSTAT state{};
    if (!device.readState(state)) {
        if (held > 0)
            return held;
        return SystemError::last();
    }
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), state.cbInQue));
    if (wanted == 0) {
        return held;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = device.readEvent.get();
    ::ResetEvent(overlapped.hEvent);
    DWORD count = 0;
    if (!::ReadFile(device.port.get(), buffer.data(), wanted, &count, &overlapped)) {
        DWORD error = ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            // A read that should return at once may stay pending (wine): end it.
            if (::WaitForSingleObject(overlapped.hEvent, kReadCompletionMs) != WAIT_OBJECT_0) {
                ::CancelIoEx(device.port.get(), &overlapped);
            }
            if (::GetOverlappedResult(device.port.get(), &overlapped, &count, TRUE)) {
                return held + count;
            }
            error = ::GetLastError();
        }
        // A read with a time-out ends with ERROR_TIMEOUT under wine instead of
        // success with what it got; a cancelled one just got nothing more.
        if (error == ERROR_TIMEOUT || error == ERROR_OPERATION_ABORTED) {
            return held + count;
        }
        if (held > 0)
            return held;
        return SystemError::fromCode(static_cast<int>(error));
    }
    return held + count;
}

Result<std::size_t> DeviceLine::write(std::span<const std::uint8_t> bytes) {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    if (bytes.empty()) {
        return std::size_t{0};
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = device.writeEvent.get();
    ::ResetEvent(overlapped.hEvent);
    device.outputDrained = false;
    DWORD count = 0;
    if (::WriteFile(device.port.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count, &overlapped)) {
        return std::size_t{count};
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) {
        return SystemError::fromCode(static_cast<int>(error));
    }
    const HANDLE events[2] = {overlapped.hEvent, device.cancelEvent.get()};
    if (::WaitForMultipleObjects(2, events, FALSE, kWriteCompletionMs) != WAIT_OBJECT_0) {
        ::CancelIoEx(device.port.get(), &overlapped);
    }
    if (::GetOverlappedResult(device.port.get(), &overlapped, &count, TRUE) || count > 0) {
        return std::size_t{count};
    }
    return SystemError::last();
}

std::size_t DeviceLine::inputQueued() const {
    return device_->queued(true) + (device_->firstByteHeld ? 1 : 0);
}

std::size_t DeviceLine::outputQueued() const {
    return device_->queued(false);
}

Result<LineErrorCounters> DeviceLine::errorCounters() {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    COMSTAT state{};
    if (!device.readState(state)) {
        return SystemError::last();
    }
    std::lock_guard guard(device.countersLock);
    return device.counters;
}

Result<SerialDriverInfo> DeviceLine::driverInfo() {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    COMMPROP properties{};
    if (!::GetCommProperties(device.port.get(), &properties)) {
        return SystemError::last();
    }
    SerialDriverInfo info;
    info.isRs232 = properties.dwProvSubType == PST_RS232;
    info.baudBase = properties.dwMaxBaud;
    info.transmitFifo = properties.dwCurrentTxQueue;
    return info;
}

Result<SerialDriverProperties> DeviceLine::driverProperties() {
    Device& device = *device_;
    if (!device.port.valid()) {
        return notOpenError();
    }
    COMMPROP driver{};
    if (!::GetCommProperties(device.port.get(), &driver)) {
        return SystemError::last();
    }
    SerialDriverProperties properties;
    properties.packetLength = driver.wPacketLength;
    properties.packetVersion = driver.wPacketVersion;
    properties.serviceMask = driver.dwServiceMask;
    properties.reserved1 = driver.dwReserved1;
    properties.maxTransmitQueue = driver.dwMaxTxQueue;
    properties.maxReceiveQueue = driver.dwMaxRxQueue;
    properties.maxBaud = driver.dwMaxBaud;
    properties.providerSubType = driver.dwProvSubType;
    properties.providerCapabilities = driver.dwProvCapabilities;
    properties.settableParameters = driver.dwSettableParams;
    properties.settableBaud = driver.dwSettableBaud;
    properties.settableData = driver.wSettableData;
    properties.settableStopParity = driver.wSettableStopParity;
    properties.currentTransmitQueue = driver.dwCurrentTxQueue;
    properties.currentReceiveQueue = driver.dwCurrentRxQueue;
    properties.providerSpecific1 = driver.dwProvSpec1;
    properties.providerSpecific2 = driver.dwProvSpec2;
    properties.providerCharacter = static_cast<std::uint16_t>(driver.wcProvChar[0]);
    return properties;
}

Result<void> DeviceLine::requestLowLatency() {
    // Windows drivers have no such request; an adapter's latency is set in
    // its own driver settings.
    return SystemError::fromCode(ERROR_NOT_SUPPORTED);
}

SystemError noRoomError(WaitResult ended) {
    // Windows reports no hang-up; a cancelled wait ends like an aborted request.
    return SystemError::fromCode(ended == WaitResult::TimedOut ? ERROR_TIMEOUT : ERROR_OPERATION_ABORTED);
}

}  // namespace platform
