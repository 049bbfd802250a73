// TRX.DLL bound by name as the program binds it, on a COM port whose far end
// echoes every byte: the interface's own frames come back as received
// messages. The communication log (COMMU.LOG beside the program) shows the
// port set-up and the close.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "LineUnderTest.h"
#include "platform/DynamicLibrary.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/VersionResource.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kWaitMs = 200;
constexpr std::uint32_t kBaud = 38400;
constexpr std::int32_t kLogToCommuLog = 1;

// The library's exports, bound by their undecorated names.
struct TrxLibrary {
    platform::DynamicLibrary library;
    std::int32_t (*init)(const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                         std::uint32_t) = nullptr;
    void (*close)() = nullptr;
    std::int32_t (*send)(const std::uint8_t*, std::uint32_t) = nullptr;
    std::int32_t (*receive)(std::uint8_t*) = nullptr;
    std::int32_t (*productVersion)(char*) = nullptr;
    std::int32_t (*folder)(char*, std::int32_t) = nullptr;
    std::uint32_t (*sentBytes)() = nullptr;
    std::uint32_t (*receivedBytes)() = nullptr;
    std::int32_t (*loopBackMode)(std::int32_t) = nullptr;

    // Fails with the loader's reason, or that of the first export not found.
    platform::Result<void> load() {
        if (platform::Result<void> loaded = library.load("TRX.DLL", platform::executableDirectory()); !loaded)
            return loaded;
        platform::SystemError missing;
        const auto bind = [&](auto& entry, const char* name) {
            const auto found = library.function<std::remove_reference_t<decltype(entry)>>(name);
            if (found)
                entry = *found;
            else if (!missing.failed())
                missing = found.error();
        };
        bind(init, "InitInterface");
        bind(close, "CloseInterface");
        bind(send, "MessageSend");
        bind(receive, "MessageReceive");
        bind(productVersion, "GetTRXProductVer");
        bind(folder, "GetDLLFullPathName");
        bind(sentBytes, "GetTxSendBufLen");
        bind(receivedBytes, "GetRxRecvBufLen");
        bind(loopBackMode, "LoopBackModeChange");
        if (missing.failed())
            return missing;
        return {};
    }

    // Up to `attempts` waits of the interface's wait time for one message.
    Bytes receiveOne(int attempts = 25) {
        std::uint8_t buffer[512];
        for (int attempt = 0; attempt < attempts; ++attempt) {
            const std::int32_t length = receive(buffer);
            if (length > 0)
                return Bytes(buffer, buffer + length);
            if (length < 0)
                break;
        }
        return {};
    }
};

std::string logPath() {
    return platform::joinPath(platform::executableDirectory(), "COMMU.LOG");
}

// The log as the library left it at unload.
std::string logText() {
    const platform::TextFileContent content = platform::TextFile::read(logPath());
    EXPECT_TRUE(content.ok()) << content.reason();
    return content.text;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class WindowsTrx : public ::testing::Test {
  protected:
    void SetUp() override {
        std::remove(logPath().c_str());
        const platform::Result<void> loaded = trx.load();
        ASSERT_TRUE(loaded) << loaded.error().text();
    }
    // Unloading closes the log.
    void unload() { ASSERT_TRUE(trx.library.unload()); }

    TrxLibrary trx;
};

}  // namespace

TEST_F(WindowsTrx, ItsProductVersionComesFromItsVersionResource) {
    char version[65] = {};
    EXPECT_EQ(trx.productVersion(version), 1);
    EXPECT_STREQ(version, "1, 9, 0, 0");
    const std::optional<platform::VersionStrings> strings = platform::readVersionStrings(trx.library.path());
    ASSERT_TRUE(strings.has_value());
    EXPECT_EQ(strings->fileVersion, "1, 9, 0, 0");
    EXPECT_EQ(strings->productVersion, "1, 9, 0, 0");

    // The folder of the library with its trailing backslash.
    char folder[MAX_PATH] = {};
    EXPECT_EQ(trx.folder(folder, sizeof(folder)), 1);
    EXPECT_EQ(std::string(folder) + "TRX.DLL", trx.library.path());
    EXPECT_EQ(std::string(folder).back(), '\\');
}

TEST_F(WindowsTrx, AMissingPortFailsWithTheCreateFileNoticeAndTheSystemsText) {
    // Never published by the test prefix: no device behind the name.
    EXPECT_EQ(trx.init("COM254", kWaitMs, kBaud, kLogToCommuLog, 0, 0), 1);
    trx.close();
    unload();
    const std::string log = logText();
    const std::string notice = "------:E02 ( Err ) (GetLastError = 00000";
    const std::size_t at = log.find(notice);
    ASSERT_NE(at, std::string::npos) << log;
    const std::string line = log.substr(at, log.find('\n', at) - at);
    EXPECT_TRUE(contains(line, ") CreateFile ")) << line;
    // The system's own text follows the name.
    EXPECT_GT(line.size(), line.find("CreateFile ") + 12) << line;
    EXPECT_FALSE(contains(log, "Thread Destroy")) << "no thread was started";
}

TEST_F(WindowsTrx, MessagesGoOutAndComeBackThroughTheComPort) {
    REQUIRE_LINE_UNDER_TEST();
    ASSERT_EQ(trx.init(lineUnderTest().c_str(), kWaitMs, kBaud, kLogToCommuLog, 0, 0), 0);
    // Every message is received, as the program sets it up at start.
    trx.loopBackMode(0);
    while (!trx.receiveOne(1).empty()) {
    }
    const std::vector<Bytes> messages = {{0x03, 0x41, 0x42, 0x43}, {0x02, 0x10, 0x11}, {0x01, 0x13}};
    for (const Bytes& message : messages) {
        ASSERT_EQ(trx.send(message.data(), static_cast<std::uint32_t>(message.size())), 1);
        EXPECT_EQ(trx.receiveOne(), message);
    }
    EXPECT_GT(trx.sentBytes(), 0u);
    EXPECT_EQ(trx.receivedBytes(), trx.sentBytes()) << "every byte sent came back";
    trx.close();
    unload();

    const std::string log = logText();
    EXPECT_TRUE(contains(log, "\n**********Serial Driver Comm Properties**********")) << log;
    EXPECT_TRUE(contains(log, "  ServiceMask = 1\r\n")) << log;
    EXPECT_TRUE(contains(log, "  ProvChar = ")) << log;
    // Closing ended the receive thread's pending wait at once.
    EXPECT_TRUE(contains(log, "TRX.DLL - Tx Thread Destroy Success.")) << log;
    EXPECT_TRUE(contains(log, "TRX.DLL - Rx Thread Destroy Success.")) << log;
    EXPECT_FALSE(contains(log, "Destroy Failed")) << log;
    EXPECT_TRUE(contains(log, "TRX.DLL - End of CloseInterFace Function.")) << log;
    // No driver call of the set-up or of the threads failed.
    EXPECT_FALSE(contains(log, "(GetLastError = ")) << log;
}

// Every unload of the library finishes and leaves the whole log behind,
// whatever its threads were doing: each round gives them a different moment.
// Half the rounds use the line and half fail at a missing port; in half of
// each, the library is unloaded with the interface still open. Loading the
// library again after its port was used must work as well.
TEST_F(WindowsTrx, EveryUnloadFinishesAndLeavesTheWholeLog) {
    REQUIRE_LINE_UNDER_TEST();
    constexpr int kRounds = 16;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        if (round > 0) {
            std::remove(logPath().c_str());
            const platform::Result<void> loaded = trx.load();
            ASSERT_TRUE(loaded) << loaded.error().text();
        }
        const bool onTheLine = round % 2 == 0;
        const std::string port = onTheLine ? lineUnderTest() : std::string("COM254");
        ASSERT_EQ(trx.init(port.c_str(), kWaitMs, kBaud, kLogToCommuLog, 0, 0), onTheLine ? 0 : 1);
        if (onTheLine) {
            trx.loopBackMode(0);
            const Bytes message = {0x02, 0x20, static_cast<std::uint8_t>(round)};
            ASSERT_EQ(trx.send(message.data(), static_cast<std::uint32_t>(message.size())), 1);
            EXPECT_EQ(trx.receiveOne(), message);
        }
        if (round % 4 < 2)
            trx.close();
        unload();

        const std::string log = logText();
        EXPECT_TRUE(contains(log, "TRX.DLL - DLL UNLOAD.")) << log;
        EXPECT_TRUE(contains(log, "**********Log Close**********")) << log;
        EXPECT_FALSE(contains(log, "Destroy Failed")) << log;
    }
}
