#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>

#include "ScriptedHost.h"
#include "SimProcess.h"
#include "data/FlashImage.h"
#include "platform/SerialPort.h"

namespace simtest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kDemoConsole = QX7A_DEMO_ROOT "/console.json";

fs::path scratchFolder(const std::string& name) {
    const fs::path folder =
        fs::temp_directory_path() / ("qx7a-sim-test-" + name + "-" + std::to_string(std::random_device{}()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// The program's end of the line: a real serial port object on the pty.
class Line : public trx::frame::FrameSink {
  public:
    bool open(const std::string& path, platform::StopBits stopBits = platform::StopBits::Two) {
        platform::LineSettings settings;
        settings.baudRate = 115200;
        settings.stopBits = stopBits;
        return port_.open(path) && port_.configure(settings) && port_.flush(platform::FlushDirection::Both);
    }
    void close() { port_.close(); }

    bool write(const Bytes& bytes) { return port_.writeAll(bytes, 1000).ok(); }
    bool sendMessage(const Bytes& message) {
        std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame{};
        const std::size_t length = trx::frame::packFrame(message, frame);
        return write(Bytes(frame.begin(), frame.begin() + static_cast<long>(length)));
    }

    // Host messages until `count` have come or the time is up.
    std::vector<Bytes> messages(std::size_t count, int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (messages_.size() < count && Clock::now() < deadline) {
            std::array<std::uint8_t, 1024> buffer{};
            if (port_.waitReadable(20) != platform::WaitResult::Ready) {
                continue;
            }
            const platform::Result<std::size_t> got = port_.read(buffer);
            if (got && *got > 0) {
                scanner_.feed(std::span<const std::uint8_t>(buffer.data(), *got), *this);
            }
        }
        std::vector<Bytes> result = std::move(messages_);
        messages_.clear();
        return result;
    }

    // Raw bytes until `silenceMs` pass without one.
    Bytes rawUntilQuiet(int silenceMs) {
        Bytes bytes;
        while (port_.waitReadable(silenceMs) == platform::WaitResult::Ready) {
            std::array<std::uint8_t, 1024> buffer{};
            const platform::Result<std::size_t> got = port_.read(buffer);
            if (!got || *got == 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(*got));
        }
        return bytes;
    }

    void onFrame(std::span<const std::uint8_t> betweenMarkers) override {
        std::array<std::uint8_t, trx::frame::kMaxMessageLength> message{};
        const auto result = trx::frame::unpackFrame(betweenMarkers, message);
        if (result.status == trx::frame::UnpackStatus::Ok) {
            messages_.emplace_back(message.begin(), message.begin() + static_cast<long>(result.length));
        }
    }
    void onBrokenFrame(std::span<const std::uint8_t>) override {}

  private:
    platform::SerialPort port_;
    trx::frame::FrameScanner scanner_;
    std::vector<Bytes> messages_;
};

TEST(SimProgram, ServesTheDemoConsoleOnThePortItPrints) {
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--console", kDemoConsole})) << sim.error();
    ASSERT_TRUE(fs::exists(sim.portPath())) << sim.portPath();
    Line line;
    ASSERT_TRUE(line.open(sim.portPath()));
    ASSERT_TRUE(line.sendMessage(readRequest(0x0C, 0x00, 256, 2)));
    const auto replies = line.messages(1, 2000);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x07, 0x8C, 0x00, kPc, 0x01, 0x00, 0x00, 0x05}));
    EXPECT_EQ(sim.stop(), 0);
}

// Blocks full of bytes that the frame coding escapes or packs into runs.
TEST(SimProgram, AGenericWriteOverTheLineLeavesTheImageInTheDump) {
    const fs::path dump = scratchFolder("dump");
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--console", kDemoConsole, "--dump", dump.string()})) << sim.error();
    Line line;
    ASSERT_TRUE(line.open(sim.portPath()));

    data::FlashImage image;
    ASSERT_TRUE(image.allocate(data::FlashImage::kStandardWindowSize));
    for (std::size_t i = 0; i < 1024; ++i) {
        image.bytes()[i] =
            (i / 32) % 2 ? static_cast<std::uint8_t>(0xD0 + i % 16) : static_cast<std::uint8_t>(i / 64);
    }
    image.computeChecksum();

    line.sendMessage(broadcast(0x33, 1));
    line.sendMessage(broadcast(0x33, 0));
    line.sendMessage(eraseRequest(1));
    ASSERT_EQ(line.messages(1, 2000).size(), 1u);
    for (std::uint32_t offset = 0; offset < 1024; offset += 128) {
        line.sendMessage(dataBlock(1, 0x200000 + offset, image.bytes().subspan(offset, 128)));
        const auto ack = line.messages(1, 2000);
        ASSERT_EQ(ack.size(), 1u);
        ASSERT_EQ(ack[0].back(), 0x00) << offset;
    }
    line.sendMessage(checksumRequest(1, image.checksum()));
    const auto result = line.messages(1, 2000);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].back(), 0x00);
    line.close();
    ASSERT_EQ(sim.stop(), 0);

    std::ifstream flash(dump / "SRF7-MAIN.bin", std::ios::binary);
    const Bytes contents((std::istreambuf_iterator<char>(flash)), std::istreambuf_iterator<char>());
    ASSERT_EQ(contents.size(), image.size());
    EXPECT_TRUE(std::equal(contents.begin(), contents.end(), image.bytes().begin()));
    const auto events = nlohmann::json::parse(std::ifstream(dump / "events.json"));
    int blocks = 0;
    for (const auto& event : events) {
        blocks += event["event"] == "block" && event["ok"] == true;
    }
    EXPECT_EQ(blocks, 8);
    const auto devices = nlohmann::json::parse(std::ifstream(dump / "flash.json"));
    EXPECT_GE(devices.size(), 7u);
    fs::remove_all(dump);
}

TEST(SimProgram, TheBootLoaderAnswersAcrossOpensAndClosesOfThePort) {
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--console", kDemoConsole})) << sim.error();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Line line;
        ASSERT_TRUE(line.open(sim.portPath(), platform::StopBits::One));
        ASSERT_TRUE(line.write(textBytes("VER\r")));
        const Bytes reply = line.rawUntilQuiet(200);
        EXPECT_EQ(reply, textBytes(std::string("VER\r\n") + '\0' + "1.18" + '\0' + '\0'));
        line.close();
        ASSERT_TRUE(line.open(sim.portPath(), platform::StopBits::One));
        ASSERT_TRUE(line.write(bootLoaderFrame({0x30, 64, 0x01})));
        EXPECT_EQ(line.rawUntilQuiet(200), bootLoaderFrame({0xB0, 64, 0x01}));
        line.close();
    }
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimProgram, FaultSwitchesFromTheCommandLine) {
    SimProcess sim;
    ASSERT_TRUE(
        sim.start({"--console", kDemoConsole, "--fault", "SRF7:silent", "--fault", "ENG7/CTRL:delay=150"}))
        << sim.error();
    Line line;
    ASSERT_TRUE(line.open(sim.portPath()));
    line.sendMessage(readRequest(0x0C, 0x00, 256, 2));
    EXPECT_TRUE(line.messages(1, 300).empty());

    const auto start = Clock::now();
    line.sendMessage(readRequest(0x0D, 0x00, 4112, 2));
    const auto replies = line.messages(1, 2000);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimProgram, PacedLineCarriesNoMoreThanItsBaudRateAllows) {
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--console", kDemoConsole, "--pace", "9600"})) << sim.error();
    Line line;
    ASSERT_TRUE(line.open(sim.portPath()));
    Bytes burst;
    std::size_t replyBytes = 0;
    for (int i = 0; i < 12; ++i) {
        std::array<std::uint8_t, trx::frame::kMaxFrameLength> frame{};
        const std::size_t length = trx::frame::packFrame(readRequest(0x0C, 0x00, 256, 2), frame);
        burst.insert(burst.end(), frame.begin(), frame.begin() + static_cast<long>(length));
        replyBytes += 12;  // D0, length, 7 body bytes, D1 (+ run codes at most as long)
    }
    const auto start = Clock::now();
    ASSERT_TRUE(line.write(burst));
    const auto replies = line.messages(12, 5000);
    const double elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ASSERT_EQ(replies.size(), 12u);
    // 8N2: 11 bits a byte. The requests come in, then at least the last reply goes out at line speed.
    const double lineMs = static_cast<double>(burst.size() + replyBytes / 12) * 11 * 1000 / 9600;
    EXPECT_GE(elapsedMs, 0.95 * lineMs) << "burst " << burst.size() << " bytes";
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimProgram, PacedInputArrivesByteAfterByteSoAFrameSplitAcrossReadsIsKept) {
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--console", kDemoConsole, "--pace", "9600"})) << sim.error();
    Line line;
    ASSERT_TRUE(line.open(sim.portPath(), platform::StopBits::One));
    constexpr int kFrames = 150;
    Bytes burst;
    Bytes expected;
    for (int i = 0; i < kFrames; ++i) {
        const Bytes request = bootLoaderFrame({0x30, 64, 0x01});
        const Bytes reply = bootLoaderFrame({0xB0, 64, 0x01});
        burst.insert(burst.end(), request.begin(), request.end());
        expected.insert(expected.end(), reply.begin(), reply.end());
    }
    // Two writes, the first ending inside a frame; the second needs far longer
    // than the stale-input time-out on a 9600 baud line (8N1: 960 bytes/s).
    const std::size_t split = 102;
    ASSERT_TRUE(line.write(Bytes(burst.begin(), burst.begin() + static_cast<long>(split))));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(line.write(Bytes(burst.begin() + static_cast<long>(split), burst.end())));
    EXPECT_EQ(line.rawUntilQuiet(400), expected);
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimProgram, LinkLifetimeAndDumpAtTheEnd) {
    const fs::path folder = scratchFolder("link");
    const fs::path link = folder / "port";
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--console", kDemoConsole, "--link", link.string(), "--lifetime", "0.5", "--dump",
                           (folder / "dump").string()}))
        << sim.error();
    EXPECT_EQ(fs::read_symlink(link).string(), sim.portPath());
    EXPECT_EQ(sim.wait(5000), 0);  // ends by itself
    EXPECT_FALSE(fs::is_symlink(link));
    const auto console = nlohmann::json::parse(std::ifstream(folder / "dump" / "console.json"));
    EXPECT_EQ(console["units"]["SRF7"]["versionWord"], 5);
    const auto events = nlohmann::json::parse(std::ifstream(folder / "dump" / "events.json"));
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front()["event"], "start");
    EXPECT_EQ(events.back()["event"], "stop");
    fs::remove_all(folder);
}

TEST(SimProgram, BadArgumentsEndWithStatusTwoAndNoPort) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--console", "/nonexistent/console.json"},
        {"--console", kDemoConsole, "--fault", "NOPE:silent"},
        {"--console", kDemoConsole, "--fault", "SRF7/NOPE:silent"},
        {"--console", kDemoConsole, "--fault", "SRF7:loud"},
        {"--console", kDemoConsole, "--fault", "silent"},
        {"--console", kDemoConsole, "--connection-point", "5"},
        {"--console", kDemoConsole, "--pace", "-3"},
    };
    for (const auto& arguments : bad) {
        platform::ChildProcess process;
        ASSERT_TRUE(process.start(SimProcess::programPath(), arguments));
        std::string line;
        EXPECT_FALSE(process.readLine(line, 3000));
        EXPECT_EQ(process.wait(3000), 2) << (arguments.empty() ? "(none)" : arguments.back());
    }
}

}  // namespace
}  // namespace simtest
