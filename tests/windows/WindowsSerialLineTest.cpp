// The Win32 serial port on a COM port whose far end (wine-line-peer) sends
// back every byte it receives.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <numeric>
#include <vector>

#include "LineUnderTest.h"
#include "platform/SerialPort.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// Passes for a success; a failure shows the system's code and text.
template <typename T>
::testing::AssertionResult succeeded(const platform::Result<T>& result) {
    if (result)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "error " << result.error().code() << ": " << result.error().text();
}

platform::LineSettings interfaceSettings() {
    platform::LineSettings settings;
    settings.baudRate = 38400;
    settings.dataBits = 8;
    settings.parity = platform::Parity::None;
    settings.stopBits = platform::StopBits::Two;
    settings.abortOnError = true;
    settings.eventCharacter = 0xD1;
    return settings;
}

// Reads until `count` bytes came or the line stayed silent for a second.
Bytes readBytes(platform::SerialPort& port, std::size_t count) {
    Bytes received;
    std::uint8_t buffer[512];
    while (received.size() < count) {
        if (port.waitReadable(1000) != platform::WaitResult::Ready)
            break;
        const platform::Result<std::size_t> got = port.read(buffer);
        if (!got)
            break;
        received.insert(received.end(), buffer, buffer + *got);
    }
    return received;
}

// The line state as another handle of the same device sees it (wine lets a
// second handle open the port; the settings belong to the device).
DCB lineStateSeenFromOutside(const std::string& portName) {
    const std::wstring path = L"\\\\.\\" + std::wstring(portName.begin(), portName.end());
    const HANDLE other =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DCB state{};
    state.DCBlength = sizeof(state);
    EXPECT_NE(other, INVALID_HANDLE_VALUE) << ::GetLastError();
    if (other != INVALID_HANDLE_VALUE) {
        EXPECT_TRUE(::GetCommState(other, &state)) << ::GetLastError();
        ::CloseHandle(other);
    }
    return state;
}

}  // namespace

TEST(WindowsSerialLine, EveryByteValueComesBackUnchanged) {
    REQUIRE_LINE_UNDER_TEST();
    platform::SerialPort port;
    ASSERT_TRUE(succeeded(port.open(lineUnderTest())));
    ASSERT_TRUE(succeeded(port.setDriverQueues(40960, 40960)));
    ASSERT_TRUE(succeeded(port.configure(interfaceSettings())));
    ASSERT_TRUE(port.flush(platform::FlushDirection::Input));

    // Every value twice: XON/XOFF (0x11, 0x13), NUL and the frame markers
    // (0xD0, 0xD1) must pass like any other byte.
    Bytes sent(512);
    std::iota(sent.begin(), sent.begin() + 256, 0);
    std::iota(sent.begin() + 256, sent.end(), 0);
    ASSERT_TRUE(succeeded(port.writeAll(sent, 2000)));
    EXPECT_EQ(readBytes(port, sent.size()), sent);
    EXPECT_EQ(port.inputQueued(), 0u);
}

TEST(WindowsSerialLine, TheLineIsSetUpForTheConsoleAndGivenBackAtClose) {
    REQUIRE_LINE_UNDER_TEST();
    const DCB before = lineStateSeenFromOutside(lineUnderTest());
    platform::SerialPort port;
    ASSERT_TRUE(succeeded(port.open(lineUnderTest())));
    ASSERT_TRUE(succeeded(port.configure(interfaceSettings())));
    const DCB configured = lineStateSeenFromOutside(lineUnderTest());
    EXPECT_EQ(configured.BaudRate, 38400u);
    EXPECT_EQ(configured.ByteSize, 8);
    EXPECT_EQ(configured.Parity, NOPARITY);
    EXPECT_EQ(configured.StopBits, TWOSTOPBITS);
    EXPECT_FALSE(configured.fOutxCtsFlow);
    EXPECT_FALSE(configured.fOutX);
    EXPECT_FALSE(configured.fInX);
    EXPECT_NE(configured.fRtsControl, RTS_CONTROL_HANDSHAKE);

    platform::SerialPort probe;
    ASSERT_TRUE(succeeded(probe.open(lineUnderTest())));
    const platform::Result<platform::SerialDriverProperties> properties = probe.driverProperties();
    ASSERT_TRUE(succeeded(properties));
    EXPECT_NE(properties->packetLength, 0u);
    probe.close();

    // At close the port takes the system's default configuration for its
    // name; where the system has none (wine), the settings found at open.
    port.close();
    COMMCONFIG defaults{};
    DWORD size = sizeof(defaults);
    const std::wstring name(lineUnderTest().begin(), lineUnderTest().end());
    const DCB expected = ::GetDefaultCommConfigW(name.c_str(), &defaults, &size) ? defaults.dcb : before;
    const DCB restored = lineStateSeenFromOutside(lineUnderTest());
    EXPECT_EQ(restored.BaudRate, expected.BaudRate);
    EXPECT_EQ(restored.ByteSize, expected.ByteSize);
    EXPECT_EQ(restored.Parity, expected.Parity);
    EXPECT_EQ(restored.StopBits, expected.StopBits);
    EXPECT_NE(expected.StopBits, TWOSTOPBITS) << "the test cannot tell a restored line from a configured one";
}

TEST(WindowsSerialLine, ASilentLineTimesOutAndCancellingEndsAPendingWaitAtOnce) {
    REQUIRE_LINE_UNDER_TEST();
    platform::SerialPort port;
    ASSERT_TRUE(succeeded(port.open(lineUnderTest())));
    ASSERT_TRUE(port.configure(interfaceSettings()));
    ASSERT_TRUE(port.flush(platform::FlushDirection::Input));
    EXPECT_TRUE(port.waitReadable(50) == platform::WaitResult::TimedOut);
    std::uint8_t buffer[16];
    EXPECT_TRUE(port.read(buffer) == 0u);

    // A wait far longer than the test ends as soon as another thread cancels.
    auto waiting = std::async(std::launch::async, [&port] { return port.waitReadable(60000); });
    EXPECT_EQ(waiting.wait_for(200ms), std::future_status::timeout) << "the wait ended without input";
    port.cancelWaits();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready) << "cancelWaits left the wait pending";
    EXPECT_TRUE(waiting.get() == platform::WaitResult::Cancelled);
    EXPECT_TRUE(port.waitReadable(1000) == platform::WaitResult::Cancelled);
}

TEST(WindowsSerialLine, ModemLinesThatTheDeviceLacksAreNoFailure) {
    REQUIRE_LINE_UNDER_TEST();
    platform::SerialPort port;
    ASSERT_TRUE(succeeded(port.open(lineUnderTest())));
    // A pseudo-terminal under wine has no modem lines (ERROR_NOT_SUPPORTED); a
    // real COM port sets them.
    EXPECT_TRUE(succeeded(port.setModemLine(platform::ModemLine::Dtr, true)));
    EXPECT_TRUE(succeeded(port.setModemLine(platform::ModemLine::Rts, true)));
}
