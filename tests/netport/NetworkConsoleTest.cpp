// flashkit-cli against qx7a-sim behind ser2net, the device server of Debian,
// over rfc2217:// and socket://, and against the tests' own server for the
// faults: the same results as on the local line, never a connection at
// start-up, and clear errors that name the port.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "CliConsoleFixture.h"
#include "ComPortTestServer.h"
#include "platform/testing/LoopbackSocket.h"
#include "platform/testing/Ser2netProcess.h"

namespace clitest {
namespace {

using nettest::ComPortTestServer;
using nettest::ServerBehaviour;
using std::chrono::seconds;

const std::vector<std::string> kUnits = {"SRF7", "ENG7", "LIO7", "XDG7", "XDG7D"};

std::string contentOf(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// What a session leaves: the console's flash and versions, and what the
// program printed.
struct Session {
    std::filesystem::path dump;
    std::string versionsBefore;
    std::string versionsAfter;
    std::string errors;
    bool ok = false;
};

// getver, a write of every unit (generic with read-back, block-read generic,
// type 3, type 4 and the direct type-2 path), getver, through port.
Session runSession(const std::string& port, const std::string& device, ScratchFolder& folder,
                   const std::string& dump) {
    Session session;
    session.dump = dump;
    folder.write("FLASHKIT.INI", settingsText(device));
    const std::map<std::string, std::string> environment = {{"FLASHKIT_PORTS", device}};
    const auto cli = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--ini", folder.file("FLASHKIT.INI"), "--port", port});
        return ProgramRun::run(cliProgram(), arguments, environment, seconds(240));
    };
    const auto before = cli({"getver"});
    session.versionsBefore = before.out;
    session.errors += before.err;
    session.ok = before.exitStatus == 0;
    for (const std::string& unit : kUnits) {
        const auto written = cli({"write", unit});
        session.errors += written.err;
        if (written.exitStatus != 0 || written.out.find("Completed") == std::string::npos) {
            ADD_FAILURE() << "write " << unit << " through " << port << ":\n" << written.out << written.err;
            session.ok = false;
        }
    }
    const auto after = cli({"getver"});
    session.versionsAfter = after.out;
    session.errors += after.err;
    session.ok = session.ok && after.exitStatus == 0;
    return session;
}

class NetworkConsole : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!platform::Ser2netProcess::installed()) {
            return;
        }
        // The same session on the local line, once, as the yardstick.
        reference_ = new ScratchFolder();
        simtest::SimProcess console;
        const std::string dump = reference_->file("dump");
        ASSERT_TRUE(console.start({"--console", kDemoRoot + "/console.json", "--dump", dump}))
            << console.error();
        referenceSession_ = runSession(console.portPath(), console.portPath(), *reference_, dump);
        ASSERT_EQ(console.stop(), 0);
        ASSERT_TRUE(referenceSession_.ok) << referenceSession_.errors;
    }
    static void TearDownTestSuite() {
        delete reference_;
        reference_ = nullptr;
    }

    void SetUp() override {
        if (!platform::Ser2netProcess::installed()) {
            GTEST_SKIP() << "ser2net is not installed (scripts/bootstrap installs it)";
        }
    }

    // qx7a-sim dumping into the folder, ser2net in front of its line.
    void startBehindSer2net(bool rfc2217) {
        ASSERT_TRUE(console.start({"--console", kDemoRoot + "/console.json", "--dump", folder.file("dump")}))
            << console.error();
        platform::Ser2netProcess::Options options;
        options.rfc2217 = rfc2217;
        ASSERT_TRUE(server.start(console.portPath(), options)) << server.error();
    }

    // The session through ser2net leaves the console as the local one did.
    void expectSameAsLocal(const Session& session) {
        ASSERT_EQ(console.stop(), 0);
        EXPECT_EQ(session.versionsBefore, referenceSession_.versionsBefore);
        EXPECT_EQ(session.versionsAfter, referenceSession_.versionsAfter);
        std::size_t compared = 0;
        for (const auto& entry : std::filesystem::directory_iterator(referenceSession_.dump)) {
            const std::string name = entry.path().filename().string();
            if (entry.path().extension() != ".bin" && name != "console.json") {
                continue;
            }
            ++compared;
            EXPECT_TRUE(contentOf(entry.path()) == contentOf(session.dump / name)) << name << " differs";
        }
        EXPECT_GE(compared, 8u);
    }

    static ScratchFolder* reference_;
    static Session referenceSession_;

    ScratchFolder folder;
    simtest::SimProcess console;
    platform::Ser2netProcess server;
};

ScratchFolder* NetworkConsole::reference_ = nullptr;
Session NetworkConsole::referenceSession_;

TEST_F(NetworkConsole, EveryUnitKindWrittenOverRfc2217EqualsTheLocalLine) {
    startBehindSer2net(true);
    const Session session = runSession(server.url(), server.url(), folder, folder.file("dump"));
    EXPECT_TRUE(session.ok) << session.errors;
    EXPECT_EQ(session.errors.find("carries bytes only"), std::string::npos) << session.errors;
    expectSameAsLocal(session);
}

TEST_F(NetworkConsole, EveryUnitKindWrittenOverRawTcpEqualsTheLocalLineAndEachOperationSaysItOnce) {
    startBehindSer2net(false);
    const Session session = runSession(server.url(), server.url(), folder, folder.file("dump"));
    EXPECT_TRUE(session.ok) << session.errors;
    // Each command says it once for each line it needs: the two getver runs
    // need both lines, each write the one of its path.
    EXPECT_EQ(occurrences(session.errors, server.url() + " carries bytes only"), 9u) << session.errors;
    EXPECT_NE(session.errors.find("needs 38400 baud 8N1 (boot loader)"), std::string::npos) << session.errors;
    EXPECT_NE(session.errors.find("needs 115200 baud 8N2 with DTR and RTS on (host interface)"),
              std::string::npos)
        << session.errors;
    expectSameAsLocal(session);
}

TEST_F(NetworkConsole, AServerThatGoesAwayMidWriteEndsTheWriteWithoutCompletedAndNamesThePort) {
    for (const char* unit : {"XDG7", "XDG7D"}) {
        SCOPED_TRACE(unit);
        startBehindSer2net(true);
        folder.write("FLASHKIT.INI", settingsText(server.url()));
        ProgramRun run;
        ASSERT_TRUE(run.start(cliProgram(),
                              {"--ini", folder.file("FLASHKIT.INI"), "--port", server.url(), "write", unit}));
        ASSERT_TRUE(run.waitForText("Writing", seconds(60))) << run.out() << run.err();
        server.stop();
        const auto outcome = run.finish(seconds(120));
        EXPECT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
        EXPECT_EQ(outcome.out.find("Completed"), std::string::npos) << outcome.out;
        EXPECT_NE(outcome.err.find(server.url() + ": connection refused"), std::string::npos) << outcome.err;
        console.stop();
    }
}

TEST_F(NetworkConsole, SeveralConsolesAtOnceTakeANetworkPortLikeAnyOther) {
    startBehindSer2net(true);
    simtest::SimProcess local;
    const std::string localDump = folder.file("local-dump");
    std::filesystem::create_directories(localDump);
    ASSERT_TRUE(local.start({"--console", kDemoRoot + "/console.json", "--dump", localDump})) << local.error();
    folder.write("TWO.LST", "SRF7, " + kDemoRoot + "/SRF7\nENG7, " + kDemoRoot + "/ENG7\n");
    folder.write("FLASHKIT.INI", settingsText(local.portPath()));

    const auto outcome = ProgramRun::run(cliProgram(),
                                         {"--ini", folder.file("FLASHKIT.INI"), "--list", folder.file("TWO.LST"),
                                          "--port", local.portPath(), "--port", server.url(), "--json", "update"},
                                         {{"FLASHKIT_PORTS", local.portPath()}}, seconds(240));
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    const json result = json::parse(outcome.out);
    EXPECT_EQ(result["result"], "Ok");
    EXPECT_TRUE(result["retry"].is_null());
    ASSERT_EQ(result["consoles"].size(), 2u) << outcome.out;
    EXPECT_EQ(result["consoles"][0]["port"], local.portPath());
    EXPECT_EQ(result["consoles"][1]["port"], server.url());
    for (const json& each : result["consoles"]) {
        EXPECT_EQ(each["result"], "Ok") << each.dump();
        ASSERT_EQ(each["units"].size(), 2u) << each.dump();
        EXPECT_EQ(each["units"][0]["after"], "1.06") << each.dump();
        EXPECT_EQ(each["units"][1]["after"], "2.03") << each.dump();
        EXPECT_EQ(each["units"][1]["verified"], true) << each.dump();
    }
    EXPECT_EQ(local.stop(), 0);
}

// The faults of the server, with the tests' own one: no console behind it.
class NetworkFaults : public ::testing::Test {
  protected:
    ProgramRun::Outcome cli(const std::string& port, std::vector<std::string> arguments,
                            const std::string& extraPorts = {}) {
        folder.write("FLASHKIT.INI", settingsText(port));
        arguments.insert(arguments.begin(), {"--ini", folder.file("FLASHKIT.INI")});
        return ProgramRun::run(cliProgram(), arguments,
                               {{"FLASHKIT_PORTS", extraPorts.empty() ? port : extraPorts}}, seconds(60));
    }

    ScratchFolder folder;
};

TEST_F(NetworkFaults, StartUpAndThePortListNeverConnect) {
    ComPortTestServer server(ServerBehaviour::ComPort);
    ASSERT_TRUE(server.start());
    // Listed in FLASHKIT_PORTS with a colon of its own, and named by DEVICE.
    const std::string both = server.url() + ":socket://127.0.0.1:1:rfc2217://127.0.0.1:99999";
    const auto ports = cli(server.url(), {"ports"}, both);
    EXPECT_EQ(ports.exitStatus, 0) << ports.err;
    EXPECT_EQ(ports.out, server.url() + "\nsocket://127.0.0.1:1\n");
    EXPECT_NE(ports.err.find("rfc2217://127.0.0.1:99999 left out: port 99999 is out of range (1 to 65535)"),
              std::string::npos)
        << ports.err;
    const auto units = cli(server.url(), {"units"}, both);
    EXPECT_EQ(units.exitStatus, 0) << units.err;
    // DEVICE alone, with no other port at all: offered, not replaced.
    folder.write("FLASHKIT.INI", settingsText(server.url()));
    const auto alone =
        ProgramRun::run(cliProgram(), {"--ini", folder.file("FLASHKIT.INI"), "--json", "ports"},
                        {{"FLASHKIT_PORTS", ""}}, seconds(30));
    EXPECT_EQ(alone.exitStatus, 0) << alone.err;
    EXPECT_NE(alone.out.find("\"ports\":[\"" + server.url() + "\"]"), std::string::npos) << alone.out;
    // A URL given with --port alone is taken as well.
    folder.write("FLASHKIT.INI", settingsText("/dev/null"));
    const auto named =
        ProgramRun::run(cliProgram(), {"--ini", folder.file("FLASHKIT.INI"), "--port", server.url(), "ports"},
                        {{"FLASHKIT_PORTS", ""}}, seconds(30));
    EXPECT_EQ(named.exitStatus, 0) << named.err;
    EXPECT_EQ(named.out, server.url() + "\n");
    EXPECT_EQ(server.connections(), 0);
}

TEST_F(NetworkFaults, AMalformedPortIsBadUsageAndNamesWhatIsWrong) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"rfc2217://127.0.0.1", "--port rfc2217://127.0.0.1: no port number (rfc2217://HOST:PORT)"},
        {"socket://127.0.0.1:70000",
         "--port socket://127.0.0.1:70000: port 70000 is out of range (1 to 65535)"},
        {"rfc2217://127.0.0.1:abc", "--port rfc2217://127.0.0.1:abc: port abc is not a number"},
    };
    for (const auto& [port, message] : cases) {
        const auto outcome = cli("/dev/null", {"--port", port, "getver", "SRF7"}, "/dev/null");
        EXPECT_EQ(outcome.exitStatus, 2) << port;
        EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
    }
}

TEST_F(NetworkFaults, ARefusedConnectionFailsBothPathsWithTheReasonAndThePort) {
    const std::string port = "rfc2217://127.0.0.1:" + std::to_string(platform::unusedLoopbackPort());
    for (const char* unit : {"SRF7", "XDG7D"}) {
        const auto outcome = cli(port, {"--port", port, "getver", unit});
        EXPECT_EQ(outcome.exitStatus, 1) << unit << ": " << outcome.out << outcome.err;
        EXPECT_NE(outcome.err.find(port + ": connection refused"), std::string::npos)
            << unit << ": " << outcome.err;
    }
    const auto write = cli(port, {"--port", port, "write", "SRF7"});
    EXPECT_EQ(write.exitStatus, 1);
    EXPECT_EQ(write.out.find("Completed"), std::string::npos);
    EXPECT_NE(write.err.find(port + ": connection refused"), std::string::npos) << write.err;
}

TEST_F(NetworkFaults, AServerThatNeverTakesUpTheComPortOptionIsToldApartFromARawPort) {
    for (const ServerBehaviour behaviour :
         {ServerBehaviour::NeverNegotiates, ServerBehaviour::RefusesComPort}) {
        ComPortTestServer server(behaviour);
        ASSERT_TRUE(server.start());
        const auto started = std::chrono::steady_clock::now();
        const auto outcome = cli(server.url(), {"--port", server.url(), "getver", "SRF7"});
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(outcome.exitStatus, 1) << outcome.out << outcome.err;
        EXPECT_NE(
            outcome.err.find(server.url() + ": does not speak RFC 2217; for a raw TCP port use socket://"),
            std::string::npos)
            << outcome.err;
        // Bounded: the negotiation wait, once for the operation and once for the reason.
        EXPECT_LT(took, seconds(20));
    }
}

}  // namespace
}  // namespace clitest
