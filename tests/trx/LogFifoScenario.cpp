// Plays a logging session against libtrx.so whose log is a FIFO with a small
// capacity, so that the log writer blocks and the log ring fills up. The
// program loads the library by name from its own folder, puts the FIFO
// COMMU.LOG beside itself and reads it on a thread of its own:
//
//   resume  the reader waits until three MessageSend calls each waited more
//           than half a second for the full ring, then reads steadily while
//           30 more messages go through; then CloseInterface and dlclose.
//   never   the reader never reads before CloseInterface and dlclose; it
//           reads what the pipe holds only once the library is gone.
//
// The messages go through the loop-back path (LoopedSession.h). The program
// leaves fifo-read.log (every byte the reader got) and fifo-calls.txt (one
// line per MessageSend call and its time) in its folder.

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "LoopedSession.h"
#include "PtyPeer.h"

namespace fs = std::filesystem;

namespace {

using Init = std::int32_t (*)(const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                              std::uint32_t);
using Close = void (*)();
using Send = std::int32_t (*)(const std::uint8_t*, std::uint32_t);
using Receive = std::int32_t (*)(std::uint8_t*);
using LoopBack = std::int32_t (*)(std::int32_t);

constexpr int kPipeCapacity = 4096;

enum ExitCode {
    kDone = 0,
    kUsage = 1,
    kNoFifo = 2,
    kNoPipeCapacity = 3,
    kNoPty = 4,
    kNoLibrary = 5,
    kNoInterface = 6,
    kNoOverflow = 7,
    kSendRefused = 8,
    kNotAllReceived = 9,
    kNoOutput = 10,
};

struct Library {
    void* handle = nullptr;
    Init init = nullptr;
    Close close = nullptr;
    Send send = nullptr;
    Receive receive = nullptr;
    LoopBack loopBack = nullptr;

    bool load(const fs::path& path) {
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            std::fprintf(stderr, "%s\n", ::dlerror());
            return false;
        }
        init = reinterpret_cast<Init>(::dlsym(handle, "InitInterface"));
        close = reinterpret_cast<Close>(::dlsym(handle, "CloseInterface"));
        send = reinterpret_cast<Send>(::dlsym(handle, "MessageSend"));
        receive = reinterpret_cast<Receive>(::dlsym(handle, "MessageReceive"));
        loopBack = reinterpret_cast<LoopBack>(::dlsym(handle, "LoopBackModeChange"));
        return init != nullptr && close != nullptr && send != nullptr && receive != nullptr &&
               loopBack != nullptr;
    }
};

// The read end of the log FIFO. Reads only once told to, then up to the end
// of the file, that is until the library closed its end.
class FifoReader {
  public:
    explicit FifoReader(int fd) : fd_(fd), thread_([this] { run(); }) {}
    ~FifoReader() {
        finish();
        ::close(fd_);
    }
    void resume() { reading_ = true; }
    void finish() {
        reading_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    const std::string& content() const { return content_; }

  private:
    void run() {
        while (!reading_.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        char buffer[1024];
        for (;;) {
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, 100) < 0) {
                return;
            }
            const ssize_t got = ::read(fd_, buffer, sizeof(buffer));
            if (got > 0) {
                content_.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0) {
                return;  // every writer has closed the FIFO
            }
        }
    }

    int fd_;
    std::atomic<bool> reading_{false};
    std::string content_;  // the reader thread's until finish()
    std::thread thread_;
};

int play(bool resume) {
    const fs::path folder = fs::canonical("/proc/self/exe").parent_path();
    const fs::path fifo = folder / "COMMU.LOG";
    if (::mkfifo(fifo.c_str(), 0600) != 0) {
        std::perror("mkfifo");
        return kNoFifo;
    }
    // Open without waiting for a writer; the library opens the other end.
    const int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (readEnd < 0) {
        std::perror("open");
        return kNoFifo;
    }
    if (::fcntl(readEnd, F_SETPIPE_SZ, kPipeCapacity) != kPipeCapacity) {
        ::close(readEnd);
        return kNoPipeCapacity;
    }
    FifoReader reader(readEnd);
    PtyPeer peer;
    if (!peer.isOpen()) {
        return kNoPty;
    }
    Library library;
    if (!library.load(folder / "libtrx.so")) {
        return kNoLibrary;
    }
    if (library.init(peer.slavePath().c_str(), 200, 115200, 1, 0, 0) != 0) {
        return kNoInterface;
    }
    library.loopBack(0);
    looped_log::Drainer drainer(library.receive);
    looped_log::TimedSender sender(library.send);
    if (!sender.sendUntilLongWaits(looped_log::kLongWaitsBeforeResume,
                                   looped_log::kMostMessagesBeforeOverflow)) {
        return kNoOverflow;
    }
    if (resume) {
        reader.resume();
        for (int more = 0; more < looped_log::kMessagesAfterResume; ++more) {
            if (!sender.sendNext()) {
                return kSendRefused;
            }
        }
    }
    const bool everyMessageArrived = drainer.waitFor(sender.sent());
    drainer.stop();
    library.close();
    ::dlclose(library.handle);
    // Up to the end: the library closed its end of the FIFO at unload.
    reader.finish();

    if (!everyMessageArrived) {
        return kNotAllReceived;
    }
    std::ofstream read(folder / "fifo-read.log", std::ios::binary);
    read << reader.content();
    std::ofstream calls(folder / "fifo-calls.txt", std::ios::binary);
    calls << sender.calls();
    if (!read || !calls) {
        return kNoOutput;
    }
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "resume" || scenario == "never") {
        return play(scenario == "resume");
    }
    std::fprintf(stderr, "usage: %s resume|never\n", argv[0]);
    return kUsage;
}
