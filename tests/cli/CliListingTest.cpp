// The two listings shell completion asks for: they must answer at once and
// never open a serial line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "CliTestSupport.h"

namespace clitest {
namespace {

using nlohmann::json;

class CliListing : public ::testing::Test {
  protected:
    ScratchFolder folder;
    const std::string settings = writeListingDataRoot(folder);
};

TEST_F(CliListing, PortsWithoutProbingListsEveryCandidateUnopened) {
    // Neither name is a line a probe would accept: both are listed because
    // nothing was opened to test them.
    folder.write("plain-file", "not a line");
    const std::string missing = folder.file("no-such-tty");
    const std::string plain = folder.file("plain-file");
    const std::map<std::string, std::string> environment = {{"FLASHKIT_PORTS", missing + ":" + plain},
                                                            {"FLASHKIT_PORTS_ONLY", "1"}};

    auto outcome = runCli({"ports", "--no-probe"}, environment);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out, missing + "\n" + plain + "\n");
    EXPECT_TRUE(outcome.err.empty()) << outcome.err;

    outcome = runCli({"--json", "ports", "--no-probe"}, environment);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    const json listed = json::parse(outcome.out);
    EXPECT_EQ(listed["ports"], (json{missing, plain}));
    EXPECT_EQ(listed["rejected"], json::array());
    // What the system tells of each (here nothing: neither is a device).
    ASSERT_EQ(listed["descriptions"].size(), 2u);
    EXPECT_EQ(listed["descriptions"][1]["port"], plain);
    EXPECT_EQ(listed["descriptions"][1]["usbVendorId"], "");
    EXPECT_TRUE(listed["descriptions"][1]["latencyTimerMs"].is_null());

    // The probing listing leaves both out, with their reasons.
    outcome = runCli({"ports"}, environment);
    EXPECT_EQ(outcome.out.find(plain), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.err.find(plain + " left out"), std::string::npos) << outcome.err;
}

TEST_F(CliListing, UnitNamesFollowTheSettingsListAndModeOnTheLine) {
    // No port is offered at all: start-up as a whole would stop here.
    const std::map<std::string, std::string> noPorts = {{"FLASHKIT_PORTS", ""}, {"FLASHKIT_PORTS_ONLY", "1"}};

    auto outcome = runCli({"--ini", settings, "units", "--names"}, noPorts);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "PUMP1\nVALVE2\n");

    outcome = runCli({"--ini", settings, "--mode", "card", "units", "--names"}, noPorts);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "PUMP1\nVALVE2\nCARD3\n");

    outcome = runCli({"--ini", settings, "--list", folder.file("OTHER.LST"), "--json", "units", "--names"},
                     noPorts);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(json::parse(outcome.out), (json{{"names", {"MIXER4"}}}));

    // The whole command needs a port.
    outcome = runCli({"--ini", settings, "units"}, noPorts);
    EXPECT_NE(outcome.exitStatus, 0);
}

TEST_F(CliListing, UnitNamesOfUnreadableInputAreBadUsageOrAWarning) {
    auto outcome = runCli({"--ini", folder.file("NONE.INI"), "units", "--names"});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("cannot read the settings file"), std::string::npos) << outcome.err;

    outcome = runCli({"--ini", settings, "--list", folder.file("NONE.LST"), "units", "--names"});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.err.find("cannot open the unit list"), std::string::npos) << outcome.err;

    // A default list that is missing leaves the list empty, as for the whole command.
    folder.write("FLASHKIT.INI", "[DATA]\nROOT=" + folder.path().string() + "\nDEFAULT=GONE.LST\n");
    outcome = runCli({"--ini", settings, "units", "--names"});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_TRUE(outcome.out.empty()) << outcome.out;
    EXPECT_NE(outcome.err.find("GONE.LST"), std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace clitest
