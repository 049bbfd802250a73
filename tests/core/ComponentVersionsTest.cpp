#include "core/ComponentVersions.h"

#include <gtest/gtest.h>

#include "core/AboutText.h"

namespace {

using core::ComponentVersions;

// The folder where the build puts the real libtrx.so and libcmpak.so.
const std::string kLibraryFolder = BUILT_LIBRARY_DIR;
const std::string kFakeLibraries = FAKE_LIBRARY_ROOT;

TEST(ComponentVersions, TheRealLibrariesReportTheirVersionsAndFiles) {
    const core::LibraryVersion trx = ComponentVersions::interfaceLibrary(kLibraryFolder);
    ASSERT_TRUE(trx.known()) << trx.problem;
    EXPECT_EQ(trx.version, "1, 9, 0, 0");
    EXPECT_EQ(trx.path, kLibraryFolder + "/libtrx.so");
    EXPECT_EQ(trx.line(), "TRX.DLL 1, 9, 0, 0 (" + kLibraryFolder + "/libtrx.so)");

    const core::LibraryVersion cmpak = ComponentVersions::compressionLibrary(kLibraryFolder);
    ASSERT_TRUE(cmpak.known()) << cmpak.problem;
    EXPECT_EQ(cmpak.version, "1, 0, 0, 0");
    EXPECT_EQ(cmpak.path, kLibraryFolder + "/libcmpak.so");
}

TEST(ComponentVersions, VersionLinesStartWithTheAboutBoxAndNameEveryLibrary) {
    bool problems = true;
    const auto lines = ComponentVersions::versionLines(kLibraryFolder, problems);
    EXPECT_FALSE(problems);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "FLASHKIT Version 2.00");
    EXPECT_EQ(lines[1], "product version 2, 0, 0, 0, file version 5, 23, 2, 0");
    EXPECT_EQ(lines[2].rfind("TRX.DLL 1, 9, 0, 0 (", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("cmpak.dll 1, 0, 0, 0 (", 0), 0u) << lines[3];
}

// (A library missing altogether is seen by the programs' own tests: this test
// program would find the built ones through its run path.)
TEST(ComponentVersions, ALibraryWithoutItsVersionExportIsNamedAsAProblem) {
    const core::LibraryVersion lacking =
        ComponentVersions::interfaceLibrary(kFakeLibraries + "/lackingversion");
    EXPECT_FALSE(lacking.known());
    EXPECT_EQ(lacking.path, kFakeLibraries + "/lackingversion/libtrx.so");
    EXPECT_EQ(lacking.line(), "TRX.DLL: reports no version");
}

TEST(ComponentVersions, ReportedTextsAreCutAtTheirCapacityAndMadePrintable) {
    const char unterminated[4] = {'1', ',', ' ', '9'};
    EXPECT_EQ(ComponentVersions::printableVersion(unterminated, sizeof unterminated), "1, 9");
    const char control[] = "1\x1b[2J\n\xff";
    EXPECT_EQ(ComponentVersions::printableVersion(control, sizeof control), "1?[2J??");
}

}  // namespace
