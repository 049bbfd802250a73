// The bash completion of flashkit-cli, driven the way bash drives it: the
// function that `complete -p flashkit-cli` names is called with COMP_WORDS
// and COMP_CWORD set, and COMPREPLY is what a Tab press would offer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace clitest {
namespace {

const char* const kCompletionDriver = R"(
source "$1" || exit 3
shift
registered=$(complete -p flashkit-cli) || exit 4
echo "$registered" >&2
function=${registered#*-F }
function=${function%% *}
COMP_WORDS=("$@")
COMP_CWORD=$(($# - 1))
COMP_LINE="$*"
COMP_POINT=${#COMP_LINE}
"$function" flashkit-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "${COMPREPLY[@]}"
)";

class CliCompletion : public ::testing::Test {
  protected:
    void SetUp() override {
        settings = writeListingDataRoot(folder);
        folder.write("visit-0412.txt", "an earlier report");
        // Names no probe would accept: offered only because nothing was opened.
        fakePort = folder.file("ttyFAKE7");
        plainFile = folder.file("visit-0412.txt");
    }

    // What a Tab press after words offers, the last word being the one the
    // cursor is in; flashkit-cli is found through PATH as a user's would be.
    std::set<std::string> offered(std::vector<std::string> words) {
        const std::string programFolder = std::filesystem::path(cliProgram()).parent_path().string();
        const char* path = std::getenv("PATH");
        std::vector<std::string> arguments = {"--norc",          "--noprofile", "-c",
                                              kCompletionDriver, "completion",  COMPLETION_SCRIPT,
                                              "flashkit-cli"};
        arguments.insert(arguments.end(), words.begin(), words.end());
        const auto outcome =
            ProgramRun::run("/bin/bash", arguments,
                            {{"PATH", programFolder + ":" + (path != nullptr ? path : "/usr/bin:/bin")},
                             {"FLASHKIT_PORTS", fakePort + ":" + plainFile},
                             {"FLASHKIT_PORTS_ONLY", "1"}});
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
        EXPECT_NE(outcome.err.find("complete -F "), std::string::npos) << outcome.err;
        std::set<std::string> words_offered;
        std::istringstream lines(outcome.out);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty()) {
                words_offered.insert(line);
            }
        }
        return words_offered;
    }

    static bool holds(const std::set<std::string>& offered, const std::vector<std::string>& wanted) {
        return std::all_of(wanted.begin(), wanted.end(),
                           [&offered](const std::string& word) { return offered.count(word) == 1; });
    }

    ScratchFolder folder;
    std::string settings;
    std::string fakePort;
    std::string plainFile;
};

TEST_F(CliCompletion, OffersTheCommandsAndTheOptionsOfTheCommandOnTheLine) {
    EXPECT_EQ(offered({""}), (std::set<std::string>{"ports", "units", "image", "getver", "write", "erase",
                                                    "update", "trace"}));
    EXPECT_EQ(offered({"up"}), (std::set<std::string>{"update"}));

    const auto global = offered({"--"});
    EXPECT_TRUE(
        holds(global, {"--ini", "--list", "--port", "--connection", "--mode", "--json", "--version"}));
    EXPECT_EQ(global.count("--dry-run"), 0u);

    const auto update = offered({"update", "--"});
    EXPECT_TRUE(holds(update, {"--dry-run", "--force", "--report", "--port", "--json"}));
    EXPECT_EQ(update.count("--no-probe"), 0u);
    EXPECT_EQ(offered({"ports", "--no"}), (std::set<std::string>{"--no-probe"}));
    EXPECT_EQ(offered({"trace", "--a"}), (std::set<std::string>{"--all"}));
}

TEST_F(CliCompletion, OffersTheUnitsOfTheListInUseAfterACommandThatTakesAUnit) {
    EXPECT_EQ(offered({"--ini", settings, "getver", ""}), (std::set<std::string>{"PUMP1", "VALVE2"}));
    EXPECT_EQ(offered({"--ini", settings, "write", "V"}), (std::set<std::string>{"VALVE2"}));
    // The writing port and the unit list already typed decide the list.
    EXPECT_EQ(offered({"--ini", settings, "--mode", "card", "erase", ""}),
              (std::set<std::string>{"PUMP1", "VALVE2", "CARD3"}));
    EXPECT_EQ(offered({"--ini=" + settings, "--list", folder.file("OTHER.LST"), "update", ""}),
              (std::set<std::string>{"MIXER4"}));
    // update takes several units, getver one.
    EXPECT_EQ(offered({"--ini", settings, "update", "PUMP1", "--force", ""}),
              (std::set<std::string>{"PUMP1", "VALVE2"}));
    EXPECT_TRUE(offered({"--ini", settings, "getver", "PUMP1", ""}).empty());
}

TEST_F(CliCompletion, OffersThePortsWithoutOpeningThemAndTheChoicesOfAnOption) {
    EXPECT_EQ(offered({"--port", ""}), (std::set<std::string>{fakePort, plainFile}));
    EXPECT_EQ(offered({"--port", "=", ""}), (std::set<std::string>{fakePort, plainFile}));
    EXPECT_EQ(offered({"--mode", ""}), (std::set<std::string>{"host", "card"}));
    EXPECT_EQ(offered({"--connection", "E"}), (std::set<std::string>{"ENG7"}));
    EXPECT_EQ(offered({"update", "--report", folder.file("visit")}), (std::set<std::string>{plainFile}));
}

}  // namespace
}  // namespace clitest
