// The engine against the simulated console: through the real libtrx.so,
// bound by name as the program binds it, over a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <utility>

#include "EngineTestSupport.h"
#include "SimulatedConsole.h"
#include "data/UnitList.h"
#include "data/VersionValue.h"
#include "engine/UpdateEngine.h"

namespace engine {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

constexpr int kSrf7 = 0;
constexpr int kLio7 = 2;
constexpr int kXdg7 = 3;
constexpr int kXdg7Direct = 4;
// Demo images carry their version word at this offset of the window.
constexpr std::size_t kVersionWordOffset = 0x40;

class SimIntegrationTest : public ::testing::Test {
  protected:
    void TearDown() override {
        engine.reset();
        if (console.simulator().running()) {
            console.simulator().stop();
        }
    }

    void start(const std::vector<std::string>& extra = {},
               data::WritingPort port = data::WritingPort::HostInterface) {
        const std::string failure = console.start(extra, true);
        ASSERT_TRUE(failure.empty()) << failure;
        engine = std::make_unique<UpdateEngine>();
        data::UnitTiming quick;
        quick.bootIn = 1;
        quick.bootOut = 1;
        quick.timeout = 1;
        quick.retryTime = 0;
        console.wire(*engine, user, console.api(), quick);
        engine->setSettlePauses(std::chrono::milliseconds(100), std::chrono::milliseconds(100));
        engine->setDefaultTarget(0x00);
        engine->setWritingPort(port);
        ASSERT_TRUE(console.loadUnits(units, port));
        engine->setUnitList(&units);
    }

    void run(data::OperationCode code, std::int32_t unit) {
        ASSERT_TRUE(engine->startOperation(code, unit, true));
        engine->waitUntilFinished();
    }

    // A generic image of 2 KB whose version word is the given one.
    std::vector<std::uint8_t> writeGenericImage(const std::string& unit, const std::string& file,
                                                std::uint16_t word, std::uint8_t seed) {
        auto image = testing::patternBytes(0x800, seed);
        image[kVersionWordOffset] = static_cast<std::uint8_t>(word >> 8);
        image[kVersionWordOffset + 1] = static_cast<std::uint8_t>(word);
        testing::writeSRecordFile(console.root() / unit / file, 0x200000, image);
        return image;
    }

    // New MAIN and SUB images of SRF7, both with this version word.
    std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>> writeSrf7Images(std::uint16_t word) {
        return {writeGenericImage("SRF7", "MAIN0107.mot", word, 3),
                writeGenericImage("SRF7", "SUB_0107.mot", word, 4)};
    }

    // A segmented image: block 0 with the mask byte and the version word, and block 1.
    void writeSegmentedImage(const std::string& unit, const std::string& file, std::uint16_t word) {
        std::vector<std::uint8_t> window(0x20000, 0xFF);
        const auto first = testing::patternBytes(0x1000, 1);
        std::copy(first.begin(), first.end(), window.begin());
        window[7] = 0x02;
        window[kVersionWordOffset] = static_cast<std::uint8_t>(word >> 8);
        window[kVersionWordOffset + 1] = static_cast<std::uint8_t>(word);
        // Half of block 1 compresses well, half does not.
        const auto noisy = testing::patternBytes(0x8000, 2);
        std::copy(noisy.begin(), noisy.end(), window.begin() + 0x10000);
        for (std::size_t i = 0; i < 0x8000; ++i) {
            window[0x18000 + i] = static_cast<std::uint8_t>(i / 512);
        }
        std::uint32_t state = 12345;
        for (std::size_t i = 0x10000; i < 0x14000; ++i) {
            state = state * 1103515245u + 12345u;
            window[i] = static_cast<std::uint8_t>(state >> 16);
        }
        testing::writeSRecordFile(console.root() / unit / file, 0x300000, window);
    }

    // The first bytes of a flash device's window as the simulator left it.
    std::vector<std::uint8_t> dumpedFlash(const std::string& device, std::size_t length) {
        std::ifstream in(console.root() / "dump" / (device + ".bin"), std::ios::binary);
        std::vector<std::uint8_t> bytes(length);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        return bytes;
    }

    testing::SimulatedConsole console{false};
    testing::RecordingFrontEnd user;
    data::UnitList units;
    std::unique_ptr<UpdateEngine> engine;
};

TEST_F(SimIntegrationTest, GetVersionOfAllUnitsReadsEveryUnit) {
    start();
    run(data::OperationCode::GetAllVersions, -1);
    EXPECT_TRUE(user.messages().empty());
    EXPECT_EQ(units.unit(kSrf7)->romVersion().text(), "1.05");
    EXPECT_EQ(units.unit(1)->row(0)->romVersionText(), "2.02");  // ENG7 by block read
    EXPECT_EQ(units.unit(kXdg7)->row(0)->romVersionText(), "3.00");
    EXPECT_EQ(units.unit(kXdg7Direct)->row(0)->romVersionText(), "1.18");  // VER over the direct line
}

TEST_F(SimIntegrationTest, AGenericWriteIsVerifiedByTheConsole) {
    const std::uint16_t mainWord = 0x0007;
    writeSrf7Images(mainWord);
    start();
    testing::StatusRecorder recorder(engine->status());
    run(data::OperationCode::Write, kSrf7);
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "Completed") << user.finalStatusText;
    EXPECT_EQ(user.finalStatusText, "=== Write Completed (Retry=0) ===");
    EXPECT_THAT(recorder.stop(), Contains("  BOOT Change Wait 1 seconds"));

    run(data::OperationCode::GetVersion, kSrf7);
    EXPECT_EQ(units.unit(kSrf7)->row(0)->romVersionText(), data::VersionValue::fromWord(mainWord).text());
    EXPECT_EQ(units.unit(kSrf7)->row(1)->romVersionText(), data::VersionValue::fromWord(mainWord).text());
}

TEST_F(SimIntegrationTest, ASegmentedTypeFourWriteIsVerifiedByTheConsole) {
    writeSegmentedImage("XDG7", "MAIN0302.mot", 0x0202);
    start();
    run(data::OperationCode::Write, kXdg7);
    EXPECT_EQ(units.unit(kXdg7)->resultText(), "Completed") << user.finalStatusText;
}

TEST_F(SimIntegrationTest, TheDirectPathWritesCompressedAndPlainChunks) {
    writeSegmentedImage("XDG7D", "CARD0121.mot", 0x0014);
    start();
    run(data::OperationCode::Write, kXdg7Direct);
    EXPECT_EQ(units.unit(kXdg7Direct)->resultText(), "Completed") << user.finalStatusText;
    EXPECT_TRUE(user.messages().empty()) << user.messages().front();
    run(data::OperationCode::GetVersion, kXdg7Direct);
    EXPECT_EQ(units.unit(kXdg7Direct)->row(0)->romVersionText(), data::VersionValue::fromWord(0x0014).text());
}

TEST_F(SimIntegrationTest, TheDirectPathCompletesOverAPacedLine) {
    // Block 0 only (no mask bit): one 4 KB chunk of noise, sent plain, which
    // takes over a second of wire time at 38400 baud.
    std::vector<std::uint8_t> window(0x1000);
    std::uint32_t state = 777;
    for (std::uint8_t& byte : window) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    window[7] = 0x00;
    window[kVersionWordOffset] = 0x00;
    window[kVersionWordOffset + 1] = 0x15;
    testing::writeSRecordFile(console.root() / "XDG7D" / "CARD0121.mot", 0x300000, window);
    start({"--pace", "38400"});
    run(data::OperationCode::Write, kXdg7Direct);
    EXPECT_EQ(units.unit(kXdg7Direct)->resultText(), "Completed") << user.finalStatusText;
    EXPECT_TRUE(user.messages().empty()) << user.messages().front();
    run(data::OperationCode::GetVersion, kXdg7Direct);
    EXPECT_EQ(units.unit(kXdg7Direct)->row(0)->romVersionText(), data::VersionValue::fromWord(0x0015).text());
}

TEST_F(SimIntegrationTest, WithoutTheCompressionLibraryTheDirectWriteSendsPlainChunks) {
    writeSegmentedImage("XDG7D", "CARD0121.mot", 0x0014);
    start();
    engine->setCompressionLibraryName("nocmpak.dll");
    run(data::OperationCode::Write, kXdg7Direct);
    ASSERT_FALSE(user.messages().empty());
    EXPECT_EQ(user.messages().front().rfind("DLL Load Error (CODE:00000002H)", 0), 0u)
        << user.messages().front();
    EXPECT_EQ(units.unit(kXdg7Direct)->resultText(), "Completed") << user.finalStatusText;
}

TEST_F(SimIntegrationTest, ASilentUnitEndsWithRetryTimeOut) {
    writeSrf7Images(0x0007);
    start({"--fault", "SRF7:silent"});
    engine->setCheckBeforeWrite(0);
    testing::StatusRecorder recorder(engine->status());
    run(data::OperationCode::Write, kSrf7);
    const auto seen = recorder.stop();
    EXPECT_THAT(seen, Contains("Time Out - Failed(1)"));
    EXPECT_THAT(seen, Contains("Time Out - Failed(4)"));
    EXPECT_EQ(user.finalStatusText, "Retry TimeOut !!!");
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "Failed");
}

TEST_F(SimIntegrationTest, AChecksumRejectionFailsTheWrite) {
    writeSrf7Images(0x0007);
    start({"--fault", "SRF7/MAIN:reject-checksum"});
    engine->setRetryCount(1);
    testing::StatusRecorder recorder(engine->status());
    run(data::OperationCode::Write, kSrf7);
    EXPECT_THAT(recorder.stop(), Contains("Checksum Failed"));
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "Failed");
}

TEST_F(SimIntegrationTest, TypeThreeWriteAnswersTheEchoAndIsVerified) {
    writeGenericImage("LIO7", "IOA_0113.mot", 0x000D, 5);
    writeGenericImage("LIO7", "IOB_0113.mot", 0x000D, 6);
    start({"--fault", "LIO7/IOA:echo-first"});
    run(data::OperationCode::Write, kLio7);
    EXPECT_EQ(units.unit(kLio7)->resultText(), "Completed") << user.finalStatusText;
    run(data::OperationCode::GetVersion, kLio7);
    EXPECT_EQ(units.unit(kLio7)->row(0)->romVersionText(), data::VersionValue::fromWord(0x000D).text());
    EXPECT_EQ(units.unit(kLio7)->row(1)->romVersionText(), data::VersionValue::fromWord(0x000D).text());
}

TEST_F(SimIntegrationTest, TypeThreeWrongTargetDeselectsAndTheRowNeverReadsCompleted) {
    writeGenericImage("LIO7", "IOA_0113.mot", 0x000D, 5);
    writeGenericImage("LIO7", "IOB_0113.mot", 0x000D, 6);
    start({"--fault", "LIO7/IOB:wrong-target"});
    testing::StatusRecorder recorder(engine->status());
    run(data::OperationCode::Write, kLio7);
    EXPECT_THAT(recorder.stop(), Contains("Not the intended object!!"));
    EXPECT_FALSE(units.unit(kLio7)->row(1)->selectedFlag());
    EXPECT_EQ(user.finalStatusText, "No anyting !!!");
    EXPECT_TRUE(user.finalErrorFlag);
    EXPECT_EQ(units.unit(kLio7)->resultText(), "Failed");
}

TEST_F(SimIntegrationTest, ADroppedReplyCostsTheAttemptAndNothingUnverifiedReadsCompleted) {
    writeSrf7Images(0x0007);
    // SUB (the unit with the preserved area) gets 35 replies per attempt, so
    // one of every 19 goes missing in every attempt.
    start({"--fault", "SRF7/SUB:drop-every=19"});
    testing::StatusRecorder recorder(engine->status());
    run(data::OperationCode::Write, kSrf7);
    const auto seen = recorder.stop();
    EXPECT_THAT(seen, Contains("Time Out - Failed(1)"));
    EXPECT_EQ(user.finalStatusText, "Retry TimeOut !!!");
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "Failed");
    run(data::OperationCode::GetVersion, kSrf7);
    // MAIN was written and verified in the first attempt; SUB never was.
    EXPECT_EQ(units.unit(kSrf7)->row(0)->romVersionText(), data::VersionValue::fromWord(0x0007).text());
    EXPECT_EQ(units.unit(kSrf7)->row(1)->romVersionText(), "1.05");
}

TEST_F(SimIntegrationTest, OneDroppedReplyFailsTheFirstAttemptAndTheRetryCompletes) {
    const auto [mainImage, subImage] = writeSrf7Images(0x0007);
    // MAIN's fourth reply falls in the data transfer of the first attempt.
    start({"--fault", "SRF7/MAIN:drop-nth=4"});
    testing::StatusRecorder recorder(engine->status());
    run(data::OperationCode::Write, kSrf7);
    EXPECT_THAT(recorder.stop(), Contains("Time Out - Failed(1)"));
    EXPECT_EQ(user.finalStatusText, "=== Write Completed (Retry=1) ===");
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "Completed");
    ASSERT_EQ(console.simulator().stop(), 0);
    EXPECT_EQ(dumpedFlash("SRF7-MAIN", mainImage.size()), mainImage);
    EXPECT_EQ(dumpedFlash("SRF7-SUB", subImage.size()), subImage);
}

TEST_F(SimIntegrationTest, DelayedRepliesWithinTheTimeoutComplete) {
    writeSrf7Images(0x0007);
    start({"--fault", "SRF7:delay=40"});
    run(data::OperationCode::Write, kSrf7);
    EXPECT_EQ(user.finalStatusText, "=== Write Completed (Retry=0) ===");
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "Completed");
}

TEST_F(SimIntegrationTest, EraseOnlyCompletesWithoutData) {
    writeSrf7Images(0x0007);
    start();
    run(data::OperationCode::Erase, kSrf7);
    EXPECT_EQ(user.finalStatusText, "=== Erase Completed (Retry=0) ===");
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "");
}

TEST_F(SimIntegrationTest, CancelDuringTheTransferEndsCanceled) {
    auto image = testing::patternBytes(0x40000, 9);
    testing::writeSRecordFile(console.root() / "SRF7" / "MAIN0107.mot", 0x200000, image);
    start({"--pace", "115200"});
    ASSERT_TRUE(engine->startOperation(data::OperationCode::Write, kSrf7, true));
    while (engine->status().statusText().rfind("  Writing", 0) != 0 && engine->busy()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    engine->control().cancel();
    engine->waitUntilFinished();
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "Canceled");
    // The console was switched back out of boot mode at the end.
    EXPECT_EQ(console.simulator().stop(), 0);
    std::ifstream dump(console.root() / "dump" / "console.json");
    const std::string text((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"bootMode\": false"), std::string::npos) << text.substr(0, 200);
}

TEST_F(SimIntegrationTest, CardDirectWritesAsTheUnitsOwnAddress) {
    writeSrf7Images(0x0007);
    start({}, data::WritingPort::CardDirect);
    units.unit(kSrf7)->loadRows(false);
    units.unit(kSrf7)->row(0)->setSelected(true);
    run(data::OperationCode::Write, kSrf7);
    EXPECT_EQ(units.unit(kSrf7)->resultText(), "Completed") << user.finalStatusText;
    run(data::OperationCode::GetVersion, kSrf7);
    EXPECT_EQ(units.unit(kSrf7)->row(0)->romVersionText(), data::VersionValue::fromWord(0x0007).text());
    EXPECT_EQ(units.unit(kSrf7)->row(1)->romVersionText(), "1.05");
}

}  // namespace
}  // namespace engine
