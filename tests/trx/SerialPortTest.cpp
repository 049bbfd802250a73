#include "platform/SerialPort.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "PtyPeer.h"

using platform::SerialPort;

TEST(SerialPort, MissingDevicesAndNonTerminalsFailWithTheSystemsReason) {
    SerialPort port;
    const platform::Result<void> missing = port.open("/dev/trx-no-such-port");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code(), ENOENT);
    EXPECT_TRUE(missing.error().isNotFound());
    EXPECT_EQ(missing.error().text(), "No such file or directory");
    const platform::Result<void> notATerminal = port.open("/dev/null");
    ASSERT_FALSE(notATerminal);
    EXPECT_EQ(notATerminal.error().code(), ENOTTY);
    EXPECT_FALSE(port.isOpen());

    // Every call on a port that is not open fails the same way.
    std::uint8_t buffer[4];
    const platform::Result<std::size_t> read = port.read(buffer);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().code(), EBADF);
    EXPECT_EQ(port.write(buffer).error().code(), EBADF);
    EXPECT_EQ(port.writeAll(buffer, 10).error().code(), EBADF);
    EXPECT_EQ(port.waitReadable(10).error().code(), EBADF);
    EXPECT_EQ(port.configure({}).error().code(), EBADF);
    EXPECT_EQ(port.setModemLine(platform::ModemLine::Dtr, true).error().code(), EBADF);
    EXPECT_EQ(port.errorCounters().error().code(), EBADF);
    EXPECT_EQ(port.drain().error().code(), EBADF);
}

TEST(SerialPort, RawLineCarriesEveryByteBothWays) {
    PtyPeer peer;
    SerialPort port;
    ASSERT_TRUE(port.open(peer.slavePath()));
    ASSERT_TRUE(port.configure({115200, 8, platform::Parity::None, platform::StopBits::One}));
    std::vector<std::uint8_t> all(256);
    for (int value = 0; value < 256; ++value) {
        all[static_cast<std::size_t>(value)] = static_cast<std::uint8_t>(value);
    }
    ASSERT_TRUE(port.writeAll(all, 1000));
    ASSERT_TRUE(port.drain());
    EXPECT_EQ(peer.drain(100), all) << "XON, XOFF, CR and the rest pass untouched";

    EXPECT_TRUE(port.waitReadable(20) == platform::WaitResult::TimedOut);
    peer.write(all);
    std::vector<std::uint8_t> received;
    std::uint8_t buffer[64];
    while (received.size() < all.size() && port.waitReadable(500) == platform::WaitResult::Ready) {
        const platform::Result<std::size_t> count = port.read(buffer);
        ASSERT_TRUE(count) << count.error().text();
        received.insert(received.end(), buffer, buffer + *count);
    }
    EXPECT_EQ(received, all);
    EXPECT_TRUE(port.read(buffer) == 0u) << "nothing waiting: a non-blocking read gives 0";
}

TEST(SerialPort, LineSettingsAnyBaudAndRestoreAtClose) {
    PtyPeer peer;
    termios before{};
    ASSERT_EQ(::tcgetattr(peer.masterFd(), &before), 0);
    SerialPort port;
    ASSERT_TRUE(port.open(peer.slavePath()));
    ASSERT_TRUE(port.configure({9600, 7, platform::Parity::Even, platform::StopBits::Two}));
    termios line{};
    ASSERT_EQ(::tcgetattr(peer.masterFd(), &line), 0);
    // A pseudo-terminal always keeps 8 bits without parity; stop bits and speed it keeps.
    EXPECT_TRUE(line.c_cflag & CSTOPB);
    EXPECT_EQ(::cfgetospeed(&line), speed_t{B9600});
    // A rate without a standard code goes through the kernel's plain-number interface.
    ASSERT_TRUE(port.setBaudRate(31250));
    ASSERT_EQ(::tcgetattr(peer.masterFd(), &line), 0);
    constexpr tcflag_t kOtherRate = 0010000;  // the kernel's BOTHER
    EXPECT_EQ(line.c_cflag & CBAUD, kOtherRate);
    EXPECT_EQ(port.setBaudRate(0).error().code(), EINVAL);
    ASSERT_TRUE(port.setBaudRate(38400));
    ASSERT_EQ(::tcgetattr(peer.masterFd(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), speed_t{B38400});

    EXPECT_TRUE(port.flush(platform::FlushDirection::Both));
    EXPECT_TRUE(port.flush(platform::FlushDirection::Input));
    EXPECT_TRUE(port.flush(platform::FlushDirection::Output));
    port.close();
    termios after{};
    ASSERT_EQ(::tcgetattr(peer.masterFd(), &after), 0);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
}

TEST(SerialPort, AFlushAfterACompletedDrainKeepsWhatWasSentAndStillDropsInput) {
    PtyPeer peer;
    SerialPort port;
    ASSERT_TRUE(port.open(peer.slavePath()));
    ASSERT_TRUE(port.configure({115200, 8, platform::Parity::None, platform::StopBits::One}));
    // A close sends its last frame, drains and purges at once; on a
    // pseudo-terminal the purge used to catch the frame on its way across.
    std::vector<std::uint8_t> sent;
    for (int round = 0; round < 1000; ++round) {
        const std::vector<std::uint8_t> frame(10, static_cast<std::uint8_t>(round));
        ASSERT_TRUE(port.writeAll(frame, 1000));
        ASSERT_TRUE(port.drain());
        ASSERT_TRUE(port.flush(platform::FlushDirection::Both));
        sent.insert(sent.end(), frame.begin(), frame.end());
        // Each close and open is a fresh chance to lose the frame in transit.
        port.close();
        ASSERT_TRUE(port.open(peer.slavePath()));
        ASSERT_TRUE(port.configure({115200, 8, platform::Parity::None, platform::StopBits::One}));
    }
    EXPECT_EQ(peer.drain(100), sent);

    const std::vector<std::uint8_t> stale{1, 2, 3};
    peer.write(stale);
    ASSERT_TRUE(port.waitReadable(500) == platform::WaitResult::Ready);
    ASSERT_TRUE(port.flush(platform::FlushDirection::Both));
    std::uint8_t buffer[8];
    EXPECT_TRUE(port.read(buffer) == 0u) << "received bytes are still discarded";
}

TEST(SerialPort, PtyHasNoModemLinesCountersOrDriverInfo) {
    PtyPeer peer;
    SerialPort port;
    ASSERT_TRUE(port.open(peer.slavePath()));
    ASSERT_TRUE(port.configure({}));
    EXPECT_TRUE(port.setModemLine(platform::ModemLine::Rts, true) == platform::LineControl::Unsupported);
    const platform::Result<platform::LineErrorCounters> counters = port.errorCounters();
    ASSERT_FALSE(counters);
    EXPECT_TRUE(counters.error().notSupportedByDevice()) << counters.error().text();
    EXPECT_FALSE(port.driverInfo());
    EXPECT_FALSE(port.requestLowLatency());
    // What a tty cannot tell stays 0; the answer itself does not fail.
    const platform::Result<platform::SerialDriverProperties> properties = port.driverProperties();
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->maxBaud, 0u);
    EXPECT_EQ(port.inputQueued(), 0u);
    peer.write(std::vector<std::uint8_t>{1, 2, 3});
    ASSERT_TRUE(port.waitReadable(500) == platform::WaitResult::Ready);
    EXPECT_EQ(port.inputQueued(), 3u);
}

TEST(SerialPort, OneHolderAtATimeAndOwnershipMoves) {
    PtyPeer peer;
    SerialPort first;
    ASSERT_TRUE(first.open(peer.slavePath()));
    SerialPort second;
    EXPECT_EQ(second.open(peer.slavePath()).error().code(), EBUSY);

    SerialPort moved(std::move(first));
    EXPECT_FALSE(first.isOpen());
    EXPECT_TRUE(moved.isOpen());
    SerialPort assigned;
    assigned = std::move(moved);
    EXPECT_TRUE(assigned.isOpen());
    EXPECT_FALSE(second.open(peer.slavePath()));
    assigned.close();
    EXPECT_TRUE(second.open(peer.slavePath())) << "close gives the device back";
}

TEST(SerialPort, CancelWaitsEndsAPendingWaitAndEveryLaterOneUntilReopened) {
    PtyPeer peer;
    SerialPort port;
    ASSERT_TRUE(port.open(peer.slavePath()));
    std::atomic<bool> waiting{false};
    platform::Result<platform::WaitResult> seen = platform::WaitResult::Ready;
    const auto started = std::chrono::steady_clock::now();
    std::thread reader([&] {
        waiting = true;
        seen = port.waitReadable(30000);
    });
    while (!waiting.load()) {
        std::this_thread::yield();
    }
    port.cancelWaits();
    reader.join();
    EXPECT_TRUE(seen == platform::WaitResult::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10))
        << "the wait ended long before its own limit";
    EXPECT_TRUE(port.waitReadable(30000) == platform::WaitResult::Cancelled);
    EXPECT_TRUE(port.waitWritable(30000) == platform::WaitResult::Cancelled);
    const platform::Result<void> cancelled = port.writeAll(std::vector<std::uint8_t>(1 << 20, 0x55), 30000);
    EXPECT_EQ(cancelled.error().code(), ECANCELED) << "a write that must wait for room ends too";

    port.close();
    ASSERT_TRUE(port.open(peer.slavePath()));
    EXPECT_TRUE(port.waitReadable(10) == platform::WaitResult::TimedOut) << "a new open waits again";
}
