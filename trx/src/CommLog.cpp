#include "CommLog.h"

#include <chrono>
#include <cstring>
#include <string_view>

#include "DebugOutput.h"
#include "RunningThread.h"
#include "platform/LocalTime.h"
#include "platform/Paths.h"
#include "platform/SystemError.h"
#include "platform/ThreadPriority.h"
#include "platform/ThreadRelease.h"

namespace trx {
namespace {

constexpr const char* kFixedFileName = "COMMU.LOG";
// Names another folder for the log than the program's own: several programs
// started from one folder (one per console) would otherwise share one file.
constexpr const char* kLogFolderVariable = "TRX_LOG_DIR";
constexpr const char* kLogStartText = "**********LogStart**********";
constexpr char kKindLetters[] = {'R', 'S', 'L'};
constexpr char kNoticeKind = 'E';
constexpr char kClosingKind = 'Z';

std::int64_t steadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

CommLog::CommLog(ThreadPassages& passages, const std::atomic<std::uint32_t>& interfaceStop)
    : passages_(passages), interfaceStop_(interfaceStop) {
    // Every time-stamped log of one load carries the load time.
    const platform::LocalTime loaded = platform::localTimeNow();
    char name[64];
    std::snprintf(name, sizeof(name), "COMMU_%02d%02d%02d%02d%02d%02d.LOG", loaded.year % 100, loaded.month,
                  loaded.day, loaded.hour, loaded.minute, loaded.second);
    stampedFileName_ = name;
}

CommLog::~CommLog() {
    unload();
}

bool CommLog::open(std::int32_t logMode) {
    if (file_.isOpen()) {
        return true;
    }
    std::string folder = platform::environmentValue(kLogFolderVariable).value_or(std::string());
    if (folder.empty()) {
        folder = platform::executableDirectory();
    }
    const std::string path = platform::joinPath(folder, logMode == 1 ? kFixedFileName : stampedFileName_);
    if (!file_.create(path)) {
        return false;
    }
    filePath_ = path;
    try {
        ring_ = std::make_unique<std::array<Entry, kRingEntries>>();
    } catch (const std::bad_alloc&) {
        file_.close();
        return false;
    }
    writePosition_ = 0;
    readPosition_ = 0;
    filled_.reset(0);
    free_.reset(static_cast<std::int32_t>(kRingEntries));
    startTick_ = steadyMilliseconds();
    for (auto& last : lastDataTime_) {
        last = 0;
    }
    closing_ = false;
    on_.store(true, std::memory_order_release);
    addText(kLogStartText);
    return true;
}

void CommLog::startWriter() {
    if (!file_.isOpen() || writer_.joinable()) {
        return;
    }
    closing_ = false;
    abandonWriter_ = false;
    writerEnded_ = false;
    writer_ = startRunningThread([this] { writerLoop(); });
}

std::uint32_t CommLog::millisecondsSinceStart() const {
    return static_cast<std::uint32_t>(steadyMilliseconds() - startTick_.load(std::memory_order_relaxed));
}

void CommLog::add(char kind, const std::uint8_t* body, std::size_t length, std::int32_t elapsed) {
    if (!isOn()) {
        return;
    }
    if (free_.acquireFor(kEntryWaitMs) != WaitStatus::Acquired) {
        return;  // the ring stayed full: the entry is lost
    }
    {
        std::lock_guard lock(producerLock_);
        Entry& entry = (*ring_)[writePosition_];
        entry.kind = kind;
        const platform::LocalTime local = platform::localTimeNow();
        std::snprintf(entry.stamp, sizeof(entry.stamp), "%02d:%02d:%02d %02d/%02d/%04d", local.hour,
                      local.minute, local.second, local.month, local.day, local.year);
        const std::size_t kept = length < kBodySize ? length : kBodySize;
        if (kept > 0) {
            std::memcpy(entry.body, body, kept);
        }
        entry.length = static_cast<std::int32_t>(kept);
        entry.elapsed = elapsed;
        writePosition_ = (writePosition_ + 1) % kRingEntries;
    }
    filled_.release();
}

void CommLog::addText(const char* text, bool closing) {
    add(closing ? kClosingKind : kNoticeKind, reinterpret_cast<const std::uint8_t*>(text), std::strlen(text),
        0);
}

void CommLog::addData(DataKind kind, std::span<const std::uint8_t> bytes) {
    if (!isOn()) {
        return;
    }
    const std::uint32_t now = millisecondsSinceStart();
    const std::uint32_t previous = lastDataTime_[static_cast<std::size_t>(kind)].exchange(now);
    add(kKindLetters[static_cast<std::size_t>(kind)], bytes.data(), bytes.size(),
        static_cast<std::int32_t>(now - previous));
}

void CommLog::notice(int code, const char* text) {
    if (!isOn()) {
        return;
    }
    // Longer texts are cut to one entry body when added.
    char line[kBodySize + 32];
    std::snprintf(line, sizeof(line), "------:E%02d ( Err ) %s", code, text);
    addText(line);
}

void CommLog::report(const char* operation, const platform::SystemError& error) {
    char line[kBodySize + 1];
    std::snprintf(line, sizeof(line), "(GetLastError = %06d) %s %s", error.code(), operation,
                  error.text().c_str());
    notice(kReportNotice, line);
}

void CommLog::writerLoop() {
    platform::setCurrentThreadPriority(platform::ThreadPriority::Highest);
    while (!(interfaceStop_.load() != 0 && closing_.load()) && !abandonWriter_.load()) {
        const WaitStatus status = filled_.acquireFor(kEntryWaitMs);
        passages_.mark(ThreadRole::Log, 1);
        if (status == WaitStatus::Acquired) {
            std::size_t used = 0;
            {
                std::lock_guard lock(writerLock_);
                const Entry& entry = (*ring_)[readPosition_];
                readPosition_ = (readPosition_ + 1) % kRingEntries;
                passages_.mark(ThreadRole::Log, 2);
                used = formatEntry(entry);
                passages_.mark(ThreadRole::Log, 8);
            }
            // Written outside the lock and in one piece. A pipe whose reader
            // is slow makes the write wait; the unload gives it up when it
            // ends this thread.
            file_.write(std::string_view(line_.data(), used), abandonWriter_);
            passages_.mark(ThreadRole::Log, 9);
            free_.release();
        }
        passages_.mark(ThreadRole::Log, 11);
    }
    writerEnded_ = true;
    DebugOutput::text("TRX.DLL - Log Write Thread End.\n");
}

std::size_t CommLog::formatEntry(const Entry& entry) {
    std::size_t used = 0;
    if (entry.kind == kClosingKind || entry.kind == kNoticeKind) {
        if (entry.kind == kClosingKind) {
            closing_ = true;
            passages_.mark(ThreadRole::Log, 3);
        } else {
            passages_.mark(ThreadRole::Log, 4);
        }
        std::memcpy(line_.data(), entry.body, static_cast<std::size_t>(entry.length));
        used = static_cast<std::size_t>(entry.length);
    } else {
        // The time stamp comes first, with no separator behind it.
        used = strnlen(entry.stamp, kStampSize - 1);
        std::memcpy(line_.data(), entry.stamp, used);
        used += static_cast<std::size_t>(
            std::snprintf(line_.data() + used, line_.size() - used, "%10d:%c", entry.elapsed, entry.kind));
        passages_.mark(ThreadRole::Log, 5);
        passages_.mark(ThreadRole::Log, 6);
        static constexpr char kHexDigits[] = "0123456789abcdef";
        for (std::int32_t index = 0; index < entry.length; ++index) {
            line_[used++] = kHexDigits[entry.body[index] >> 4];
            line_[used++] = kHexDigits[entry.body[index] & 0x0F];
            line_[used++] = ' ';
        }
        passages_.mark(ThreadRole::Log, 7);
    }
    line_[used++] = '\r';
    line_[used++] = '\n';
    return used;
}

void CommLog::stopWriter() {
    if (!writer_.joinable()) {
        return;
    }
    if (!writerEnded_.load()) {
        DebugOutput::text("TRX.DLL - Call Stop Log Write Thread.\n");
        const std::int64_t deadline = steadyMilliseconds() + kWriterStopWaitMs;
        while (!writerEnded_.load() && steadyMilliseconds() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (writerEnded_.load()) {
            DebugOutput::text("TRX.DLL - Log Write Thread Destroy Success.\n");
        } else {
            // A thread cannot be killed safely here; it is told to leave
            // instead: its wait for an entry ends, and a write waiting for a
            // full pipe gives up within one slice.
            DebugOutput::text("TRX.DLL - Log Write Thread Destroy Failed.\n");
            abandonWriter_ = true;
            filled_.cancelWaits();
        }
    }
    // This runs while the library is unloaded, where Windows cannot join.
    platform::releaseThreadAtUnload(writer_, writerEnded_.load());
}

void CommLog::close() {
    on_.store(false, std::memory_order_release);
    ring_.reset();
    file_.close();
}

void CommLog::unload() {
    if (!isOn()) {
        stopWriter();
        return;
    }
    // Nothing to flush: each line goes to the system as it is written, and
    // only the writer thread touches the file until it has been stopped.
    notice(kLifecycleNotice, "TRX.DLL - DLL UNLOAD.");
    addText("**********Log Close**********", true);
    stopWriter();
    close();
}

}  // namespace trx
