// The direct boot-loader path against a scripted boot loader on the far end
// of a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "EngineTestSupport.h"
#include "data/UnitList.h"
#include "data/VersionValue.h"
#include "engine/UpdateEngine.h"
#include "platform/testing/PseudoTerminal.h"

namespace engine {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A boot loader that answers "exit", "VER" and the binary frames, and
// records what it was asked to do.
class FakeBootLoader {
  public:
    FakeBootLoader() {
        terminal_.open();
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeBootLoader() {
        stop_ = true;
        thread_.join();
    }
    std::string port() const { return terminal_.slavePath(); }

    void setVersionFields(std::string fields) {
        std::lock_guard lock(mutex_);
        versionFields_ = std::move(fields);
    }
    std::vector<int> erasedBlocks() {
        std::lock_guard lock(mutex_);
        return erased_;
    }
    std::vector<std::uint32_t> plainPieces() {
        std::lock_guard lock(mutex_);
        return plain_;
    }
    std::vector<std::uint32_t> confirmedChunks() {
        std::lock_guard lock(mutex_);
        return confirmed_;
    }

  private:
    void answer(std::vector<std::uint8_t> body) {
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i < body.size(); ++i) {
            sum = static_cast<std::uint8_t>(sum + body[i]);
        }
        body.push_back(static_cast<std::uint8_t>(~sum));
        body[0] = static_cast<std::uint8_t>(body.size() - 1);
        terminal_.writeAll(body.data(), body.size());
    }

    void text(const std::string& reply) {
        terminal_.writeAll(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size());
    }

    void serve() {
        std::vector<std::uint8_t> pending;
        std::uint8_t buffer[4096];
        while (!stop_) {
            const platform::Result<std::size_t> count = terminal_.readSome(buffer, sizeof buffer, 20);
            if (count) {
                pending.insert(pending.end(), buffer, buffer + *count);
            }
            while (!pending.empty()) {
                if (textMode_) {
                    const auto end = std::find(pending.begin(), pending.end(), '\r');
                    if (end == pending.end()) {
                        break;
                    }
                    const std::string command(pending.begin(), end);
                    pending.erase(pending.begin(), end + 1);
                    if (command == "exit") {
                        textMode_ = false;
                        text("exit\r\nBOOT LOADER\r\n");
                    } else if (command == "VER") {
                        std::lock_guard lock(mutex_);
                        text(std::string("VER\r\n") + '\0' + versionFields_);
                    }
                    continue;
                }
                const std::size_t length = static_cast<std::size_t>(pending[0]) + 1;
                if (pending.size() < length) {
                    break;
                }
                const std::vector<std::uint8_t> frame(pending.begin(),
                                                      pending.begin() + static_cast<long>(length));
                pending.erase(pending.begin(), pending.begin() + static_cast<long>(length));
                handleFrame(frame);
            }
        }
    }

    void handleFrame(const std::vector<std::uint8_t>& frame) {
        const std::uint8_t command = frame[1];
        const std::uint8_t target = frame[2];
        std::lock_guard lock(mutex_);
        if (command == 0x30) {
            textMode_ = frame[3] == 0;
            answer({0, 0xB0, target, frame[3]});
        } else if (command == 0x32) {
            erased_.push_back(frame[3]);
            answer({0, 0xB2, target, frame[3]});
        } else if (command == 0x31) {
            const std::uint32_t address =
                (static_cast<std::uint32_t>(frame[3]) << 24) | (frame[4] << 16) | (frame[5] << 8) | frame[6];
            const std::size_t data = frame.size() - 8;
            if (data == 0 && (address & 0x10000000) != 0) {
                const std::uint32_t chunk = address & ~0x10000000u;
                confirmed_.push_back(chunk);
                const std::uint32_t echoed = chunk | 0x80000000u;
                answer({0, 0xB1, target, static_cast<std::uint8_t>(echoed >> 24),
                        static_cast<std::uint8_t>(echoed >> 16), static_cast<std::uint8_t>(echoed >> 8),
                        static_cast<std::uint8_t>(echoed)});
            } else if ((address & 0x10000000) == 0) {
                plain_.push_back(address);
            }
        }
    }

    platform::PseudoTerminal terminal_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    bool textMode_ = true;
    std::mutex mutex_;
    std::string versionFields_ = std::string("1.05") + '\0' + "R " + '\0';
    std::vector<int> erased_;
    std::vector<std::uint32_t> plain_;
    std::vector<std::uint32_t> confirmed_;
};

class DirectPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto dir = files.addUnit(
            "CARD", "[SETTINGS]\nTYPE=2\nREQUEST=29\n[CPU]\nCARD=CARD, 64, 0, 65535, 65535, 0\n");
        imagePath = dir / "CARD0121.mot";
        engine.setFrontEnd(&user);
        data::UnitTiming quick;
        quick.timeout = 1;
        quick.retryTime = 0;
        data::UnitTimingSet sets;
        sets.fill(quick);
        engine.setTimingSets(sets);
        data::CommSettings settings;
        settings.deviceName = loader.port();
        engine.setCommSettings(settings);
        ASSERT_TRUE(files.load(units, data::WritingPort::HostInterface));
        engine.setUnitList(&units);
    }

    void run(data::OperationCode code) {
        ASSERT_TRUE(engine.startOperation(code, 0, true));
        engine.waitUntilFinished();
    }

    // Block 0 (compressible) with the given mask byte; block 1 when the mask names it.
    void writeImage(std::uint8_t mask) {
        std::vector<std::uint8_t> window(0x20000, 0xFF);
        for (std::size_t i = 0; i < 0x1000; ++i) {
            window[i] = static_cast<std::uint8_t>(i / 64);
        }
        window[7] = mask;
        const auto block = testing::patternBytes(0x10000, 1);
        std::copy(block.begin(), block.end(), window.begin() + 0x10000);
        testing::writeSRecordFile(imagePath, 0x300000, window);
    }

    FakeBootLoader loader;
    testing::UnitFiles files;
    testing::RecordingFrontEnd user;
    data::UnitList units;
    UpdateEngine engine;
    std::filesystem::path imagePath;
};

TEST_F(DirectPathTest, VersionTextDropsThePointAndTrailingSpaces) {
    run(data::OperationCode::GetVersion);
    EXPECT_TRUE(user.messages().empty());
    EXPECT_EQ(units.unit(0)->row(0)->romVersionText(), data::VersionValue::fromText("105R").text());
    EXPECT_EQ(units.unit(0)->romVersion().text(), data::VersionValue::fromText("105R").text());
}

TEST_F(DirectPathTest, AVersionStartingWithZeroIsRefused) {
    loader.setVersionFields(std::string("0.99") + '\0' + '\0');
    run(data::OperationCode::GetVersion);
    EXPECT_THAT(user.messages(), ElementsAre("Can't get version", "Get Version - Error occured !"));
    EXPECT_EQ(units.unit(0)->row(0)->romVersionText(), "");
}

TEST_F(DirectPathTest, AnOverlongVersionReplyIsCutAndStillRead) {
    loader.setVersionFields("2.10" + std::string(300, 'S') + '\0' + '\0');
    run(data::OperationCode::GetVersion);
    EXPECT_TRUE(user.messages().empty());
    EXPECT_EQ(units.unit(0)->row(0)->romVersionText(),
              data::VersionValue::fromText("210" + std::string(60, 'S')).text());
}

TEST_F(DirectPathTest, EraseOnlyErasesBlockZeroAndFourToEighteen) {
    writeImage(0x00);
    run(data::OperationCode::Erase);
    EXPECT_THAT(loader.erasedBlocks(), ElementsAre(0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18));
    EXPECT_EQ(user.finalStatusText, "=== Erase Completed (Retry=0) ===");
    EXPECT_EQ(units.unit(0)->resultText(), "");
}

TEST_F(DirectPathTest, AnEmptyMaskWritesOnlyTheFirst4KCompressed) {
    writeImage(0x00);
    run(data::OperationCode::Write);
    EXPECT_THAT(loader.erasedBlocks(), ElementsAre(0));
    EXPECT_THAT(loader.confirmedChunks(), ElementsAre(0x300000u));
    EXPECT_TRUE(loader.plainPieces().empty());
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
    EXPECT_EQ(user.finalStatusText, "=== Write Completed (Retry=0) ===");
}

TEST_F(DirectPathTest, ChunksThatDoNotShrinkGoPlainAtTheirUnitAddresses) {
    writeImage(0x02);
    run(data::OperationCode::Write);
    EXPECT_THAT(loader.erasedBlocks(), ElementsAre(0, 4));
    const auto confirmed = loader.confirmedChunks();
    ASSERT_FALSE(confirmed.empty());
    EXPECT_EQ(confirmed.front(), 0x300000u);
    // Compressed or not, every chunk of block 1 went out exactly once.
    std::set<std::uint32_t> chunks(confirmed.begin(), confirmed.end());
    for (const std::uint32_t piece : loader.plainPieces()) {
        chunks.insert(piece & ~0xFFFu);
    }
    EXPECT_EQ(chunks.size(), 1u + 16u);
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
}

TEST_F(DirectPathTest, WithoutTheCompressionLibraryEveryChunkGoesPlain) {
    writeImage(0x00);
    engine.setCompressionLibraryName("missing-cmpak.dll");
    run(data::OperationCode::Write);
    ASSERT_EQ(user.messages().size(), 1u);
    EXPECT_EQ(user.messages()[0].rfind("DLL Load Error (CODE:00000002H) ", 0), 0u) << user.messages()[0];
    std::vector<std::uint32_t> expected;
    for (std::uint32_t address = 0x300000; address < 0x301000; address += 128) {
        expected.push_back(address);
    }
    EXPECT_THAT(loader.plainPieces(), ElementsAreArray(expected));
    EXPECT_TRUE(loader.confirmedChunks().empty());
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
}

}  // namespace
}  // namespace engine
