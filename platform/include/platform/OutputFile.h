#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Result.h"

namespace platform {

// A file that one thread writes front to back, each write going straight to
// the system. It is created anew: a file of the same name is replaced. The
// name may also lead to a pipe whose reader takes the text as it grows (a
// FIFO); a write then waits while the pipe is full.
//
// POSIX: a write waits in slices of kWaitSliceMs and gives up once `giveUp`
// is set, so that its thread can always be told to leave; a write of up to
// 4096 bytes to a pipe goes in whole or not at all. A FIFO without a reader
// is refused when it is opened rather than waited for.
// Windows: a write waits as long as the system does; only under wine can the
// name lead to a pipe (a FIFO of the host system).
class OutputFile {
  public:
    static constexpr int kWaitSliceMs = 100;

    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    enum class WriteOutcome { Written, GivenUp };

    // Creates (or replaces) the file for writing only, shared with nobody
    // where the system allows that.
    Result<void> create(const std::string& path);
    bool isOpen() const { return handle_ != nullptr; }

    // Writes all the bytes, or gives up (GivenUp) when `giveUp` is set while
    // the write waits for room; nothing of them has been written then.
    Result<WriteOutcome> write(std::string_view bytes, const std::atomic<bool>& giveUp);
    void close();

  private:
    struct Handle;
    struct HandleCloser {
        void operator()(Handle* handle) const;
    };

    std::unique_ptr<Handle, HandleCloser> handle_;
};

}  // namespace platform
