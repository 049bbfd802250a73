#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <random>
#include <string>

#include "platform/SerialPort.h"
#include "platform/testing/PseudoTerminal.h"

namespace {

namespace fs = std::filesystem;

class PseudoTerminalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const platform::Result<void> opened = terminal.open();
        ASSERT_TRUE(opened) << opened.error().text();
    }

    bool openClient(platform::LineSettings settings = {}) {
        return client.open(terminal.slavePath()) && client.configure(settings);
    }

    platform::PseudoTerminal terminal;
    platform::SerialPort client;
};

TEST_F(PseudoTerminalTest, BytesTravelUnchangedBothWays) {
    ASSERT_TRUE(fs::exists(terminal.slavePath()));
    ASSERT_TRUE(openClient());
    // Bytes a cooked terminal would change: CR, LF, XON/XOFF, DEL, NUL, ^C.
    const std::array<std::uint8_t, 9> bytes{0x0D, 0x0A, 0x11, 0x13, 0x7F, 0x00, 0x03, 0xD0, 0xFF};
    ASSERT_TRUE(client.writeAll(bytes, 1000));
    std::array<std::uint8_t, 64> received{};
    std::size_t total = 0;
    while (total < bytes.size()) {
        const platform::Result<std::size_t> count =
            terminal.readSome(received.data() + total, received.size() - total, 1000);
        ASSERT_TRUE(count) << count.error().text();
        ASSERT_GT(*count, 0u);
        total += *count;
    }
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), received.begin()));

    ASSERT_TRUE(terminal.writeAll(bytes.data(), bytes.size()));
    std::array<std::uint8_t, 64> back{};
    total = 0;
    while (total < bytes.size() && client.waitReadable(1000) == platform::WaitResult::Ready) {
        const platform::Result<std::size_t> count =
            client.read(std::span<std::uint8_t>(back.data() + total, back.size() - total));
        ASSERT_TRUE(count) << count.error().text();
        ASSERT_GT(*count, 0u);
        total += *count;
    }
    ASSERT_EQ(total, bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), back.begin()));
}

TEST_F(PseudoTerminalTest, AClientThatComesAndGoesLeavesNoHangUp) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(openClient());
        const std::uint8_t byte = static_cast<std::uint8_t>(round);
        ASSERT_TRUE(client.writeAll(std::span<const std::uint8_t>(&byte, 1), 1000));
        client.close();
        std::uint8_t received = 0xAA;
        EXPECT_TRUE(terminal.readSome(&received, 1, 1000) == 1u);
        EXPECT_EQ(received, byte);
        // With no client at all, waiting is quiet rather than a failure.
        EXPECT_TRUE(terminal.readSome(&received, 1, 20) == 0u);
    }
}

TEST_F(PseudoTerminalTest, BitsPerByteFollowTheClientsLineSettings) {
    platform::LineSettings settings;
    settings.stopBits = platform::StopBits::One;
    ASSERT_TRUE(openClient(settings));
    EXPECT_EQ(terminal.bitsPerByte(), 10);
    settings.stopBits = platform::StopBits::Two;
    ASSERT_TRUE(client.configure(settings));
    EXPECT_EQ(terminal.bitsPerByte(), 11);
    settings.dataBits = 7;
    settings.parity = platform::Parity::Even;
    settings.stopBits = platform::StopBits::One;
    ASSERT_TRUE(client.configure(settings));
    EXPECT_EQ(terminal.bitsPerByte(), 10);
}

TEST_F(PseudoTerminalTest, TheLinkPointsAtTheSlaveUntilClosed) {
    const fs::path link =
        fs::temp_directory_path() / ("qx7a-pty-link-" + std::to_string(std::random_device{}()));
    fs::remove(link);
    {
        // An old file at the place is replaced.
        std::FILE* stale = std::fopen(link.c_str(), "w");
        ASSERT_NE(stale, nullptr);
        std::fclose(stale);
    }
    const platform::Result<void> linked = terminal.createLink(link.string());
    ASSERT_TRUE(linked) << linked.error().text();
    EXPECT_EQ(fs::read_symlink(link).string(), terminal.slavePath());
    terminal.close();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(terminal.createLink(link.string()).error().text(), "not open");
}

TEST_F(PseudoTerminalTest, AFailedLinkNamesItsStepBeforeTheSystemsText) {
    const fs::path nowhere = fs::temp_directory_path() / "qx7a-pty-no-such-folder" / "link";
    const platform::Result<void> linked = terminal.createLink(nowhere.string());
    ASSERT_FALSE(linked);
    EXPECT_EQ(linked.error().code(), ENOENT);
    EXPECT_EQ(linked.error().text(), "symlink: No such file or directory");
}

TEST_F(PseudoTerminalTest, MovedTerminalKeepsItsLine) {
    const std::string path = terminal.slavePath();
    platform::PseudoTerminal moved(std::move(terminal));
    EXPECT_FALSE(terminal.isOpen());
    ASSERT_TRUE(moved.isOpen());
    EXPECT_EQ(moved.slavePath(), path);
    ASSERT_TRUE(client.open(path));
    const std::uint8_t byte = 0x42;
    ASSERT_TRUE(client.writeAll(std::span<const std::uint8_t>(&byte, 1), 1000));
    std::uint8_t received = 0;
    EXPECT_TRUE(moved.readSome(&received, 1, 1000) == 1u);
    EXPECT_EQ(received, 0x42);
}

}  // namespace
