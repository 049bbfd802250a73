// TRX.DLL under wine with a communication log that is a FIFO of the host
// system. tests/windows/log-fifo-session runs this program in a folder of its
// own beside wine-log-fifo-reader, which makes COMMU.LOG there a FIFO of 4096
// bytes and reads it only once the file "resume" appears beside it.
//
// No line is needed for the log: with a port that does not exist the log is
// open, the queues are built, and looped-back messages are logged as 'L'
// lines all the same.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "LoopedLogLines.h"
#include "LoopedSession.h"
#include "platform/DynamicLibrary.h"
#include "platform/Paths.h"

namespace {

// Never published by the test prefix: no device behind the name.
constexpr const char* kMissingPort = "COM254";

struct TrxLibrary {
    platform::DynamicLibrary library;
    std::int32_t (*init)(const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                         std::uint32_t) = nullptr;
    void (*close)() = nullptr;
    looped_log::SendFunction send = nullptr;
    looped_log::ReceiveFunction receive = nullptr;
    std::int32_t (*loopBackMode)(std::int32_t) = nullptr;

    // Fails with the loader's reason, or with that of an export not found.
    platform::Result<void> load() {
        if (platform::Result<void> loaded = library.load("TRX.DLL", platform::executableDirectory()); !loaded)
            return loaded;
        platform::SystemError missing;
        const auto bind = [&](auto& entry, const char* name) {
            const auto found = library.function<std::remove_reference_t<decltype(entry)>>(name);
            entry = found.valueOr(nullptr);
            missing = found ? missing : found.error();
        };
        bind(init, "InitInterface");
        bind(close, "CloseInterface");
        bind(send, "MessageSend");
        bind(receive, "MessageReceive");
        bind(loopBackMode, "LoopBackModeChange");
        if (missing.failed())
            return missing;
        return {};
    }
};

std::string besideProgram(const char* name) {
    return platform::joinPath(platform::executableDirectory(), name);
}

// Tells the reader to read from now on.
void resumeReader() {
    std::ofstream(besideProgram("resume")) << "read\n";
}

// What the reader read, once it has seen the end of the log.
std::string readerContent() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        std::ifstream file(besideProgram("fifo-read.log"), std::ios::binary);
        if (file) {
            std::stringstream content;
            content << file.rdbuf();
            return content.str();
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ADD_FAILURE() << "the reader never saw the end of the log";
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

class WindowsLogFifo : public ::testing::Test {
  protected:
    void SetUp() override {
        // Only a FIFO made by the reader may stand here; a plain file would
        // make this test pass without a pipe.
        std::ifstream probe(besideProgram("COMMU.LOG"));
        ASSERT_TRUE(probe.good())
            << "no COMMU.LOG FIFO: run this program through tests/windows/log-fifo-session";
        probe.close();
        const platform::Result<void> loaded = trx.load();
        ASSERT_TRUE(loaded) << loaded.error().text();
    }

    // Fills the ring while the reader waits, then (resume) lets the reader
    // go and sends more; closes and unloads the library.
    void play(bool resume) {
        ASSERT_EQ(trx.init(kMissingPort, 200, 115200, 1, 0, 0), 1);
        trx.loopBackMode(0);
        looped_log::Drainer drainer(trx.receive);
        looped_log::TimedSender sender(trx.send);
        ASSERT_TRUE(sender.sendUntilLongWaits(looped_log::kLongWaitsBeforeResume,
                                              looped_log::kMostMessagesBeforeOverflow));
        if (resume) {
            resumeReader();
            for (int more = 0; more < looped_log::kMessagesAfterResume; ++more) {
                ASSERT_TRUE(sender.sendNext());
            }
        }
        EXPECT_TRUE(drainer.waitFor(sender.sent()));
        drainer.stop();
        trx.close();
        ASSERT_TRUE(trx.library.unload());
        if (!resume) {
            resumeReader();
        }
        calls = looped_log::parseCalls(sender.calls());
        bool whole = false;
        log = looped_log::splitLines(readerContent(), whole);
        EXPECT_TRUE(whole) << "every line ends with CR LF";
    }

    TrxLibrary trx;
    std::vector<looped_log::Call> calls;
    std::vector<std::string> log;
};

}  // namespace

TEST_F(WindowsLogFifo, AReaderThatPausedGetsEveryAcceptedLineAndTheClosingLines) {
    play(true);
    EXPECT_EQ(looped_log::problemWithResumedLog(log, calls, looped_log::kMessagesAfterResume), "");
}

// The unload ends the log writer while it waits for room in the pipe: the
// library's unload returns, and the program goes on.
TEST_F(WindowsLogFifo, AReaderThatNeverReadsDoesNotHoldTheUnload) {
    play(false);
    EXPECT_EQ(looped_log::problemWithUnfinishedLog(log, calls), "");
}
