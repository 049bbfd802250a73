// The Debian package as a user gets it: built by cpack from this build,
// listed and unpacked with dpkg-deb, and its programs run from the unpacked
// tree against the simulator it carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace clitest {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kPackageFileName = PACKAGE_FILE_NAME;
const std::string kDemoRoot = FLASHKIT_DEMO_ROOT;

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> result;
    for (std::string word; in >> word;) {
        result.push_back(word);
    }
    return result;
}

std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Builds the package once for all cases, into a folder of its own, and
// unpacks it.
class Package : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new ScratchFolder();
        const auto built = ProgramRun::run(
            CPACK_PROGRAM, {"-G", "DEB", "--config", CPACK_CONFIG, "-B", folder_->file("out")}, {},
            std::chrono::minutes(4));
        buildOutput_ = built.out + built.err;
        debFile_ = folder_->file("out/" + kPackageFileName);
        if (built.exitStatus != 0 || !fs::exists(debFile_)) {
            debFile_.clear();
            return;
        }
        root_ = folder_->file("root");
        const auto unpacked = ProgramRun::run(DPKG_DEB_PROGRAM, {"-x", debFile_, root_});
        if (unpacked.exitStatus != 0) {
            buildOutput_ += unpacked.err;
            debFile_.clear();
            return;
        }
        // The programs name their own folder with links resolved.
        root_ = fs::canonical(root_).string();
    }

    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }

    void SetUp() override { ASSERT_FALSE(debFile_.empty()) << "no package was built:\n" << buildOutput_; }

    static std::string dpkgDeb(const std::vector<std::string>& arguments) {
        const auto outcome = ProgramRun::run(DPKG_DEB_PROGRAM, arguments);
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
        return outcome.out;
    }

    static std::string installed(const std::string& path) { return root_ + path; }

    static ScratchFolder* folder_;
    static std::string buildOutput_;
    static std::string debFile_;
    static std::string root_;
};

ScratchFolder* Package::folder_ = nullptr;
std::string Package::buildOutput_;
std::string Package::debFile_;
std::string Package::root_;

TEST_F(Package, HoldsTheProgramsLibrariesSettingsDemoDataAndDesktopFilesInTheirPlaces) {
    std::set<std::string> entries;
    std::set<std::string> executables;
    std::istringstream listing(dpkgDeb({"-c", debFile_}));
    for (std::string line; std::getline(listing, line);) {
        const auto fields = words(line);
        ASSERT_GE(fields.size(), 6u) << line;
        EXPECT_EQ(fields[1], "root/root") << line;
        if (fields[0].front() == 'd') {
            continue;
        }
        std::string entry = fields[5];
        if (fields.size() == 8 && fields[6] == "->") {
            entry += " -> " + fields[7];
        }
        entries.insert(entry);
        if (fields[0].front() == '-' && fields[0][3] == 'x') {
            executables.insert(fields[5]);
        }
    }

    std::set<std::string> expected = {
        "./etc/flashkit/FLASHKIT.INI",
        "./usr/bin/flashkit -> ../lib/flashkit/flashkit",
        "./usr/bin/flashkit-cli -> ../lib/flashkit/flashkit-cli",
        "./usr/bin/qx7a-sim -> ../lib/flashkit/qx7a-sim",
        "./usr/lib/flashkit/FLASHKIT.INI -> /etc/flashkit/FLASHKIT.INI",
        "./usr/lib/flashkit/flashkit",
        "./usr/lib/flashkit/flashkit-cli",
        "./usr/lib/flashkit/qx7a-sim",
        "./usr/lib/flashkit/libtrx.so",
        "./usr/lib/flashkit/libcmpak.so",
        "./usr/share/applications/flashkit.desktop",
        "./usr/share/icons/hicolor/32x32/apps/flashkit.png",
        "./usr/share/icons/hicolor/48x48/apps/flashkit.png",
        "./usr/share/icons/hicolor/128x128/apps/flashkit.png",
        "./usr/share/doc/flashkit/README.Debian",
        "./usr/share/doc/flashkit/changelog.gz",
        "./usr/share/doc/flashkit/copyright",
        "./usr/share/man/man1/flashkit.1.gz",
        "./usr/share/man/man1/flashkit-cli.1.gz",
        "./usr/share/man/man1/qx7a-sim.1.gz",
        "./usr/share/bash-completion/completions/flashkit-cli",
    };
    // The demo data root as the build laid it out, without its build marker and settings.
    for (const auto& file : fs::recursive_directory_iterator(kDemoRoot)) {
        const std::string name = file.path().filename().string();
        if (file.is_regular_file() && name != ".generated" && name != "FLASHKIT.INI") {
            expected.insert("./usr/share/flashkit/demo/" + fs::relative(file.path(), kDemoRoot).string());
        }
    }
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(executables,
              (std::set<std::string>{"./usr/lib/flashkit/flashkit", "./usr/lib/flashkit/flashkit-cli",
                                     "./usr/lib/flashkit/qx7a-sim"}));
}

TEST_F(Package, SettingsAreAConffileAndTheDependenciesComeFromTheLinkedLibraries) {
    const std::string control = folder_->file("control");
    dpkgDeb({"-e", debFile_, control});
    EXPECT_EQ(fileText(control + "/conffiles"), "/etc/flashkit/FLASHKIT.INI\n");
    // The private libraries need no ldconfig, so there is no maintainer script at all.
    for (const char* script : {"preinst", "postinst", "prerm", "postrm", "triggers"}) {
        EXPECT_FALSE(fs::exists(control + "/" + script)) << script << ":\n"
                                                         << fileText(control + "/" + script);
    }

    const std::string depends = dpkgDeb({"-f", debFile_, "Depends"});
    for (const char* library : {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    }
    EXPECT_EQ(dpkgDeb({"-f", debFile_, "Package"}), "flashkit\n");
    EXPECT_EQ(dpkgDeb({"-f", debFile_, "Version"}), std::string(PROJECT_VERSION) + "\n");

    // The note on serial ports.
    EXPECT_NE(
        fileText(installed("/usr/share/doc/flashkit/README.Debian")).find("sudo adduser \"$USER\" dialout"),
        std::string::npos);
}

TEST_F(Package, TheMaintainerIsTheOneOfTheBuildInControlChangelogAndCopyright) {
    const std::string maintainer = PACKAGE_MAINTAINER;
    EXPECT_EQ(dpkgDeb({"-f", debFile_, "Maintainer"}), maintainer + "\n");

    const std::string changelog = folder_->file("changelog");
    ASSERT_EQ(ProgramRun::run("/bin/sh", {"-c", "gzip -dc \"$0\" > \"$1\"",
                                          installed("/usr/share/doc/flashkit/changelog.gz"), changelog})
                  .exitStatus,
              0);
    const std::string entries = fileText(changelog);
    EXPECT_EQ(entries.rfind("flashkit (" + std::string(PROJECT_VERSION) + ") ", 0), 0u) << entries;
    EXPECT_NE(entries.find("\n -- " + maintainer + "  "), std::string::npos) << entries;

    const std::string copyright = fileText(installed("/usr/share/doc/flashkit/copyright"));
    EXPECT_EQ(
        copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0),
        0u);
    EXPECT_NE(copyright.find("\nUpstream-Contact: " + maintainer + "\n"), std::string::npos) << copyright;
}

// lintian, Debian's package checker, as a repository would run it: no
// error and no warning (the informational and pedantic tags are a matter of
// judgement and are not counted).
TEST_F(Package, LintianFindsNoErrorAndNoWarning) {
#ifdef LINTIAN_PROGRAM
    const auto outcome = ProgramRun::run(LINTIAN_PROGRAM, {"--fail-on", "error,warning", debFile_}, {},
                                         std::chrono::minutes(4));
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    std::istringstream lines(outcome.out);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_FALSE(line.rfind("E: ", 0) == 0 || line.rfind("W: ", 0) == 0) << line;
    }
#else
    GTEST_SKIP() << "lintian is not installed (scripts/bootstrap installs it)";
#endif
}

TEST_F(Package, BothProgramsNameTheirVersionsAndTheUnpackedLibraries) {
    for (const char* program : {"/usr/bin/flashkit-cli", "/usr/bin/flashkit"}) {
        const auto outcome = ProgramRun::run(installed(program), {"--version"}, {{"DISPLAY", ""}});
        EXPECT_EQ(outcome.exitStatus, 0) << program << ": " << outcome.err;
        EXPECT_EQ(outcome.out,
                  "FLASHKIT Version 2.00\n"
                  "product version 2, 0, 0, 0, file version 5, 23, 2, 0\n"
                  "TRX.DLL 1, 9, 0, 0 (" +
                      installed("/usr/lib/flashkit/libtrx.so") + ")\ncmpak.dll 1, 0, 0, 0 (" +
                      installed("/usr/lib/flashkit/libcmpak.so") + ")\n")
            << program;
    }
}

TEST_F(Package, UnpackedCliReadsTheDemoUnitsThroughItsSettingsAndTheUnpackedSimulator) {
    ProgramRun console;
    ASSERT_TRUE(console.start(installed("/usr/bin/qx7a-sim"),
                              {"--console", installed("/usr/share/flashkit/demo/console.json")}));
    std::string port;
    ASSERT_TRUE(console.readLine(port, std::chrono::seconds(5))) << console.err();
    const std::map<std::string, std::string> environment = {{"FLASHKIT_PORTS", port}};

    // FLASHKIT.INI beside the program links to the machine's /etc/flashkit,
    // so the unpacked settings are named; their data root, relative to the
    // program's folder, is the unpacked demo.
    const std::string settings = installed("/etc/flashkit/FLASHKIT.INI");
    auto outcome = ProgramRun::run(installed("/usr/bin/flashkit-cli"), {"--ini", settings, "--json", "units"},
                                   environment);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    const json units = json::parse(outcome.out)["units"];
    ASSERT_EQ(units.size(), 5u) << outcome.out;
    EXPECT_EQ(units[0]["name"], "SRF7");
    EXPECT_EQ(units[0]["rows"][0]["fileName"], "MAIN0106.mot");

    outcome = ProgramRun::run(installed("/usr/bin/flashkit-cli"),
                              {"--ini", settings, "--port", port, "--json", "getver", "SRF7"}, environment);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    const json report = json::parse(outcome.out);
    EXPECT_EQ(report["result"], "Ok");
    EXPECT_EQ(report["units"][0]["rom"], "1.05");
}

// The manual pages as the build made them from the programs' --help and
// the hand-written sections.
class ManualPages : public ::testing::Test {
  protected:
    // The text man shows, without highlighting, in lines long enough that
    // no option is broken; groff must not warn about the page.
    static std::string rendered(const std::string& name) {
        const auto outcome = ProgramRun::run(GROFF_PROGRAM, {"-man", "-Tascii", "-P-cbou", "-rLL=200n", "-ww",
                                                             std::string(MAN_DIR) + "/" + name + ".1"});
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
        EXPECT_TRUE(outcome.err.empty()) << name << ": " << outcome.err;
        return outcome.out;
    }

    // Every option the program's --help names, and the commands it lists
    // (the first word of each line of the table under "Commands:").
    static std::set<std::string> helpWords(const std::string& program) {
        const auto outcome = ProgramRun::run(program, {"--help"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
        std::set<std::string> found;
        bool commands = false;
        std::istringstream lines(outcome.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line.front() != ' ') {
                commands = line == "Commands:";
                continue;
            }
            if (commands && line.rfind("  ", 0) == 0 && std::isalpha(static_cast<unsigned char>(line[2]))) {
                found.insert(line.substr(2, line.find(' ', 2) - 2));
            }
            std::istringstream words(line);
            for (std::string word; words >> word;) {
                for (std::size_t start = 0; start < word.size();) {
                    std::size_t end = word.find(',', start);
                    if (end == std::string::npos) {
                        end = word.size();
                    }
                    const std::string piece = word.substr(start, end - start);
                    if (piece.size() > 1 && piece[0] == '-' &&
                        std::isalpha(static_cast<unsigned char>(piece.back()))) {
                        found.insert(piece);
                    }
                    start = end + 1;
                }
            }
        }
        return found;
    }

    static void expectHolds(const std::string& text, const std::vector<std::string>& wanted,
                            const std::string& page) {
        for (const auto& word : wanted) {
            EXPECT_NE(text.find(word), std::string::npos) << word << " in " << page << ":\n" << text;
        }
    }
};

TEST_F(ManualPages, EachPageNamesEveryCommandAndOptionOfItsProgram) {
    const std::vector<std::pair<std::string, std::string>> programs = {
        {"flashkit-cli", CLI_PROGRAM}, {"flashkit", GUI_PROGRAM}, {"qx7a-sim", SIM_PROGRAM}};
    for (const auto& [page, program] : programs) {
        const std::set<std::string> words = helpWords(program);
        EXPECT_GE(words.size(), 3u) << program;
        const std::string text = rendered(page);
        expectHolds(text, std::vector<std::string>(words.begin(), words.end()), page);
        EXPECT_EQ(text.find("manual page for"), std::string::npos) << page << " has a NAME line of its own";
    }
    const auto cliWords = helpWords(CLI_PROGRAM);
    for (const char* command : {"ports", "units", "image", "getver", "write", "erase", "update"}) {
        EXPECT_EQ(cliWords.count(command), 1u) << command;
    }
    EXPECT_EQ(cliWords.count("--dry-run"), 1u);
}

TEST_F(ManualPages, SayWhatTheHelpDoesNot) {
    const std::vector<std::string> shared = {"SETTINGS",       "HOST/DEVICE",
                                             "DATA/ROOT",      "WAIT_TIME",
                                             "CHECKSTATUS",    "BOOTIN",
                                             "RETRYTIME",      "ENVIRONMENT",
                                             "FLASHKIT_PORTS", "FLASHKIT_PORTS_ONLY",
                                             "TRX_DEBUG",      "CMPAK_STATS",
                                             "FILES",          "/etc/flashkit/FLASHKIT.INI",
                                             "COMMU.LOG",      "EXIT STATUS",
                                             "SEE ALSO"};
    for (const char* page : {"flashkit-cli", "flashkit"}) {
        expectHolds(rendered(page), shared, page);
    }
    expectHolds(rendered("flashkit-cli"), {"EXAMPLES", "--pace 115200", "U+FFFD", "dialout"}, "flashkit-cli");
    expectHolds(rendered("qx7a-sim"),
                {"EXIT STATUS", "FAULT SWITCHES", "reject-block=K", "QX7A_SIM_VERBOSE", "EXAMPLES"},
                "qx7a-sim");
}

// A 115200-baud line carries at most 11520 bytes a second (10 bits a byte)
// before any framing. The examples' "wrote ... (R KB/s)" lines are writes
// of host-interface units, whose images cross the line uncompressed: a rate
// above that came from a simulator that was not paced like a real line.
TEST_F(ManualPages, ExamplesShowRatesARealLineCanCarry) {
    const std::string readme = fileText(README_FILE);
    for (const std::string& text : {rendered("flashkit-cli"), rendered("qx7a-sim"), readme}) {
        for (std::size_t at = text.find(" KB/s)"); at != std::string::npos;
             at = text.find(" KB/s)", at + 1)) {
            const std::size_t open = text.rfind('(', at);
            ASSERT_NE(open, std::string::npos);
            const double rate = std::stod(text.substr(open + 1, at - open - 1));
            EXPECT_LE(rate * 1000, 11520.0) << text.substr(open, at - open + 6);
        }
    }
}

}  // namespace
}  // namespace clitest
