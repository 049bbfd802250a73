#include <gtest/gtest.h>

#include "cli/CommandLineParser.h"

namespace cli {
namespace {

ParseOutcome parse(std::vector<std::string> arguments) {
    return CommandLineParser::parse(arguments);
}

TEST(CommandLineParser, GlobalOptionsBeforeTheCommandAreTaken) {
    const auto outcome = parse({"--ini", "A.INI", "--list", "B.LST", "--port", "/dev/pts/3", "--connection",
                                "ENG7", "--mode", "card", "--json", "getver", "SRF7"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    const CliOptions& options = *outcome.options;
    EXPECT_EQ(options.iniFile, "A.INI");
    EXPECT_EQ(options.listFile, "B.LST");
    EXPECT_EQ(options.port, "/dev/pts/3");
    EXPECT_EQ(options.connection, ConnectionChoice::ENG7);
    EXPECT_EQ(options.mode, WritingPortChoice::CardDirect);
    EXPECT_TRUE(options.json);
    EXPECT_EQ(options.command, CommandKind::GetVersion);
    EXPECT_EQ(options.unitName, "SRF7");
}

TEST(CommandLineParser, DefaultsLeaveSettingsToTheSettingsFile) {
    const auto outcome = parse({"units"});
    ASSERT_TRUE(outcome.options);
    EXPECT_FALSE(outcome.options->iniFile);
    EXPECT_FALSE(outcome.options->listFile);
    EXPECT_FALSE(outcome.options->port);
    EXPECT_FALSE(outcome.options->connection);
    EXPECT_EQ(outcome.options->mode, WritingPortChoice::HostInterface);
    EXPECT_FALSE(outcome.options->json);
    EXPECT_EQ(outcome.options->command, CommandKind::Units);
}

TEST(CommandLineParser, GetverWithoutUnitMeansAllUnits) {
    const auto outcome = parse({"getver"});
    ASSERT_TRUE(outcome.options);
    EXPECT_TRUE(outcome.options->unitName.empty());
}

TEST(CommandLineParser, WriteTakesRepeatedCpuNamesInOrder) {
    const auto outcome = parse({"write", "LIO7", "--cpu", "SUB", "--cpu", "MAIN"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->command, CommandKind::Write);
    EXPECT_EQ(outcome.options->unitName, "LIO7");
    EXPECT_EQ(outcome.options->cpuNames, (std::vector<std::string>{"SUB", "MAIN"}));
}

TEST(CommandLineParser, ImageDefaultsAndHexadecimalNumbers) {
    auto outcome = parse({"image", "MAIN.mot"});
    ASSERT_TRUE(outcome.options);
    EXPECT_EQ(outcome.options->imageFile, "MAIN.mot");
    EXPECT_EQ(outcome.options->imageBase, 0x200000u);
    EXPECT_EQ(outcome.options->imageWindow, 0x80000u);
    EXPECT_FALSE(outcome.options->clip);

    outcome = parse({"image", "MAIN.mot", "--base", "0x300000", "--window", "1048576", "--clip"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->imageBase, 0x300000u);
    EXPECT_EQ(outcome.options->imageWindow, 0x100000u);
    EXPECT_TRUE(outcome.options->clip);
}

TEST(CommandLineParser, BadUsageExitsWithTwoAndOneLine) {
    const std::vector<std::vector<std::string>> badLines = {
        {},
        {"flash"},
        {"write"},
        {"erase"},
        {"--connection", "LIO7", "getver"},
        {"--mode", "usb", "getver"},
        {"image"},
        {"image", "A.mot", "--base", "zz"},
        {"image", "A.mot", "--base", "0x100000000"},
        {"image", "A.mot", "--window", "0"},
        {"image", "A.mot", "--window", "0x2000000"},
        {"image", "A.mot", "--base", "0xFFFFFF00", "--window", "0x200"},
        {"units", "extra"},
        {"write", "SRF7", "--cpu"},
        {"update", "--force"},
        {"update", "--report"},
        {"update", "--report", ""},
        {"--version", "getver"},
    };
    for (const auto& line : badLines) {
        const auto outcome = parse(line);
        std::string joined;
        for (const auto& word : line) {
            joined += word + ' ';
        }
        EXPECT_FALSE(outcome.options) << joined;
        EXPECT_EQ(outcome.exitStatus, 2) << joined;
        EXPECT_EQ(outcome.errorText.rfind("flashkit-cli: ", 0), 0u) << joined;
        EXPECT_EQ(outcome.errorText.find('\n'), std::string::npos) << joined;
    }
}

TEST(CommandLineParser, UpdateTakesUnitsInTheirOrderAndItsOwnOptions) {
    auto outcome = parse({"update"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->command, CommandKind::Update);
    EXPECT_TRUE(outcome.options->unitNames.empty());
    EXPECT_FALSE(outcome.options->dryRun);
    EXPECT_FALSE(outcome.options->force);
    EXPECT_FALSE(outcome.options->reportFile);

    outcome = parse({"--json", "update", "LIO7", "SRF7", "--force", "--report", "visit.txt", "--dry-run"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->unitNames, (std::vector<std::string>{"LIO7", "SRF7"}));
    EXPECT_TRUE(outcome.options->force);
    EXPECT_TRUE(outcome.options->dryRun);
    EXPECT_EQ(outcome.options->reportFile, "visit.txt");
    EXPECT_TRUE(outcome.options->json);
}

TEST(CommandLineParser, VersionStandsAlone) {
    auto outcome = parse({"--version"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->command, CommandKind::Version);
    // Without --version a command is still required.
    outcome = parse({"--json"});
    EXPECT_FALSE(outcome.options);
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.errorText.find("a command is required"), std::string::npos) << outcome.errorText;
}

TEST(CommandLineParser, HelpIsTextWithExitZero) {
    const auto outcome = parse({"--help"});
    EXPECT_FALSE(outcome.options);
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_NE(outcome.helpText.find("getver"), std::string::npos);
    EXPECT_TRUE(outcome.errorText.empty());
}

// The manual page and the shell completion are made from the help text, so
// it names every command with its arguments, then each command's options
// under a heading of its own.
TEST(CommandLineParser, HelpShowsEveryCommandWithItsArgumentsAndOptions) {
    const std::string help = parse({"--help"}).helpText;
    const auto section = [&help](const std::string& heading) {
        const auto start = help.find("\n" + heading + ":\n");
        if (start == std::string::npos) {
            return std::string();
        }
        return help.substr(start, help.find("\n\n", start + 1) - start);
    };
    EXPECT_NE(help.find("Usage: flashkit-cli [OPTIONS] [COMMAND]\n"), std::string::npos) << help;
    const std::string commands = section("Commands");
    for (const char* usage : {"\n  ports ", "\n  units ", "\n  image FILE ", "\n  getver [UNIT] ",
                              "\n  write UNIT ", "\n  erase UNIT ", "\n  update [UNIT...] "}) {
        EXPECT_NE(commands.find(usage), std::string::npos) << usage << " in\n" << help;
    }
    const auto expectOptions = [&section](const std::string& heading,
                                          const std::vector<std::string>& options) {
        const std::string text = section(heading);
        for (const auto& option : options) {
            EXPECT_NE(text.find("\n  " + option + " "), std::string::npos) << option << " under " << heading;
        }
    };
    expectOptions("Options", {"--ini FILE", "--list FILE", "--port NAME", "--connection SRF7|ENG7",
                              "--mode host|card", "--json", "--version"});
    expectOptions("Options of ports", {"--no-probe"});
    expectOptions("Options of units", {"--names"});
    expectOptions("Options of image", {"--base ADDR", "--window BYTES", "--clip"});
    expectOptions("Options of write", {"--cpu NAME"});
    expectOptions("Options of update", {"--dry-run", "--force", "--report FILE"});
    EXPECT_EQ(section("Options").find("--dry-run"), std::string::npos);
    EXPECT_EQ(section("Options of getver"), "");

    // A command's own help is that command's.
    const std::string update = parse({"update", "--help"}).helpText;
    EXPECT_NE(update.find("--dry-run"), std::string::npos) << update;
    EXPECT_EQ(update.find("--no-probe"), std::string::npos) << update;
}

TEST(CommandLineParser, ListingsForCompletionAreOptionsOfTheirCommands) {
    auto outcome = parse({"ports", "--no-probe"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->command, CommandKind::Ports);
    EXPECT_TRUE(outcome.options->noProbe);
    EXPECT_FALSE(parse({"ports"}).options->noProbe);

    outcome = parse({"--ini", "A.INI", "--mode", "card", "units", "--names"});
    ASSERT_TRUE(outcome.options) << outcome.errorText;
    EXPECT_EQ(outcome.options->command, CommandKind::Units);
    EXPECT_TRUE(outcome.options->namesOnly);
    EXPECT_EQ(outcome.options->mode, WritingPortChoice::CardDirect);
    EXPECT_FALSE(parse({"units"}).options->namesOnly);

    // Each belongs to its own command.
    EXPECT_EQ(parse({"units", "--no-probe"}).exitStatus, 2);
    EXPECT_EQ(parse({"--names", "units"}).exitStatus, 2);
}

TEST(CommandLineParser, NumbersAreDecimalOrHexadecimalAndFitThirtyTwoBits) {
    EXPECT_EQ(CommandLineParser::parseNumber("0"), 0u);
    EXPECT_EQ(CommandLineParser::parseNumber("4096"), 4096u);
    EXPECT_EQ(CommandLineParser::parseNumber("0x7fFF"), 0x7FFFu);
    EXPECT_EQ(CommandLineParser::parseNumber("0xFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_FALSE(CommandLineParser::parseNumber(""));
    EXPECT_FALSE(CommandLineParser::parseNumber("0x"));
    EXPECT_FALSE(CommandLineParser::parseNumber("-1"));
    EXPECT_FALSE(CommandLineParser::parseNumber("12k"));
    EXPECT_FALSE(CommandLineParser::parseNumber("4294967296"));
}

}  // namespace
}  // namespace cli
