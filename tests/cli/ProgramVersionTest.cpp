#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace clitest {
namespace {

// Both programs answer --version from the About box's texts and the
// libraries beside them, without settings, ports or a display.
void expectVersionLines(const std::string& program) {
    const std::string folder = std::filesystem::path(program).parent_path().string();
    const auto outcome = ProgramRun::run(program, {"--version"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "FLASHKIT Version 2.00\n"
              "product version 2, 0, 0, 0, file version 5, 23, 2, 0\n"
              "TRX.DLL 1, 9, 0, 0 (" +
                  folder + "/libtrx.so)\n" + "cmpak.dll 1, 0, 0, 0 (" + folder + "/libcmpak.so)\n");
    EXPECT_TRUE(outcome.err.empty()) << outcome.err;
}

TEST(ProgramVersion, FlashkitCliNamesItselfAndItsLibraries) {
    expectVersionLines(cliProgram());
}

#ifdef FLASHKIT_GUI_PROGRAM
TEST(ProgramVersion, TheDesktopProgramAnswersWithoutAWindow) {
    expectVersionLines(FLASHKIT_GUI_PROGRAM);
}

// Its manual page is made from this answer at build time, where there may
// be no display.
TEST(ProgramVersion, TheDesktopProgramPrintsItsUsageWithoutAWindow) {
    const auto outcome =
        ProgramRun::run(FLASHKIT_GUI_PROGRAM, {"--help"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("Usage: flashkit [UNIT_LIST]\n"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("--version"), std::string::npos) << outcome.out;
    EXPECT_TRUE(outcome.err.empty()) << outcome.err;
}
#endif

TEST(ProgramVersion, ALibraryMissingBesideTheProgramIsNamedAndFailsTheCommand) {
    ScratchFolder folder;
    const std::filesystem::path program = folder.path() / "flashkit-cli";
    std::filesystem::copy_file(cliProgram(), program);
    const auto built = std::filesystem::path(cliProgram()).parent_path();
    std::filesystem::create_symlink(built / "libtrx.so", folder.path() / "libtrx.so");

    const auto outcome = ProgramRun::run(program.string(), {"--version"});
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_NE(outcome.out.find("TRX.DLL 1, 9, 0, 0 ("), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("cmpak.dll: cannot be loaded: "), std::string::npos) << outcome.out;
}

}  // namespace
}  // namespace clitest
