// flashkit-cli trace on communication logs that the program itself wrote
// (DEBUG=1) in real runs against the simulated console: each kind of unit
// that goes through the interface library, a rejected block, a rejected
// checksum, a silent unit with its retries and a cancel. What the trace says
// is held against the console's own event log of the same run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "CliConsoleFixture.h"

namespace clitest {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// The console's events of one CPU and kind, in order.
std::vector<json> eventsOf(const json& events, const std::string& kind, const std::string& cpu) {
    std::vector<json> found;
    for (const json& event : events) {
        if (event["event"] == kind && event.value("cpu", "") == cpu) {
            found.push_back(event);
        }
    }
    return found;
}

// The trace's entries for one unit/CPU in one operation.
const json* unitEntry(const json& operation, const std::string& name, const std::string& cpu) {
    for (const json& unit : operation["units"]) {
        if (unit["name"] == name && unit["cpu"] == cpu) {
            return &unit;
        }
    }
    return nullptr;
}

std::vector<const json*> operationsOfKind(const json& trace, const std::string& kind) {
    std::vector<const json*> found;
    for (const json& operation : trace["operations"]) {
        if (operation["kind"] == kind) {
            found.push_back(&operation);
        }
    }
    return found;
}

bool hasProblem(const json& operation, const std::string& kind, const std::string& text = {}) {
    for (const json& problem : operation["problems"]) {
        if (problem["kind"] == kind && problem["text"].get<std::string>().find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string hex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// A copy of the program with its libraries in a folder of its own, so that
// the log it writes beside itself is this test's alone.
class TracedRun : public CliConsole {
  protected:
    void SetUp() override {
        const fs::path bin = fs::path(cliProgram()).parent_path();
        fs::create_directories(folder.path() / "app");
        for (const char* name : {"flashkit-cli", "libtrx.so", "libcmpak.so"}) {
            fs::copy_file(bin / name, folder.path() / "app" / name);
        }
        dump = folder.file("dump");
    }

    void startLoggedConsole(const std::vector<std::string>& faults = {}) {
        startConsole(faults, 1, {"--dump", dump});
        // The settings of the run: the test's short timings, and the log on.
        std::string text = settingsText(console.portPath());
        text.replace(text.find("[DATA]"), 0, "DEBUG=1\n");
        folder.write("FLASHKIT.INI", text);
    }

    std::string program() const { return folder.file("app/flashkit-cli"); }
    std::string logPath() const { return folder.file("app/COMMU.LOG"); }

    ProgramRun::Outcome write(const std::vector<std::string>& arguments) {
        return ProgramRun::run(program(), withSettings(arguments), {{"FLASHKIT_PORTS", console.portPath()}});
    }

    // Stops the console and reads its event log.
    json consoleEvents() {
        EXPECT_EQ(console.stop(), 0);
        return json::parse(readFile(fs::path(dump) / "events.json"));
    }

    json trace() {
        const auto outcome = runCli({"--json", "--ini", folder.file("FLASHKIT.INI"), "trace", logPath()});
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
        EXPECT_TRUE(outcome.err.empty()) << outcome.err;
        try {
            return json::parse(outcome.out);
        } catch (const json::exception&) {
            ADD_FAILURE() << "not one JSON object: " << outcome.out;
            return json::object();
        }
    }

    std::string dump;
};

// Every block the console took for a CPU, against the trace's entry for it.
void expectBlocksMatch(const json& entry, const std::vector<json>& blocks) {
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(entry["blocks"], blocks.size());
    EXPECT_EQ(entry["firstAddress"], blocks.front()["address"]);
    EXPECT_EQ(entry["lastAddress"], blocks.back()["address"]);
    EXPECT_EQ(entry["blocksAcknowledged"], blocks.size());
}

TEST_F(TracedRun, AGenericWriteWithTheReadBackOfItsPreservedArea) {
    startLoggedConsole();
    const auto outcome = write({"write", "SRF7"});
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    const json events = consoleEvents();
    const json report = trace();

    EXPECT_EQ(report["malformedLines"], 0);
    ASSERT_EQ(report["writes"].size(), 1u) << report.dump(1);
    EXPECT_EQ(report["writes"][0]["result"], "Ok");
    EXPECT_EQ(report["writes"][0]["attempts"], 1);

    const auto checks = operationsOfKind(report, "check");
    ASSERT_EQ(checks.size(), 1u);
    const json* mainId = unitEntry(*checks[0], "SRF7", "MAIN");
    ASSERT_NE(mainId, nullptr) << checks[0]->dump(1);
    EXPECT_EQ((*mainId)["idBytes"], json::array({0}));

    const auto writes = operationsOfKind(report, "write");
    ASSERT_EQ(writes.size(), 1u);
    const json& operation = *writes[0];
    EXPECT_EQ(operation["result"], "Ok") << operation["problems"].dump(1);
    EXPECT_TRUE(operation["exactTimes"]);
    EXPECT_TRUE(operation["problems"].empty()) << operation["problems"].dump(1);
    for (const std::string cpu : {"MAIN", "SUB"}) {
        SCOPED_TRACE(cpu);
        const json* entry = unitEntry(operation, "SRF7", cpu);
        ASSERT_NE(entry, nullptr) << operation.dump(1);
        expectBlocksMatch(*entry, eventsOf(events, "block", "SRF7/" + cpu));
        const auto checksums = eventsOf(events, "checksum", "SRF7/" + cpu);
        ASSERT_EQ(checksums.size(), 1u);
        EXPECT_EQ((*entry)["checksum"]["sent"],
                  std::stoul(checksums[0]["expected"].get<std::string>(), nullptr, 16));
        EXPECT_EQ((*entry)["checksum"]["answer"], 0);
        EXPECT_EQ((*entry)["erase"], (json{{"sent", 1}, {"answer", 0}}));
    }
    // SUB at bus 2 keeps its 1 KB area: read back in 8 pieces before the erase.
    EXPECT_EQ((*unitEntry(operation, "SRF7", "SUB"))["readBackPieces"], 8);
    EXPECT_EQ(eventsOf(events, "flash-read", "SRF7/SUB").size(), 8u);
    // Boot mode in and out, as the console saw it.
    std::size_t broadcasts = 0;
    for (const json& event : events) {
        broadcasts += event["event"] == "broadcast" ? 1 : 0;
    }
    std::size_t bootSteps = 0;
    for (const auto* op : writes) {
        for (const json& step : (*op)["steps"]) {
            bootSteps += step["kind"] == "boot-enter" || step["kind"] == "boot-leave" ? 1 : 0;
        }
    }
    EXPECT_EQ(broadcasts, 3u);  // in (v = 1, v = 0) and out
    EXPECT_EQ(bootSteps, 2u);
    EXPECT_GT(operation["summary"]["speed"]["bytesPerSecond"].get<double>(), 0.0);
}

TEST_F(TracedRun, AType3WriteSelectsTheCpuByItsMask) {
    startLoggedConsole();
    // One image: the unit restarts for 10 seconds after each.
    const auto outcome = write({"write", "LIO7", "--cpu", "IOB"});
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    const json events = consoleEvents();
    const json report = trace();

    const auto writes = operationsOfKind(report, "write");
    ASSERT_EQ(writes.size(), 1u) << report.dump(1);
    const json& operation = *writes[0];
    EXPECT_EQ(operation["result"], "Ok") << operation["problems"].dump(1);
    for (const std::string cpu : {"IOB"}) {
        const json* entry = unitEntry(operation, "LIO7", cpu);
        ASSERT_NE(entry, nullptr) << operation.dump(1);
        EXPECT_EQ((*entry)["bus"], 0x13);
        EXPECT_EQ((*entry)["mask"], 2);
        EXPECT_EQ((*entry)["selects"], 1);
        EXPECT_EQ((*entry)["writeStarts"], 1);
        // The first block goes out twice: once after the write start, again on its acknowledgement.
        const auto blocks = eventsOf(events, "block", "LIO7/" + cpu);
        ASSERT_FALSE(blocks.empty());
        EXPECT_EQ((*entry)["blocks"], blocks.size());
        EXPECT_EQ((*entry)["firstAddress"], blocks.front()["address"]);
        EXPECT_EQ((*entry)["lastAddress"], blocks.back()["address"]);
        const auto checksums = eventsOf(events, "checksum", "LIO7/" + cpu);
        ASSERT_EQ(checksums.size(), 1u);
        EXPECT_TRUE(checksums[0]["ok"].get<bool>());
        EXPECT_EQ((*entry)["checksum"]["answer"], 0);
    }
}

TEST_F(TracedRun, AType4WriteSendsItsFirst4KBAndTheMarkedBlocks) {
    startLoggedConsole();
    const auto outcome = write({"write", "XDG7"});
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    const json events = consoleEvents();
    const json report = trace();

    const auto writes = operationsOfKind(report, "write");
    ASSERT_EQ(writes.size(), 1u) << report.dump(1);
    const json& operation = *writes[0];
    EXPECT_EQ(operation["result"], "Ok") << operation["problems"].dump(1);
    const json* entry = unitEntry(operation, "XDG7", "MAIN");
    ASSERT_NE(entry, nullptr) << operation.dump(1);
    expectBlocksMatch(*entry, eventsOf(events, "block", "XDG7/MAIN"));
    // 32 blocks of the first 4 KB, then 512 of each marked 64 KB block (1 and 2).
    EXPECT_EQ((*entry)["blocks"], 32 + 2 * 512);
    EXPECT_EQ((*entry)["endOfWrite"], (json{{"sent", true}, {"answer", 0}}));
    EXPECT_EQ(eventsOf(events, "end-of-write", "XDG7/MAIN").size(), 1u);
}

TEST_F(TracedRun, ARejectedBlockIsNamedWithItsRangeAndTheLastAcknowledged) {
    startLoggedConsole({"SRF7/MAIN:reject-block=3"});
    const auto outcome = write({"write", "SRF7", "--cpu", "MAIN"});
    ASSERT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
    const json events = consoleEvents();
    const json report = trace();

    const auto writes = operationsOfKind(report, "write");
    const auto blocks = eventsOf(events, "block", "SRF7/MAIN");
    // Every attempt erases and is refused at its third block again.
    ASSERT_EQ(blocks.size(), 3 * writes.size());
    ASSERT_EQ(writes.size(), 5u) << report.dump(1);
    ASSERT_EQ(report["writes"].size(), 1u);
    EXPECT_EQ(report["writes"][0]["result"], "WriteFailed");
    EXPECT_EQ(report["writes"][0]["attempts"], 5);
    for (std::size_t attempt = 0; attempt < writes.size(); ++attempt) {
        SCOPED_TRACE(attempt);
        const json& operation = *writes[attempt];
        EXPECT_EQ(operation["result"], "WriteFailed");
        EXPECT_EQ(operation["attempt"], attempt + 1);
        const json* entry = unitEntry(operation, "SRF7", "MAIN");
        ASSERT_NE(entry, nullptr);
        const std::uint32_t rejected = blocks[3 * attempt + 2]["address"];
        const std::uint32_t acknowledged = blocks[3 * attempt + 1]["address"];
        EXPECT_FALSE(blocks[3 * attempt + 2]["ok"].get<bool>());
        EXPECT_EQ((*entry)["lastAcknowledged"], acknowledged);
        EXPECT_EQ((*entry)["lastAddress"], rejected);
        EXPECT_TRUE(hasProblem(operation, "rejected-block", hex8(rejected) + " - " + hex8(rejected + 127)))
            << operation["problems"].dump(1);
        EXPECT_TRUE(
            hasProblem(operation, "rejected-block", "last block acknowledged was " + hex8(acknowledged)));
        EXPECT_EQ(hasProblem(operation, "retry"), attempt > 0);
    }
}

TEST_F(TracedRun, ARejectedChecksumIsTheWritesResult) {
    startLoggedConsole({"SRF7/MAIN:reject-checksum"});
    const auto outcome = write({"write", "SRF7", "--cpu", "MAIN"});
    ASSERT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
    const json events = consoleEvents();
    const json report = trace();

    const auto checksums = eventsOf(events, "checksum", "SRF7/MAIN");
    const auto writes = operationsOfKind(report, "write");
    ASSERT_EQ(writes.size(), checksums.size()) << report.dump(1);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(report["writes"][0]["result"], "ChecksumFailed");
    for (std::size_t attempt = 0; attempt < writes.size(); ++attempt) {
        const json& operation = *writes[attempt];
        EXPECT_EQ(operation["result"], "ChecksumFailed");
        const json* entry = unitEntry(operation, "SRF7", "MAIN");
        ASSERT_NE(entry, nullptr);
        const std::string expected = checksums[attempt]["expected"];
        EXPECT_EQ((*entry)["checksum"]["sent"], std::stoul(expected, nullptr, 16));
        EXPECT_EQ((*entry)["checksum"]["answer"], 1);
        EXPECT_TRUE(hasProblem(operation, "checksum-failed", "Checksum Failed"));
        // Every block had been taken before the checksum was refused.
        EXPECT_EQ((*entry)["blocksAcknowledged"], (*entry)["blocks"]);
    }
}

TEST_F(TracedRun, ASilentUnitTimesOutInEveryAttempt) {
    startLoggedConsole({"SRF7/MAIN:silent"});
    const auto outcome = write({"write", "SRF7", "--cpu", "MAIN"});
    ASSERT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
    const json events = consoleEvents();
    const json report = trace();

    EXPECT_TRUE(eventsOf(events, "erase", "SRF7/MAIN").empty());
    const auto writes = operationsOfKind(report, "write");
    ASSERT_EQ(writes.size(), 5u) << report.dump(1);
    ASSERT_EQ(report["writes"].size(), 1u);
    EXPECT_EQ(report["writes"][0]["result"], "TimedOut");
    for (std::size_t attempt = 0; attempt < writes.size(); ++attempt) {
        SCOPED_TRACE(attempt);
        const json& operation = *writes[attempt];
        EXPECT_EQ(operation["result"], "TimedOut");
        const json* entry = unitEntry(operation, "SRF7", "MAIN");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ((*entry)["erase"], (json{{"sent", 1}, {"answer", nullptr}}));
        EXPECT_TRUE(hasProblem(operation, "silence", "the erase request to SRF7/MAIN")) << operation.dump(1);
        EXPECT_EQ(hasProblem(operation, "retry", "after TimedOut"), attempt > 0);
    }
}

TEST_F(TracedRun, ACancelDuringTheTransferEndsTheWaitForTheBlocksAnswer) {
    startLoggedConsole({"SRF7/MAIN:delay=60"});
    ProgramRun run;
    ASSERT_TRUE(run.start(program(), withSettings({"write", "SRF7", "--cpu", "MAIN"}),
                          {{"FLASHKIT_PORTS", console.portPath()}}));
    // The unit answers each of the 16 blocks after 60 ms: the cancel comes amid the transfer.
    ASSERT_TRUE(run.waitForText("Writing 0020", std::chrono::seconds(20))) << run.out() << run.err();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    run.interrupt();
    const auto outcome = run.finish(std::chrono::seconds(20));
    ASSERT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
    const json events = consoleEvents();
    const json report = trace();

    const auto writes = operationsOfKind(report, "write");
    ASSERT_EQ(writes.size(), 1u) << report.dump(1);
    const json& operation = *writes[0];
    EXPECT_EQ(operation["result"], "Cancelled");
    EXPECT_TRUE(hasProblem(operation, "cancelled", "before the TIMEOUT of SRF7")) << operation.dump(1);
    const json* entry = unitEntry(operation, "SRF7", "MAIN");
    ASSERT_NE(entry, nullptr);
    // The console took every block the trace saw acknowledged, and at most the one in flight besides.
    const auto blocks = eventsOf(events, "block", "SRF7/MAIN");
    EXPECT_EQ((*entry)["lastAcknowledged"],
              blocks[(*entry)["blocksAcknowledged"].get<std::size_t>() - 1]["address"]);
    EXPECT_LE(blocks.size(), (*entry)["blocks"].get<std::size_t>());
    EXPECT_GE(blocks.size() + 1, (*entry)["blocks"].get<std::size_t>());
    EXPECT_TRUE((*entry)["checksum"]["sent"].is_null());
    // Boot mode was left in the same opening.
    bool left = false;
    for (const json& step : operation["steps"]) {
        left = left || step["kind"] == "boot-leave";
    }
    EXPECT_TRUE(left);
}

TEST_F(TracedRun, TheTextShowsEachOperationAndEveryMessageWithAll) {
    startLoggedConsole({"SRF7/MAIN:reject-block=2"});
    ASSERT_EQ(write({"write", "SRF7", "--cpu", "MAIN"}).exitStatus, 1);
    console.stop();
    const auto text = runCli({"--ini", folder.file("FLASHKIT.INI"), "trace", "--all", logPath()});
    ASSERT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_NE(text.out.find("== Operation 1: check of write 1, Ok"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("== Operation 2: write of write 1, attempt 1, WriteFailed"), std::string::npos);
    EXPECT_NE(text.out.find("rejected-block"), std::string::npos);
    EXPECT_NE(text.out.find("== Write 1: operations 1-"), std::string::npos);
    EXPECT_NE(text.out.find(" S erase request  cmd 0x30  0x1F -> 0x01  at 0x0167  1 byte: erase SRF7/MAIN"),
              std::string::npos);
    EXPECT_NE(text.out.find("rejected: Write Failed (00200080H - 002000FFH)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Note: XDG7D is written through its own boot loader"), std::string::npos);
}

// Files that are no log, or a log that is damaged: made by hand.
TEST(TraceInput, WhatIsNoLogIsBadInputWithItsReason) {
    ScratchFolder folder;
    const auto missing = runCli({"trace", folder.file("COMMU.LOG")});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_NE(missing.err.find("cannot read the log"), std::string::npos) << missing.err;

    const auto directory = runCli({"trace", folder.path().string()});
    EXPECT_EQ(directory.exitStatus, 2);
    EXPECT_NE(directory.err.find("not a regular file"), std::string::npos) << directory.err;

    std::string garbage;
    for (int i = 0; i < 25; ++i) {
        garbage += "\x89PNG garbage \xff\xfe line " + std::to_string(i) + "\r\n";
    }
    folder.write("image.png", garbage);
    const auto notLog = runCli({"trace", folder.file("image.png")});
    EXPECT_EQ(notLog.exitStatus, 2);
    EXPECT_NE(notLog.err.find("image.png line 1: not a line of a communication log: \xef\xbf\xbdPNG garbage"),
              std::string::npos)
        << notLog.err;
    EXPECT_NE(notLog.err.find("5 more lines could not be read"), std::string::npos) << notLog.err;
    EXPECT_NE(notLog.err.find("holds no line of a communication log"), std::string::npos) << notLog.err;
}

TEST(TraceInput, ACutLogWithForeignBytesIsStillOneJsonObject) {
    ScratchFolder folder;
    folder.write("COMMU.LOG",
                 "**********LogStart**********\r\n"
                 "------:E00 ( Err ) TRX.DLL - End of InitInterFace Function.\r\n"
                 "10:00:00 05/06/2024         3:S06 30 1f 01 01 67 00 \r\n"
                 "caf\xe9 \xc3\x28 not utf-8\r\n"
                 "10:00:00 05/06/2024         9:R06 30 01 1f 01 66 00 \r\n"
                 "10:00:00 05/06/2024         1:S87 32 1f 01 00 20 00 00 5a 5");
    const auto outcome = runCli({"--json", "trace", folder.file("COMMU.LOG")});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    const json report = json::parse(outcome.out);
    EXPECT_EQ(report["malformedLines"], 2);
    EXPECT_EQ(report["messages"], 2);
    ASSERT_EQ(report["operations"].size(), 1u);
    const json& operation = report["operations"][0];
    EXPECT_EQ(operation["result"], "Unknown");
    EXPECT_FALSE(operation["closed"].get<bool>());
    EXPECT_TRUE(hasProblem(operation, "cut-off", "the log ends before CloseInterface"));
    EXPECT_EQ(operation["units"][0]["erase"], (json{{"sent", 1}, {"answer", 0}}));
    EXPECT_EQ(report["unreadableLines"][0]["text"], "caf\xef\xbf\xbd \xef\xbf\xbd( not utf-8");
    EXPECT_EQ(report["unreadableLines"][1]["reason"], "a byte is cut short");
    EXPECT_NE(report["notes"].dump().find("the last line has no line end"), std::string::npos);
}

}  // namespace
}  // namespace clitest
