#include "platform/OutputFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "TestDirectory.h"

using testing_support::TempDirectory;

namespace {

constexpr auto Written = platform::OutputFile::WriteOutcome::Written;

TEST(OutputFile, ReplacesAFileOfTheSameNameAndWritesInOrder) {
    TempDirectory folder;
    const std::string path = folder.writeFile("COMMU.LOG", "an older and much longer log\r\n");
    platform::OutputFile file;
    const platform::Result<void> created = file.create(path);
    ASSERT_TRUE(created) << created.error().text();
    const std::atomic<bool> never{false};
    EXPECT_EQ(file.write("first\r\n", never), Written);
    EXPECT_EQ(file.write("second\r\n", never), Written);
    // Each write is with the system at once: nothing waits for a flush.
    EXPECT_EQ(testing_support::fileContent(path), "first\r\nsecond\r\n");
    file.close();
    EXPECT_FALSE(file.isOpen());
}

TEST(OutputFile, AFolderThatDoesNotExistIsRefusedWithTheSystemsReason) {
    TempDirectory folder;
    platform::OutputFile file;
    const platform::Result<void> created = file.create(folder / "missing/COMMU.LOG");
    ASSERT_FALSE(created);
    EXPECT_TRUE(created.error().isNotFound());
    EXPECT_FALSE(file.write("line\r\n", std::atomic<bool>{false})) << "nothing is open";
}

// Opening a FIFO nobody reads would otherwise wait until somebody does.
TEST(OutputFile, AFifoWithoutAReaderIsRefusedAtOnce) {
    TempDirectory folder;
    const std::string path = folder / "COMMU.LOG";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    platform::OutputFile file;
    const platform::Result<void> created = file.create(path);
    ASSERT_FALSE(created);
    EXPECT_TRUE(created.error().failed());
}

// A write that waits for a reader who never reads gives up once told to, and
// leaves no part of its line in the pipe; a reader who reads lets it finish.
TEST(OutputFile, AWriteToAFullPipeWaitsForTheReaderOrGivesUpWhenTold) {
    TempDirectory folder;
    const std::string path = folder / "COMMU.LOG";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::fcntl(reader, F_SETPIPE_SZ, 4096), 4096);
    platform::OutputFile file;
    const platform::Result<void> created = file.create(path);
    ASSERT_TRUE(created) << created.error().text();

    const std::atomic<bool> never{false};
    const std::string line(100, 'x');
    auto fillPipe = [&] {
        std::size_t accepted = 0;
        while (accepted + line.size() <= 4096) {
            EXPECT_EQ(file.write(line, never), Written);
            accepted += line.size();
        }
        return accepted;
    };
    std::string read(8192, '\0');

    // No room for another line: the write waits until it is told to give up.
    const std::size_t accepted = fillPipe();
    std::atomic<bool> giveUp{false};
    std::thread teller([&giveUp] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        giveUp = true;
    });
    EXPECT_EQ(file.write(line, giveUp), platform::OutputFile::WriteOutcome::GivenUp);
    teller.join();
    EXPECT_EQ(::read(reader, read.data(), read.size()), static_cast<ssize_t>(accepted))
        << "nothing of the given-up line is in the pipe";

    // Full again; a reader that comes back lets the waiting write finish.
    fillPipe();
    std::thread comesBack([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(::read(reader, read.data(), read.size()), static_cast<ssize_t>(accepted));
    });
    EXPECT_EQ(file.write(line, never), Written);
    comesBack.join();
    EXPECT_EQ(::read(reader, read.data(), read.size()), static_cast<ssize_t>(line.size()));
    ::close(reader);
}

// The reader going away must not end the program through SIGPIPE's default
// action: the write fails with the system's reason instead, and the signal
// does not reach the program later either.
TEST(OutputFile, AReaderThatClosesThePipeMakesTheWriteFailWithoutEndingTheProgram) {
    TempDirectory folder;
    const std::string path = folder / "COMMU.LOG";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    platform::OutputFile file;
    const platform::Result<void> created = file.create(path);
    ASSERT_TRUE(created) << created.error().text();
    const std::atomic<bool> never{false};
    EXPECT_EQ(file.write("first\r\n", never), Written);
    ::close(reader);

    const platform::Result<platform::OutputFile::WriteOutcome> afterClose = file.write("second\r\n", never);
    ASSERT_FALSE(afterClose);
    EXPECT_EQ(afterClose.error().code(), EPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    ASSERT_EQ(::sigpending(&pending), 0);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0) << "no SIGPIPE is left waiting for the program";
}

}  // namespace
