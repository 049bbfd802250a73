#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "CountingSemaphore.h"
#include "ThreadPassages.h"
#include "platform/OutputFile.h"
#include "platform/SystemError.h"

namespace trx {

// The communication log: any thread adds entries to a ring in memory, one
// writer thread formats them and writes them to the file. Opened by the first
// logging InitInterface, closed when the library is unloaded.
class CommLog {
  public:
    static constexpr std::size_t kRingEntries = 512;
    static constexpr std::size_t kBodySize = 515;
    static constexpr std::size_t kStampSize = 64;
    static constexpr std::uint32_t kEntryWaitMs = 1000;
    static constexpr std::uint32_t kWriterStopWaitMs = 1000;

    // Kinds of data entries, in the order of their last-time cells.
    enum class DataKind { Received = 0, Sent = 1, Local = 2 };

    // Notice codes.
    static constexpr int kLifecycleNotice = 0;
    static constexpr int kLineNotice = 1;
    static constexpr int kReportNotice = 2;

    CommLog(ThreadPassages& passages, const std::atomic<std::uint32_t>& interfaceStop);
    ~CommLog();
    CommLog(const CommLog&) = delete;
    CommLog& operator=(const CommLog&) = delete;

    // Creates the file for this log mode (1: the fixed name, other nonzero
    // modes: the name stamped with the load time); true also when already open.
    bool open(std::int32_t logMode);
    // Starts the writer thread once the file is open (no-op when running).
    void startWriter();
    bool isOn() const { return on_.load(std::memory_order_acquire); }
    const std::string& filePath() const { return filePath_; }
    const std::string& stampedFileName() const { return stampedFileName_; }

    void addText(const char* text, bool closing = false);
    void addData(DataKind kind, std::span<const std::uint8_t> bytes);
    // "------:Ecc ( Err ) text" while logging is on.
    void notice(int code, const char* text);
    // A failed system call: its number, the operation's name and the system's text.
    void report(const char* operation, const platform::SystemError& error);

    // The steps at library unload: last notice, closing entry, writer stopped, file closed.
    void unload();

  private:
    struct Entry {
        char kind = 0;
        char stamp[kStampSize]{};
        std::uint8_t body[kBodySize]{};
        std::int32_t length = 0;
        std::int32_t elapsed = 0;
    };
    void add(char kind, const std::uint8_t* body, std::size_t length, std::int32_t elapsed);
    void writerLoop();
    // The entry's whole line, line end included, in line_; its length.
    std::size_t formatEntry(const Entry& entry);
    void stopWriter();
    void close();
    std::uint32_t millisecondsSinceStart() const;

    ThreadPassages& passages_;
    const std::atomic<std::uint32_t>& interfaceStop_;
    std::string stampedFileName_;
    std::string filePath_;
    platform::OutputFile file_;
    std::unique_ptr<std::array<Entry, kRingEntries>> ring_;
    std::size_t writePosition_ = 0;  // under producerLock_
    std::size_t readPosition_ = 0;   // writer thread only
    CountingSemaphore filled_{0, kRingEntries};
    CountingSemaphore free_{kRingEntries, kRingEntries};
    std::mutex producerLock_;
    std::mutex writerLock_;
    std::atomic<std::int64_t> startTick_{0};
    std::array<std::atomic<std::uint32_t>, 3> lastDataTime_{};
    std::atomic<bool> on_{false};
    std::atomic<bool> closing_{false};
    std::atomic<bool> writerEnded_{true};
    std::atomic<bool> abandonWriter_{false};
    std::thread writer_;
    // Formatting buffer of the writer thread: time stamp, elapsed time and
    // kind, three characters per body byte, line end.
    std::array<char, kStampSize + kBodySize * 3 + 32> line_{};
};

}  // namespace trx
