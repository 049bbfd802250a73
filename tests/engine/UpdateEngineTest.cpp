#include "engine/UpdateEngine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "EngineTestSupport.h"
#include "FakeConsole.h"
#include "data/FlashImage.h"
#include "data/UnitList.h"
#include "data/VersionValue.h"

namespace engine {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeConsole;
using testing::RecordingFrontEnd;
using testing::StatusRecorder;
using testing::UnitFiles;

constexpr std::uint8_t kUnitBus = 0x05;
constexpr std::uint8_t kReadCommand = 0x0C;

class UpdateEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine.setFrontEnd(&user);
        engine.setInterfaceApi(&console.api());
        data::UnitTiming quick;
        quick.bootIn = 0;
        quick.bootOut = 0;
        quick.timeout = 1;
        quick.retryTime = 0;
        data::UnitTimingSet sets;
        sets.fill(quick);
        engine.setTimingSets(sets);
        engine.setSettlePauses(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        data::CommSettings settings;
        settings.deviceName = "/dev/null";
        engine.setCommSettings(settings);
        engine.setDefaultTarget(0x00);
    }

    void loadTypeThreeUnit(int selectedRow, const std::vector<std::uint8_t>& image);
    void load(data::WritingPort port = data::WritingPort::HostInterface) {
        engine.setWritingPort(port);
        ASSERT_TRUE(files.load(units, port));
        engine.setUnitList(&units);
    }

    void run(data::OperationCode code, std::int32_t unit = 0) {
        ASSERT_TRUE(engine.startOperation(code, unit, true));
        engine.waitUntilFinished();
        ASSERT_FALSE(engine.busy());
    }

    // A generic unit with one CPU at kUnitBus and its image.
    std::filesystem::path addGenericUnit(const std::string& name, std::uint32_t address,
                                         const std::vector<std::uint8_t>& image, int bus = kUnitBus,
                                         const std::string& extra = "") {
        const auto dir =
            files.addUnit(name, "[SETTINGS]\nREQUEST=12, 0, 31\nSTATUS=4096\n" + extra +
                                    "[CPU]\nMAIN=MAIN, " + std::to_string(bus) + ", 0, 256, 65535, 0\n");
        testing::writeSRecordFile(dir / "MAIN0105.mot", address, image);
        return dir;
    }

    std::uint16_t windowChecksum(const std::vector<std::uint8_t>& window) {
        std::uint16_t sum = 0;
        for (std::size_t i = 0; i + 2 < window.size(); i += 2) {
            sum = static_cast<std::uint16_t>(sum + ((window[i] << 8) | window[i + 1]));
        }
        return sum;
    }

    FakeConsole console;
    RecordingFrontEnd user;
    UnitFiles files;
    data::UnitList units;
    UpdateEngine engine;
};

// ---- get version ------------------------------------------------------------

TEST_F(UpdateEngineTest, GetVersionReadsTheUnitWordThenEveryRow) {
    files.addUnit("SRF",
                  "[SETTINGS]\nREQUEST=12, 0, 31\nSTATUS=4096\n[CPU]\nMAIN=MAIN, 5, 0, 256, 65535, 0\n"
                  "SUB=SUBB, 6, 0, 258, 65535, 0\n");
    console.setRegister(0x00, 4096, {0x01, 0x05});
    console.setRegister(0x00, 256, {0x02, 0x10});
    console.setRegister(0x00, 258, {0x03, 0x20});
    load();
    run(data::OperationCode::GetVersion);

    const data::UnitRecord& unit = *units.unit(0);
    EXPECT_EQ(unit.romVersion().text(), data::VersionValue::fromWord(0x0105).text());
    EXPECT_EQ(unit.row(0)->romVersionText(), data::VersionValue::fromWord(0x0210).text());
    EXPECT_EQ(unit.row(1)->romVersionText(), data::VersionValue::fromWord(0x0320).text());
    EXPECT_TRUE(user.messages().empty());
    EXPECT_THAT(user.events(), ElementsAre("main-disabled", "main-enabled"));
    EXPECT_TRUE(engine.pollDone());
    // Reported once; the event stays signalled for the status window.
    EXPECT_FALSE(engine.pollDone());
    EXPECT_TRUE(engine.control().isDone());
    // Every request went to the connection point with the unit's read command.
    for (const auto& message : console.sent()) {
        EXPECT_EQ(message[1], 0xC0 | kReadCommand);
        EXPECT_EQ(message[3], 0x00);
    }
}

TEST_F(UpdateEngineTest, ReadRepliesForAnotherAddressDoNotEndTheRead) {
    files.addUnit("SRF", "[SETTINGS]\nREQUEST=12\nSTATUS=4096\n");
    console.setRegister(0x00, 4096, {0x01, 0x07});
    console.setRegister(0x00, 4098, {0x09, 0x99});
    console.wrongAddressReadReply = true;
    load();
    run(data::OperationCode::GetVersion);
    EXPECT_EQ(units.unit(0)->romVersion().text(), data::VersionValue::fromWord(0x0107).text());
    EXPECT_TRUE(user.messages().empty());
}

TEST_F(UpdateEngineTest, BlockReadOfATypeThreeUnitSkipsRowsAboveTheIdLimit) {
    files.addUnit("LIO",
                  "[SETTINGS]\nTYPE=3\nREQUEST=12\nSTATUS=8192, 3\n[CPU]\nA=AAAA, 1, 0, 256, 65535, 0\n"
                  "B=BBBB, 2, 0, 258, 65535, 0\nC=CCCC, 3, 0, 260, 65535, 0\n");
    console.setRegister(0x13, 8192, {1, 5, 4});
    console.setRegister(0x13, 256, {0x01, 0x00});
    console.setRegister(0x13, 258, {0x02, 0x00});
    console.setRegister(0x13, 260, {0x01, 0x00});
    load();
    run(data::OperationCode::GetVersion);

    const data::UnitRecord& unit = *units.unit(0);
    EXPECT_EQ(unit.row(0)->romVersionText(), data::VersionValue::fromWord(0x0100).text());
    EXPECT_EQ(unit.row(1)->romVersionText(), "");  // ID 5 is above the type-3 limit of 4
    EXPECT_EQ(unit.row(2)->romVersionText(), data::VersionValue::fromWord(0x0100).text());
    EXPECT_EQ(unit.romVersion().text(), data::VersionValue::fromWord(0x0100).text());
    for (int i = 0; i < unit.rowCount(); ++i) {
        EXPECT_EQ(unit.row(i)->idByte(), 0);
        EXPECT_TRUE(unit.row(i)->selectedFlag());
    }
}

TEST_F(UpdateEngineTest, BlockReadOfATypeFourUnitReadsIdsFiveToEightAndIgnoresExtraIdBytes) {
    files.addUnit("XDG",
                  "[SETTINGS]\nTYPE=4\nREQUEST=12\nSTATUS=8192, 5\n[CPU]\nA=AAAA, 1, 0, 256, 65535, 0\n"
                  "B=BBBB, 2, 0, 258, 65535, 0\nC=CCCC, 3, 0, 260, 65535, 0\n");
    console.setRegister(0x13, 8192, {4, 5, 9, 7, 7});
    console.setRegister(0x13, 256, {0x01, 0x00});
    console.setRegister(0x13, 258, {0x02, 0x00});
    console.setRegister(0x13, 260, {0x03, 0x00});
    load();
    run(data::OperationCode::GetVersion);

    const data::UnitRecord& unit = *units.unit(0);
    EXPECT_EQ(unit.row(0)->romVersionText(), "");
    EXPECT_EQ(unit.row(1)->romVersionText(), data::VersionValue::fromWord(0x0200).text());
    EXPECT_EQ(unit.row(2)->romVersionText(), "");
    EXPECT_TRUE(user.messages().empty());
}

TEST_F(UpdateEngineTest, GetVersionOfAllUnitsReportsOnlyTheLastUnitsFailure) {
    files.addUnit("FIRST", "[SETTINGS]\nREQUEST=12\nSTATUS=4096\n");
    files.addUnit("SECOND", "[SETTINGS]\nREQUEST=12\nSTATUS=4100\n");
    console.setRegister(0x00, 4100, {0x01, 0x02});
    console.silentRegisters = {4096};
    load();
    run(data::OperationCode::GetAllVersions, -1);
    EXPECT_TRUE(user.messages().empty());
    EXPECT_EQ(units.unit(1)->romVersion().text(), data::VersionValue::fromWord(0x0102).text());

    console.silentRegisters = {4100};
    run(data::OperationCode::GetAllVersions, -1);
    EXPECT_THAT(user.messages(), ElementsAre("Get Version - Timeout Error !"));
}

TEST_F(UpdateEngineTest, GetVersionOfAllUnitsTakesEachUnitsOwnTiming) {
    files.addUnit("LIO", "[SETTINGS]\nTYPE=3\nREQUEST=12\nSTATUS=4096\n");
    data::UnitTiming slow;
    slow.timeout = 30;
    engine.setTiming(data::UnitModel::SRF7, slow);
    console.silent = true;
    load();
    const auto started = std::chrono::steady_clock::now();
    run(data::OperationCode::GetAllVersions, -1);
    // The LIO7 set (1 s) applies, not the SRF7 set of "no unit" (30 s).
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_THAT(user.messages(), ElementsAre("Get Version - Timeout Error !"));
}

TEST_F(UpdateEngineTest, InterfaceOpenFailureIsReported) {
    files.addUnit("SRF", "[SETTINGS]\nREQUEST=12\nSTATUS=4096\n");
    console.initResult = -1;
    load();
    run(data::OperationCode::GetVersion);
    EXPECT_THAT(user.messages(), ElementsAre("Interface Open NG", "Get Version - Error occured !"));
}

// ---- generic write and erase ----------------------------------------------------

TEST_F(UpdateEngineTest, WriteLeavesTheImageInFlashAndEndsCompleted) {
    const auto image = testing::patternBytes(0x1000, 3);  // ends on a block boundary
    addGenericUnit("SRF", 0x200000, image);
    load();
    run(data::OperationCode::Write);

    EXPECT_EQ(console.flash(kUnitBus, 0x200000, image.size()), image);
    const auto blocks = console.blockAddresses(0x32);
    ASSERT_EQ(blocks.size(), 0x1000u / 128);
    EXPECT_EQ(blocks.front(), 0x200000u);
    EXPECT_EQ(blocks.back(), 0x200F80u);
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
    EXPECT_EQ(user.finalStatusText, "=== Write Completed (Retry=0) ===");
    EXPECT_FALSE(user.finalErrorFlag);
    EXPECT_TRUE(user.doneBeforeFinalOk);
    EXPECT_THAT(user.events(), ElementsAre("main-disabled", "status-window", "final-ok", "main-enabled"));
    EXPECT_FALSE(units.unit(0)->row(0)->selectedFlag());

    std::vector<std::uint8_t> window(0x80000, 0xFF);
    std::copy(image.begin(), image.end(), window.begin());
    EXPECT_EQ(console.lastChecksum(), windowChecksum(window));
}

TEST_F(UpdateEngineTest, BootBroadcastsEnterBeforeAndLeaveAfterTheWrite) {
    addGenericUnit("SRF", 0x200000, testing::patternBytes(256, 1));
    load();
    run(data::OperationCode::Write);
    std::vector<std::vector<std::uint8_t>> broadcasts;
    for (const auto& message : console.sent()) {
        if (message[3] == 0xFE) {
            broadcasts.push_back(message);
        }
    }
    EXPECT_THAT(broadcasts, ElementsAre(ElementsAre(0x06, 0x33, 0x1F, 0xFE, 0x01, 0x00, 0x00),
                                        ElementsAre(0x06, 0x33, 0x1F, 0xFE, 0x00, 0x00, 0x00),
                                        ElementsAre(0x06, 0x34, 0x1F, 0xFE, 0x00, 0x00, 0x00)));
    EXPECT_EQ(console.sent().back()[1], 0x34);
}

TEST_F(UpdateEngineTest, APartialLastBlockIsSentWhole) {
    const auto image = testing::patternBytes(300, 9);
    addGenericUnit("SRF", 0x200010, image);
    load();
    run(data::OperationCode::Write);
    EXPECT_THAT(console.blockAddresses(0x32), ElementsAre(0x200010u, 0x200090u, 0x200110u));
    EXPECT_EQ(console.flash(kUnitBus, 0x200010, image.size()), image);
    // The rest of the last block is erased flash.
    EXPECT_EQ(console.flash(kUnitBus, 0x200010 + 300, 84), std::vector<std::uint8_t>(84, 0xFF));
}

TEST_F(UpdateEngineTest, ThePreservedAreaOfUnitTwoIsReadBackAndWrittenBack) {
    const auto image = testing::patternBytes(0x800, 5);
    // The image does not start at the window base: the area still lands at 0x270000.
    addGenericUnit("SRF", 0x201000, image, 2);
    const auto preserved = testing::patternBytes(0x400, 77);
    console.presetFlash(2, 0x270000, preserved);
    load();
    run(data::OperationCode::Write);

    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
    EXPECT_EQ(console.flash(2, 0x201000, image.size()), image);
    EXPECT_EQ(console.flash(2, 0x270000, preserved.size()), preserved);
    const auto blocks = console.blockAddresses(0x32);
    ASSERT_EQ(blocks.size(), 0x800u / 128 + 9);
    EXPECT_THAT(std::vector<std::uint32_t>(blocks.end() - 9, blocks.end()),
                ElementsAre(0x270000u, 0x270080u, 0x270100u, 0x270180u, 0x270200u, 0x270280u, 0x270300u,
                            0x270380u, 0x270400u));
    std::vector<std::uint8_t> window(0x80000, 0xFF);
    std::copy(image.begin(), image.end(), window.begin() + 0x1000);
    std::copy(preserved.begin(), preserved.end(), window.begin() + 0x70000);
    EXPECT_EQ(console.lastChecksum(), windowChecksum(window));
}

TEST_F(UpdateEngineTest, EraseOnlySendsNoDataAndClearsTheResultText) {
    addGenericUnit("SRF", 0x200000, testing::patternBytes(256, 1));
    console.replyDelayMs = 50;
    load();
    StatusRecorder recorder(engine.status());
    run(data::OperationCode::Erase);
    recorder.stop();
    // Boot switch 1, erase sent 2, and the erase reply moves the bar by 3.
    const auto overall = recorder.overallPositions();
    EXPECT_THAT(overall, Contains(2));
    EXPECT_THAT(overall, Contains(5));
    EXPECT_TRUE(console.blockAddresses(0x32).empty());
    EXPECT_EQ(user.finalStatusText, "=== Erase Completed (Retry=0) ===");
    EXPECT_EQ(units.unit(0)->resultText(), "");
}

TEST_F(UpdateEngineTest, TheCheckPassDeselectsARowWhoseIdByteIsFF) {
    const auto dir = files.addUnit("SRF",
                                   "[SETTINGS]\nREQUEST=12\nSTATUS=4096\n[CPU]\n"
                                   "MAIN=MAIN, 5, 0, 256, 512, 0\nSUB=SUBB, 6, 0, 258, 514, 1\n");
    testing::writeSRecordFile(dir / "MAIN0105.mot", 0x200000, testing::patternBytes(128, 1));
    testing::writeSRecordFile(dir / "SUBB0105.mot", 0x200000, testing::patternBytes(128, 2));
    console.setRegister(0x00, 512, {0x00});
    console.setRegister(0x00, 514, {0xFF});
    load();
    run(data::OperationCode::Write);
    EXPECT_EQ(console.blockAddresses(0x32).size(), 1u);
    EXPECT_EQ(console.flash(5, 0x200000, 128), testing::patternBytes(128, 1));
    EXPECT_EQ(console.flash(6, 0x200000, 128), std::vector<std::uint8_t>(128, 0xFF));
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
}

TEST_F(UpdateEngineTest, AFailedWriteLeavesNothingBehindThatCutsTheNextCheckPassShort) {
    const auto dir = files.addUnit("SRF",
                                   "[SETTINGS]\nREQUEST=12\nSTATUS=4096\n[CPU]\n"
                                   "MAIN=MAIN, 5, 0, 256, 512, 0\nSUB=SUBB, 6, 0, 258, 514, 1\n");
    testing::writeSRecordFile(dir / "MAIN0105.mot", 0x200000, testing::patternBytes(128, 1));
    testing::writeSRecordFile(dir / "SUBB0105.mot", 0x200000, testing::patternBytes(128, 2));
    console.setRegister(0x00, 512, {0x00});
    console.setRegister(0x00, 514, {0x00});
    console.refuseBlockAt = 0x200000;
    engine.setRetryCount(1);
    load();
    run(data::OperationCode::Write);
    ASSERT_EQ(units.unit(0)->resultText(), "Failed");

    console.refuseBlockAt = -1;
    const std::size_t sentBefore = console.sent().size();
    run(data::OperationCode::Write);
    const auto sent = console.sent();
    std::vector<std::uint16_t> idReads;
    for (std::size_t i = sentBefore; i < sent.size(); ++i) {
        if (sent[i][1] == (0xC0 | kReadCommand)) {
            idReads.push_back(static_cast<std::uint16_t>((sent[i][4] << 8) | sent[i][5]));
        }
    }
    EXPECT_THAT(idReads, ElementsAre(512, 514));
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
    EXPECT_EQ(engine.lastResult(), ResultCode::Ok);
}

TEST_F(UpdateEngineTest, AUnitWithoutSelectedImagesEndsWithNothingToDo) {
    addGenericUnit("SRF", 0x200000, testing::patternBytes(128, 1));
    load();
    units.unit(0)->loadRows(true);
    units.unit(0)->row(0)->setSelected(false);
    run(data::OperationCode::Write);
    EXPECT_EQ(user.finalStatusText, "No anyting !!!");
    EXPECT_TRUE(user.finalErrorFlag);
    EXPECT_EQ(units.unit(0)->resultText(), "");
    EXPECT_EQ(engine.lastResult(), ResultCode::Failed);
}

TEST_F(UpdateEngineTest, AnImageOutsideTheWindowFailsWithTheLoadersText) {
    const auto dir =
        files.addUnit("SRF", "[SETTINGS]\nREQUEST=12\nSTATUS=4096\n[CPU]\nMAIN=MAIN, 5, 0, 256, 65535, 0\n");
    std::ofstream(dir / "MAIN0105.mot") << "S00600004844521B\nS1130000285F245F2212226A000424290008237C2B\n";
    engine.setRetryCount(1);
    load();
    run(data::OperationCode::Write);
    EXPECT_EQ(user.finalStatusText, "Address Error! Address=00000000H, Line=2");
    EXPECT_EQ(units.unit(0)->resultText(), "Failed");
    EXPECT_TRUE(console.blockAddresses(0x32).empty());
}

TEST_F(UpdateEngineTest, EraseOnlyOfThePreservingUnitNeedsNoReadBack) {
    addGenericUnit("SRF", 0x200000, testing::patternBytes(256, 1), 2);
    load();
    run(data::OperationCode::Erase);
    EXPECT_EQ(user.finalStatusText, "=== Erase Completed (Retry=0) ===");
    for (const auto& message : console.sent()) {
        EXPECT_NE(message[1], 0xF1) << "a read-back request was sent";
    }
}

struct RejectionCase {
    const char* name;
    void (*arrange)(FakeConsole&);
    const char* statusText;
};

void PrintTo(const RejectionCase& rejection, std::ostream* out) {
    *out << rejection.name;
}

class GenericRejectionTest : public UpdateEngineTest, public ::testing::WithParamInterface<RejectionCase> {};

TEST_P(GenericRejectionTest, EndsFailedWithTheUnitsReason) {
    addGenericUnit("SRF", 0x200000, testing::patternBytes(0x400, 4));
    GetParam().arrange(console);
    engine.setRetryCount(2);
    load();
    StatusRecorder recorder(engine.status());
    run(data::OperationCode::Write);
    EXPECT_THAT(recorder.stop(), Contains(GetParam().statusText));
    EXPECT_EQ(units.unit(0)->resultText(), "Failed");
    EXPECT_TRUE(user.finalErrorFlag);
    EXPECT_NE(user.finalStatusText.find("Completed"), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rejections, GenericRejectionTest,
    ::testing::Values(RejectionCase{"Erase", [](FakeConsole& c) { c.eraseAnswer = 1; }, "Erase Failed"},
                      RejectionCase{"Block", [](FakeConsole& c) { c.refuseBlockAt = 0x200100; },
                                    "Write Failed (00200100H - 0020017FH)"},
                      RejectionCase{"Checksum", [](FakeConsole& c) { c.checksumAnswer = 1; },
                                    "Checksum Failed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateEngineTest, ASilentUnitTimesOutOnEveryAttempt) {
    addGenericUnit("SRF", 0x200000, testing::patternBytes(128, 1));
    console.silent = true;
    engine.setCheckBeforeWrite(0);
    load();
    StatusRecorder recorder(engine.status());
    run(data::OperationCode::Write);
    const auto seen = recorder.stop();
    for (const char* text :
         {"Time Out - Failed(1)", "Time Out - Failed(2)", "Time Out - Failed(3)", "Time Out - Failed(4)"}) {
        EXPECT_THAT(seen, Contains(text));
    }
    EXPECT_EQ(user.finalStatusText, "Retry TimeOut !!!");
    EXPECT_EQ(units.unit(0)->resultText(), "Failed");
    // Five attempts; the boot-mode leave goes out through the last one's interface.
    EXPECT_EQ(console.initCount(), 5);
}

TEST_F(UpdateEngineTest, DelayedRepliesWithinTheTimeoutStillComplete) {
    const auto image = testing::patternBytes(0x200, 8);
    addGenericUnit("SRF", 0x200000, image);
    console.replyDelayMs = 30;
    load();
    run(data::OperationCode::Write);
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
    EXPECT_EQ(console.flash(kUnitBus, 0x200000, image.size()), image);
}

TEST_F(UpdateEngineTest, CancelDuringTheTransferEndsCanceled) {
    addGenericUnit("SRF", 0x200000, testing::patternBytes(0x4000, 8));
    console.replyDelayMs = 5;
    load();
    ASSERT_TRUE(engine.startOperation(data::OperationCode::Write, 0, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    engine.control().cancel();
    engine.waitUntilFinished();
    EXPECT_EQ(units.unit(0)->resultText(), "Canceled");
    EXPECT_NE(console.flash(kUnitBus, 0x200000, 0x4000), testing::patternBytes(0x4000, 8));
}

TEST_F(UpdateEngineTest, ACancelledWriteStillWaitsForTheUsersOk) {
    // A progress window that stays up until its OK is pressed.
    class WindowUp : public NullFrontEnd {
      public:
        bool askForOk(const StatusModel&) override {
            asked = true;
            return true;
        }
        std::atomic<bool> asked{false};
    };
    WindowUp window;
    engine.setFrontEnd(&window);
    addGenericUnit("SRF", 0x200000, testing::patternBytes(0x4000, 8));
    console.replyDelayMs = 5;
    load();
    ASSERT_TRUE(engine.startOperation(data::OperationCode::Write, 0, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    engine.control().cancel();
    for (int i = 0; i < 500 && !window.asked; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(window.asked.load());
    EXPECT_TRUE(engine.pollDone());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(engine.busy()) << "the worker waits for the OK";
    engine.control().giveOk();
    engine.waitUntilFinished();
    EXPECT_EQ(units.unit(0)->resultText(), "Canceled");
    EXPECT_EQ(engine.lastResult(), ResultCode::Cancelled);
}

TEST_F(UpdateEngineTest, WithoutAFrontEndNobodyIsAskedAndTheWriteEnds) {
    engine.setFrontEnd(nullptr);
    addGenericUnit("SRF", 0x200000, testing::patternBytes(256, 1));
    load();
    run(data::OperationCode::Write);
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
    EXPECT_TRUE(user.events().empty());
}

TEST_F(UpdateEngineTest, CancelDuringTheBootWaitEndsCanceled) {
    data::UnitTiming timing;
    timing.bootIn = 5;
    timing.timeout = 1;
    timing.retryTime = 0;
    engine.setTiming(data::UnitModel::SRF7, timing);
    addGenericUnit("SRF", 0x200000, testing::patternBytes(128, 1));
    load();
    StatusRecorder recorder(engine.status());
    ASSERT_TRUE(engine.startOperation(data::OperationCode::Write, 0, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    engine.control().cancel();
    engine.waitUntilFinished();
    EXPECT_THAT(recorder.stop(), Contains("  BOOT Change Wait 5 seconds"));
    EXPECT_EQ(units.unit(0)->resultText(), "Canceled");
    EXPECT_TRUE(console.blockAddresses(0x32).empty());
}

// ---- type-3 and type-4 units ------------------------------------------------------

std::string segmentedSettings(int type) {
    return "[SETTINGS]\nTYPE=" + std::to_string(type) +
           "\nREQUEST=12\nSTATUS=8192, 2\n[CPU]\nA=AAAA, 19, 0, 256, 65535, 0\nB=BBBB, 19, 0, 258, 65535, "
           "1\n";
}

// A type-3 unit LIO with one of its two rows selected, holding this image.
void UpdateEngineTest::loadTypeThreeUnit(int selectedRow, const std::vector<std::uint8_t>& image) {
    const auto dir = files.addUnit("LIO", segmentedSettings(3));
    testing::writeSRecordFile(dir / (selectedRow == 0 ? "AAAA0105.mot" : "BBBB0105.mot"), 0x200000, image);
    load();
    units.unit(0)->loadRows(true);
    units.unit(0)->row(1 - selectedRow)->setSelected(false);
}

TEST_F(UpdateEngineTest, TypeThreeWriteAnswersTheEchoAndSendsTheChecksum) {
    const auto image = testing::patternBytes(0x400, 6);
    console.selectEcho = 0xA55A;
    loadTypeThreeUnit(1, image);
    run(data::OperationCode::Write);

    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
    EXPECT_EQ(console.flash(0x13, 0x200000, image.size()), image);
    bool echoed = false;
    for (const auto& message : console.sent()) {
        echoed =
            echoed || message == std::vector<std::uint8_t>{0x07, 0x33, 0x1F, 0x13, 0x00, 0x12, 0xA5, 0x5A};
    }
    EXPECT_TRUE(echoed);
    // Select and write start carry the mask of row 1.
    EXPECT_THAT(console.sent(), Contains(ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x00, 0x12, 0x00, 0x02)));
    EXPECT_THAT(console.sent(), Contains(ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x00, 0x22, 0x00, 0x02)));
}

TEST_F(UpdateEngineTest, TypeThreeWrongTargetDeselectsWithoutUsingAnAttemptAndNeverReadsCompleted) {
    console.selectRefusal = 1;
    engine.setRetryCount(1);
    loadTypeThreeUnit(0, testing::patternBytes(128, 1));
    StatusRecorder recorder(engine.status());
    run(data::OperationCode::Write);
    EXPECT_THAT(recorder.stop(), Contains("Not the intended object!!"));
    EXPECT_FALSE(units.unit(0)->row(0)->selectedFlag());
    // The repeated attempt (not counted against the single one allowed) finds nothing left to write.
    EXPECT_EQ(user.finalStatusText, "No anyting !!!");
    EXPECT_TRUE(user.finalErrorFlag);
    EXPECT_EQ(units.unit(0)->resultText(), "Failed");
}

TEST_F(UpdateEngineTest, TypeThreeChecksumRejectionFails) {
    console.checksumAnswer = 1;
    engine.setRetryCount(1);
    loadTypeThreeUnit(0, testing::patternBytes(256, 1));
    StatusRecorder recorder(engine.status());
    run(data::OperationCode::Write);
    EXPECT_THAT(recorder.stop(), Contains("Checksum Failed"));
    EXPECT_EQ(units.unit(0)->resultText(), "Failed");
}

// A type-4 image: block 0 with its mask byte, and data in the blocks the mask names.
void writeSegmentedImage(const std::filesystem::path& path, std::uint8_t mask,
                         std::vector<std::uint8_t>& window) {
    window.assign(0x100000, 0xFF);
    const auto first = testing::patternBytes(0x1000, 11);
    std::copy(first.begin(), first.end(), window.begin());
    window[7] = mask;
    for (int i = 1; i < 8; ++i) {
        if (mask & (1 << i)) {
            const auto block = testing::patternBytes(0x10000, static_cast<std::uint8_t>(i));
            std::copy(block.begin(), block.end(), window.begin() + i * 0x10000);
        }
    }
    std::vector<std::uint8_t> used(window.begin(), window.begin() + 0x80000);
    testing::writeSRecordFile(path, 0x300000, used);
}

TEST_F(UpdateEngineTest, TypeFourWithoutBlocksWritesTheFirst4KAndTheEnd) {
    const auto dir = files.addUnit("XDG", segmentedSettings(4));
    std::vector<std::uint8_t> window;
    writeSegmentedImage(dir / "AAAA0105.mot", 0x01, window);
    console.typeFour = true;
    load();
    units.unit(0)->loadRows(true);
    units.unit(0)->row(1)->setSelected(false);
    run(data::OperationCode::Write);
    const auto blocks = console.blockAddresses(0x33);
    ASSERT_EQ(blocks.size(), 32u);
    EXPECT_EQ(blocks.front(), 0x300000u);
    EXPECT_EQ(blocks.back(), 0x300F80u);
    EXPECT_THAT(console.sent().back(), ElementsAre(0x07, 0x33, 0x1F, 0x13, 0x01, 0x64, 0x00, 0x00));
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
}

TEST_F(UpdateEngineTest, TypeFourWritesEveryMarkedBlockAtItsOwnAddress) {
    const auto dir = files.addUnit("XDG", segmentedSettings(4));
    std::vector<std::uint8_t> window;
    writeSegmentedImage(dir / "AAAA0105.mot", 0x0A, window);  // blocks 1 and 3
    console.typeFour = true;
    load();
    units.unit(0)->loadRows(true);
    units.unit(0)->row(1)->setSelected(false);
    run(data::OperationCode::Write);
    const auto blocks = console.blockAddresses(0x33);
    ASSERT_EQ(blocks.size(), 32u + 2 * 512u);
    EXPECT_EQ(blocks[32], 0x310000u);
    EXPECT_EQ(blocks[32 + 512], 0x330000u);
    EXPECT_EQ(console.flash(0x13, 0x310000, 0x10000),
              std::vector<std::uint8_t>(window.begin() + 0x10000, window.begin() + 0x20000));
    EXPECT_EQ(console.flash(0x13, 0x330000, 0x10000),
              std::vector<std::uint8_t>(window.begin() + 0x30000, window.begin() + 0x40000));
    EXPECT_EQ(console.flash(0x13, 0x320000, 16), std::vector<std::uint8_t>(16, 0xFF));
    EXPECT_EQ(units.unit(0)->resultText(), "Completed");
}

TEST_F(UpdateEngineTest, TypeFourEndRejectionIsAWriteFailure) {
    const auto dir = files.addUnit("XDG", segmentedSettings(4));
    std::vector<std::uint8_t> window;
    writeSegmentedImage(dir / "AAAA0105.mot", 0x01, window);
    console.typeFour = true;
    console.endAnswer = 1;
    engine.setRetryCount(1);
    load();
    units.unit(0)->loadRows(true);
    units.unit(0)->row(1)->setSelected(false);
    run(data::OperationCode::Write);
    EXPECT_EQ(units.unit(0)->resultText(), "Failed");
    EXPECT_TRUE(user.finalErrorFlag);
}

}  // namespace
}  // namespace engine
