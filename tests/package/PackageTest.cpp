// The Debian package as a user gets it: built by cpack from this build,
// listed and unpacked with dpkg-deb, and its programs run from the unpacked
// tree against the simulator it carries.
#include <gtest/gtest.h>

#include <algorithm>
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
        "./usr/lib/flashkit/FLASHKIT.INI -> ../../../etc/flashkit/FLASHKIT.INI",
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
    std::ifstream conffiles(control + "/conffiles");
    std::stringstream text;
    text << conffiles.rdbuf();
    EXPECT_EQ(text.str(), "/etc/flashkit/FLASHKIT.INI\n");

    const std::string depends = dpkgDeb({"-f", debFile_, "Depends"});
    for (const char* library : {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    }
    EXPECT_EQ(dpkgDeb({"-f", debFile_, "Package"}), "flashkit\n");
    EXPECT_EQ(dpkgDeb({"-f", debFile_, "Version"}), std::string(PROJECT_VERSION) + "\n");

    // The note on serial ports.
    std::ifstream readme(installed("/usr/share/doc/flashkit/README.Debian"));
    std::stringstream note;
    note << readme.rdbuf();
    EXPECT_NE(note.str().find("sudo adduser \"$USER\" dialout"), std::string::npos) << note.str();
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

    // FLASHKIT.INI beside the program links to /etc/flashkit, whose data root is the demo.
    auto outcome = ProgramRun::run(installed("/usr/bin/flashkit-cli"), {"--json", "units"}, environment);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    const json units = json::parse(outcome.out)["units"];
    ASSERT_EQ(units.size(), 5u) << outcome.out;
    EXPECT_EQ(units[0]["name"], "SRF7");
    EXPECT_EQ(units[0]["rows"][0]["fileName"], "MAIN0106.mot");

    outcome = ProgramRun::run(installed("/usr/bin/flashkit-cli"),
                              {"--port", port, "--json", "getver", "SRF7"}, environment);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    const json report = json::parse(outcome.out);
    EXPECT_EQ(report["result"], "Ok");
    EXPECT_EQ(report["units"][0]["rom"], "1.05");
}

}  // namespace
}  // namespace clitest
