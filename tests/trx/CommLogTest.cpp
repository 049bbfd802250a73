#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "LoopedLogLines.h"
#include "LoopedSession.h"
#include "platform/testing/LoopbackSocket.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// "HH:MM:SS MM/DD/YYYY" in the first 19 characters.
bool hasTimeStamp(const std::string& line) {
    const std::string pattern = "dd:dd:dd dd/dd/dddd";
    if (line.size() < pattern.size()) {
        return false;
    }
    for (std::size_t index = 0; index < pattern.size(); ++index) {
        const bool digit = std::isdigit(static_cast<unsigned char>(line[index])) != 0;
        if (pattern[index] == 'd' ? !digit : line[index] != pattern[index]) {
            return false;
        }
    }
    return true;
}

// A data line: time stamp, elapsed milliseconds right-aligned in ten, a colon,
// the kind letter and the bytes as given (lower-case hex, a blank after each).
bool isDataLine(const std::string& line, char kind, const std::string& bytes) {
    if (!hasTimeStamp(line) || line.size() < 19 + 12) {
        return false;
    }
    const std::string elapsed = line.substr(19, 10);
    const std::size_t firstDigit = elapsed.find_first_not_of(' ');
    if (firstDigit == std::string::npos ||
        elapsed.find_first_not_of("0123456789", firstDigit) != std::string::npos) {
        return false;
    }
    return line[29] == ':' && line[30] == kind && line.substr(31) == bytes;
}

bool isStampedLogName(const std::string& name) {
    if (name.size() != 22 || name.rfind("COMMU_", 0) != 0 || name.substr(18) != ".LOG") {
        return false;
    }
    for (std::size_t index = 6; index < 18; ++index) {
        if (!std::isdigit(static_cast<unsigned char>(name[index]))) {
            return false;
        }
    }
    return true;
}

// Copies the scenario programs and the library into a folder of the test's
// own and runs one scenario there; the log appears in that folder.
class LogSession : public ::testing::Test {
  protected:
    void SetUp() override {
        folder =
            fs::temp_directory_path() / ("trx-log-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        const fs::path bin = fs::current_path();
        fs::copy_file(bin / "trx_log_scenario", folder / "trx_log_scenario");
        fs::copy_file(bin / "trx_log_fifo_scenario", folder / "trx_log_fifo_scenario");
        fs::copy_file(bin / "libtrx.so", folder / "libtrx.so");
    }
    void TearDown() override { fs::remove_all(folder); }

    // "NAME=value" entries added to the test's own environment for the next runs.
    std::vector<std::string> addedEnvironment;

    // The scenario's exit status; -2 when it died of a signal, -3 when it
    // had not ended after `limit` (it is then killed). A port is handed to
    // the scenarios that take one.
    int run(const std::string& scenario, const std::string& programName = "trx_log_scenario",
            std::chrono::seconds limit = std::chrono::seconds(30), const std::string& port = {}) {
        const std::string program = (folder / programName).string();
        std::vector<char*> arguments{const_cast<char*>(program.c_str()), const_cast<char*>(scenario.c_str())};
        if (!port.empty()) {
            arguments.push_back(const_cast<char*>(port.c_str()));
        }
        arguments.push_back(nullptr);
        std::vector<char*> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            // The log folder is the test's to choose.
            if (std::string_view(*entry).rfind("TRX_LOG_DIR=", 0) != 0) {
                environment.push_back(*entry);
            }
        }
        for (const std::string& entry : addedEnvironment) {
            environment.push_back(const_cast<char*>(entry.c_str()));
        }
        environment.push_back(nullptr);
        pid_t child = 0;
        if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments.data(), environment.data()) !=
            0) {
            return -1;
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                return -3;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }

    std::string content(const std::string& name) const {
        std::ifstream file(folder / name, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::vector<std::string> logFiles() const { return logFilesIn(folder); }
    static std::vector<std::string> logFilesIn(const fs::path& where) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(where)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("COMMU", 0) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }

    std::vector<std::string> lines(const std::string& name) const { return linesOf(folder / name); }
    static std::vector<std::string> linesOf(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        std::vector<std::string> result;
        std::string text = content.str();
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            result.push_back(text.substr(start, end - start));
        }
        EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
        return result;
    }

    static int count(const std::vector<std::string>& lines, const std::string& wanted) {
        int found = 0;
        for (const std::string& line : lines) {
            found += line == wanted ? 1 : 0;
        }
        return found;
    }

    fs::path folder;
};

}  // namespace

TEST_F(LogSession, FixedNameLogOfTwoSessionsInOneFile) {
    ASSERT_EQ(run("fixed"), 0);
    ASSERT_EQ(logFiles(), (std::vector<std::string>{"COMMU.LOG"}));
    const auto log = lines("COMMU.LOG");
    ASSERT_GT(log.size(), 10u);
    EXPECT_EQ(log.front(), "**********LogStart**********");
    EXPECT_EQ(count(log, "**********LogStart**********"), 1);
    EXPECT_EQ(count(log, "------:E00 ( Err ) TRX.DLL - End of InitInterFace Function."), 2);
    EXPECT_EQ(count(log, "------:E00 ( Err ) TRX.DLL - Call CloseInterFace Function."), 2);
    EXPECT_EQ(count(log, "------:E00 ( Err ) TRX.DLL - Tx Thread Destroy Success."), 2);
    EXPECT_EQ(count(log, "------:E00 ( Err ) TRX.DLL - Rx Thread Destroy Success."), 2);
    EXPECT_EQ(count(log, "------:E00 ( Err ) TRX.DLL - End of CloseInterFace Function."), 2);
    EXPECT_EQ(count(log, "\n**********Serial Driver Comm Properties**********"), 2);
    EXPECT_EQ(count(log, "  ProviderSubType = 0"), 2) << "a pseudo-terminal is no RS-232 port";
    EXPECT_EQ(count(log, "  ProvChar = "), 2);

    // The sent message, numbered, once per session.
    int sentLines = 0;
    int receivedLines = 0;
    for (const std::string& line : log) {
        sentLines += isDataLine(line, 'S', "07 41 3f 12 00 00 00 00 ") ||
                     isDataLine(line, 'S', "07 41 3f 12 00 00 00 01 ");
        // Received and unnumbered, logged with the stored length of six.
        receivedLines +=
            isDataLine(line, 'R', "03 41 00 02 00 07 ") || isDataLine(line, 'R', "03 41 00 02 00 09 ");
    }
    EXPECT_EQ(sentLines, 2);
    EXPECT_EQ(receivedLines, 4);
    // Each open starts tracking anew.
    EXPECT_EQ(count(log, "------:Packet Fall :01"), 2);
    // The size-error text carries its own line end and a blank.
    EXPECT_EQ(count(log, "------:E01 ( Err ) Uncompress size error 4 != 7"), 2);
    EXPECT_EQ(count(log, " "), 2);

    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "------:E00 ( Err ) TRX.DLL - DLL UNLOAD.");
    EXPECT_EQ(log.back(), "**********Log Close**********");
}

TEST_F(LogSession, OtherModesUseTheLoadTimeInTheName) {
    ASSERT_EQ(run("stamped"), 0);
    const auto names = logFiles();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(isStampedLogName(names[0])) << names[0];
}

TEST_F(LogSession, AMissingPortIsReportedWithTheSystemText) {
    ASSERT_EQ(run("missing"), 0);
    const auto log = lines("COMMU.LOG");
    EXPECT_EQ(count(log, "------:E02 ( Err ) (GetLastError = 000002) CreateFile No such file or directory"),
              1);
    EXPECT_EQ(log.back(), "**********Log Close**********");
}

// The log is a FIFO of 4096 bytes whose reader pauses: the log writer blocks,
// the ring fills up and MessageSend calls wait a second each for a free
// entry and lose it. Once the reader reads again, the log goes on, and the
// unload (dlclose) writes its two closing lines behind everything else.
TEST_F(LogSession, AFifoReaderThatPausedGetsEveryAcceptedLineAndTheClosingLines) {
    ASSERT_EQ(run("resume", "trx_log_fifo_scenario"), 0);
    const std::vector<looped_log::Call> calls = looped_log::parseCalls(content("fifo-calls.txt"));
    bool whole = false;
    const std::vector<std::string> log = looped_log::splitLines(content("fifo-read.log"), whole);
    EXPECT_TRUE(whole) << "every line ends with CR LF";
    EXPECT_EQ(looped_log::problemWithResumedLog(log, calls, looped_log::kMessagesAfterResume), "");
}

// The reader never reads until the library is gone. The log writer is then
// waiting for room in the pipe when the unload gives up on it; it must still
// leave, so that dlclose returns and no thread runs on in unloaded code (the
// scenario reads the pipe afterwards, which would wake such a thread). What
// was left in the ring is lost; what reached the pipe is whole lines.
TEST_F(LogSession, AFifoReaderThatNeverReadsDoesNotHoldTheUnload) {
    ASSERT_EQ(run("never", "trx_log_fifo_scenario"), 0);
    const std::vector<looped_log::Call> calls = looped_log::parseCalls(content("fifo-calls.txt"));
    bool whole = false;
    const std::vector<std::string> log = looped_log::splitLines(content("fifo-read.log"), whole);
    EXPECT_TRUE(whole) << "every line ends with CR LF";
    EXPECT_EQ(looped_log::problemWithUnfinishedLog(log, calls), "");
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back(), "**********Log Close**********") << "the pipe never had room for it";
}

TEST_F(LogSession, TheLogFolderVariableMovesTheLogAndAnEmptyOneLeavesItBesideTheProgram) {
    // Two programs started from one folder, each told a folder of its own, keep two logs.
    const fs::path first = folder / "console-1";
    const fs::path second = folder / "console-2";
    fs::create_directories(first);
    fs::create_directories(second);
    addedEnvironment = {"TRX_LOG_DIR=" + first.string()};
    ASSERT_EQ(run("missing"), 0);
    addedEnvironment = {"TRX_LOG_DIR=" + second.string()};
    ASSERT_EQ(run("fixed"), 0);
    EXPECT_TRUE(logFiles().empty()) << "nothing beside the program";
    ASSERT_EQ(logFilesIn(first), (std::vector<std::string>{"COMMU.LOG"}));
    ASSERT_EQ(logFilesIn(second), (std::vector<std::string>{"COMMU.LOG"}));
    EXPECT_EQ(count(linesOf(first / "COMMU.LOG"),
                    "------:E02 ( Err ) (GetLastError = 000002) CreateFile No such file or directory"),
              1);
    EXPECT_EQ(count(linesOf(second / "COMMU.LOG"), "------:E00 ( Err ) TRX.DLL - Tx Thread Destroy Success."),
              2);

    // A folder that is not there: no log at all, and the interface works as without one.
    addedEnvironment = {"TRX_LOG_DIR=" + (folder / "no-such-folder").string()};
    ASSERT_EQ(run("missing"), 0);
    EXPECT_TRUE(logFiles().empty());
    EXPECT_FALSE(fs::exists(folder / "no-such-folder"));

    // Set but empty: the program's folder, as without the variable.
    addedEnvironment = {"TRX_LOG_DIR="};
    ASSERT_EQ(run("missing"), 0);
    EXPECT_EQ(logFiles(), (std::vector<std::string>{"COMMU.LOG"}));
}

TEST_F(LogSession, ThePortNoticesOfANetworkPortNameItsUrl) {
    const std::string refused = "rfc2217://127.0.0.1:" + std::to_string(platform::unusedLoopbackPort());
    ASSERT_EQ(run("network-refused", "trx_log_scenario", std::chrono::seconds(30), refused), 0);
    const auto log = lines("COMMU.LOG");
    EXPECT_EQ(count(log, "------:E02 ( Err ) (GetLastError = 000111) CreateFile " + refused +
                             ": connection refused"),
              1)
        << ::testing::PrintToString(log);
    fs::remove(folder / "COMMU.LOG");

    // A raw TCP port takes no line settings: the log says what the interface needs.
    platform::LoopbackListener server;
    ASSERT_TRUE(server.listen());
    const std::string raw = "socket://127.0.0.1:" + std::to_string(server.port());
    ASSERT_EQ(run("network-open", "trx_log_scenario", std::chrono::seconds(30), raw), 0);
    const auto opened = lines("COMMU.LOG");
    EXPECT_EQ(
        count(opened, "------:E01 ( Err ) " + raw +
                          " carries bytes only: the line stays as the server sets it, and this interface "
                          "needs 115200 baud 8N2 with DTR and RTS on"),
        1)
        << ::testing::PrintToString(opened);
}
