// The network line of the serial port against the tests' own server, which
// records every com-port command: the line each path sets up, the data both
// ways, and the faults.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "ComPortTestServer.h"
#include "engine/DirectPort.h"
#include "platform/SerialPort.h"
#include "platform/testing/LoopbackSocket.h"
#include "trx.h"

namespace {

using nettest::ComPortTestServer;
using nettest::RecordedCommand;
using nettest::ServerBehaviour;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// The commands as a client sends them.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kSetControl = 5;
constexpr std::uint8_t kPurgeData = 12;

RecordedCommand baud(std::uint32_t rate) {
    return {
        kSetBaudRate,
        {std::uint8_t(rate >> 24), std::uint8_t(rate >> 16), std::uint8_t(rate >> 8), std::uint8_t(rate)}};
}

// The line settings of one set-up: rate, 8 data bits, no parity, stop bits,
// no flow control.
std::vector<RecordedCommand> lineOf(std::uint32_t rate, std::uint8_t stopBits) {
    return {
        baud(rate), {kSetDataSize, {8}}, {kSetParity, {1}}, {kSetStopSize, {stopBits}}, {kSetControl, {1}}};
}

std::string describe(const std::vector<RecordedCommand>& commands) {
    std::string text;
    for (const RecordedCommand& command : commands) {
        text += std::to_string(command.command) + ":";
        for (const std::uint8_t byte : command.value) {
            text += " " + std::to_string(byte);
        }
        text += "; ";
    }
    return text;
}

// Reads what the far end sends back until count bytes came or a second passed.
Bytes readBack(platform::SerialPort& port, std::size_t count) {
    Bytes received;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    std::uint8_t buffer[512];
    while (received.size() < count && Clock::now() < deadline) {
        if (port.waitReadable(100) != platform::WaitResult::Ready) {
            continue;
        }
        const platform::Result<std::size_t> got = port.read(buffer);
        if (!got) {
            break;
        }
        received.insert(received.end(), buffer, buffer + *got);
    }
    return received;
}

Bytes everyByteValue() {
    Bytes bytes(256);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i);
    }
    bytes.insert(bytes.end(), {0xFF, 0xFF, 13, 0, 13, 10});
    return bytes;
}

TEST(NetworkLine, OverRfc2217TheLineSettingsAndSignalsReachTheServerAndEveryByteTravels) {
    for (const ServerBehaviour behaviour :
         {ServerBehaviour::ComPort, ServerBehaviour::ComPortWithStrayCommands}) {
        ComPortTestServer server(behaviour);
        ASSERT_TRUE(server.start());
        platform::SerialPort port;
        const platform::Result<void> opened = port.open(server.url());
        ASSERT_TRUE(opened) << opened.error().text();
        EXPECT_TRUE(port.isOpen());
        platform::LineSettings line;
        line.baudRate = 57600;
        line.stopBits = platform::StopBits::Two;
        ASSERT_TRUE(port.configure(line));
        EXPECT_EQ(port.setModemLine(platform::ModemLine::Dtr, true), platform::LineControl::Done);
        EXPECT_EQ(port.setModemLine(platform::ModemLine::Rts, false), platform::LineControl::Done);
        ASSERT_TRUE(server.waitForCommands(7, 2000)) << describe(server.commands());
        std::vector<RecordedCommand> expected = lineOf(57600, 2);
        expected.push_back({kSetControl, {8}});
        expected.push_back({kSetControl, {12}});
        EXPECT_EQ(server.commands(), expected) << describe(server.commands());

        // Every byte value there and back, 255 and CR NUL included; the
        // server's stray commands never show as data.
        const Bytes data = everyByteValue();
        ASSERT_TRUE(port.writeAll(data, 1000));
        EXPECT_EQ(readBack(port, data.size()), data);
        EXPECT_EQ(server.data(), data);
    }
}

TEST(NetworkLine, OverRawTcpOnlyTheBytesTravel) {
    ComPortTestServer server(ServerBehaviour::RawEcho);
    ASSERT_TRUE(server.start());
    platform::SerialPort port;
    ASSERT_TRUE(port.open(server.url("socket")));
    platform::LineSettings line;
    line.baudRate = 38400;
    EXPECT_TRUE(port.configure(line));
    EXPECT_EQ(port.setModemLine(platform::ModemLine::Dtr, true), platform::LineControl::Unsupported);
    EXPECT_TRUE(port.flush(platform::FlushDirection::Both));
    const Bytes data = everyByteValue();
    ASSERT_TRUE(port.writeAll(data, 1000));
    EXPECT_EQ(readBack(port, data.size()), data);
    // Not one telnet byte went out.
    EXPECT_EQ(server.data(), data);
}

TEST(NetworkLine, FaultsOfTheServerGiveErrorsThatNameThePort) {
    // Refused.
    const std::string refused = "rfc2217://127.0.0.1:" + std::to_string(platform::unusedLoopbackPort());
    platform::SerialPort port;
    const platform::Result<void> refusedOpen = port.open(refused);
    ASSERT_FALSE(refusedOpen);
    EXPECT_EQ(refusedOpen.error().text(), refused + ": connection refused");
    EXPECT_FALSE(port.isOpen());

    // Never takes up the com-port option, or refuses it: bounded, and told apart from a raw port.
    for (const ServerBehaviour behaviour :
         {ServerBehaviour::NeverNegotiates, ServerBehaviour::RefusesComPort}) {
        ComPortTestServer silent(behaviour);
        ASSERT_TRUE(silent.start());
        const auto started = Clock::now();
        const platform::Result<void> opened = port.open(silent.url());
        EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
        ASSERT_FALSE(opened);
        EXPECT_EQ(opened.error().text(), silent.url() + ": does not speak RFC 2217; for a raw TCP port use socket://");
    }

    // Closed in the middle of a write: the reads and waits say so, never a hang.
    ComPortTestServer leaving(ServerBehaviour::ComPort);
    leaving.closeAfterDataBytes(64);
    ASSERT_TRUE(leaving.start());
    ASSERT_TRUE(port.open(leaving.url()));
    ASSERT_TRUE(port.writeAll(Bytes(64, 0x55), 1000));
    std::uint8_t buffer[64];
    platform::Result<std::size_t> got = std::size_t{0};
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (got && Clock::now() < deadline) {
        port.waitReadable(100);
        got = port.read(buffer);
    }
    ASSERT_FALSE(got);
    EXPECT_EQ(got.error().text(), leaving.url() + ": connection closed by the server");
    EXPECT_EQ(port.waitReadable(1000), platform::WaitResult::HungUp);
    const platform::Result<std::size_t> written = port.write(Bytes{1, 2, 3});
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().text(), leaving.url() + ": connection closed by the server");
}

TEST(NetworkLine, CancelWaitsEndsAPendingWaitAtOnce) {
    ComPortTestServer server(ServerBehaviour::ComPort);
    ASSERT_TRUE(server.start());
    platform::SerialPort port;
    ASSERT_TRUE(port.open(server.url()));
    std::thread canceller([&port] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        port.cancelWaits();
    });
    const auto started = Clock::now();
    EXPECT_EQ(port.waitReadable(10000), platform::WaitResult::Cancelled);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
    canceller.join();
}

TEST(NetworkLine, TrxSetsTheConsoleLineBaudRate8N2WithDtrAndRtsOn) {
    ComPortTestServer server(ServerBehaviour::ComPort);
    ASSERT_TRUE(server.start());
    ASSERT_EQ(InitInterface(server.url().c_str(), 200, 115200, 0, 0, 0), 0);
    ASSERT_TRUE(server.waitForCommands(8, 3000)) << describe(server.commands());
    CloseInterface();
    // The line, the stale input dropped, DTR and RTS on; at the close what
    // waits on the server is dropped again.
    std::vector<RecordedCommand> setUp = lineOf(115200, 2);
    setUp.push_back({kPurgeData, {1}});
    setUp.push_back({kSetControl, {8}});
    setUp.push_back({kSetControl, {11}});
    const std::vector<RecordedCommand> commands = server.commands();
    ASSERT_GE(commands.size(), setUp.size() + 1) << describe(commands);
    EXPECT_EQ(std::vector<RecordedCommand>(commands.begin(), commands.begin() + 8), setUp)
        << describe(commands);
    EXPECT_EQ(commands.back().command, kPurgeData) << describe(commands);
    EXPECT_EQ(server.connections(), 1);

    // A refused port: InitInterface says so, and closing after it is harmless.
    const std::string refused = "rfc2217://127.0.0.1:" + std::to_string(platform::unusedLoopbackPort());
    EXPECT_EQ(InitInterface(refused.c_str(), 200, 115200, 0, 0, 0), 1);
    CloseInterface();
}

TEST(NetworkLine, TheDirectPathSets38400_8N1AndKeepsOneConnectionForTheOperation) {
    ComPortTestServer server(ServerBehaviour::ComPort);
    ASSERT_TRUE(server.start());
    engine::DirectPort port;
    for (int exchange = 0; exchange < 3; ++exchange) {
        ASSERT_TRUE(port.open(server.url()));
        ASSERT_TRUE(port.write(Bytes{0x03, 0x00, 0x00, 0xFF}));
        std::uint8_t echoed = 0;
        EXPECT_TRUE(port.readByte(echoed, 1000));
        EXPECT_EQ(echoed, 0x03);
        port.close();
        EXPECT_FALSE(port.isOpen());
    }
    // Every open set the line up again on the one connection.
    const std::vector<RecordedCommand> commands = server.commands();
    std::vector<RecordedCommand> setUp = lineOf(38400, 1);
    setUp.push_back({kPurgeData, {1}});
    setUp.push_back({kSetControl, {8}});
    setUp.push_back({kSetControl, {11}});
    std::size_t setUps = 0;
    for (auto at = commands.begin();
         (at = std::search(at, commands.end(), setUp.begin(), setUp.end())) != commands.end(); ++at) {
        ++setUps;
    }
    EXPECT_EQ(setUps, 3u) << describe(commands);
    EXPECT_EQ(server.connections(), 1);

    // The end of the operation ends the connection; the next one connects anew.
    port.endConnection();
    ASSERT_TRUE(port.open(server.url()));
    port.endConnection();
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (server.connections() < 2 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(server.connections(), 2);
}

}  // namespace
