#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestDirectory.h"

using testing_support::CurrentDirectoryGuard;
using testing_support::TempDirectory;

TEST(Paths, JoinUsesOneSlash) {
    EXPECT_EQ(platform::joinPath("/data", "UNIT.LST"), "/data/UNIT.LST");
    EXPECT_EQ(platform::joinPath("/data/", "UNIT.LST"), "/data/UNIT.LST");
    EXPECT_EQ(platform::joinPath("", "UNIT.LST"), "UNIT.LST");
}

TEST(Paths, ParentAndFileName) {
    EXPECT_EQ(platform::parentDirectory("/opt/flashkit/flashkit"), "/opt/flashkit");
    EXPECT_EQ(platform::parentDirectory("/flashkit"), "/");
    EXPECT_EQ(platform::parentDirectory("flashkit"), "");
    EXPECT_EQ(platform::fileName("/dev/ttyS0"), "ttyS0");
    EXPECT_EQ(platform::fileName("ttyS0"), "ttyS0");
}

TEST(Paths, ExecutableIsThisTestProgram) {
    std::string path = platform::executablePath();
    EXPECT_EQ(platform::fileName(path), "platform_tests");
    EXPECT_EQ(platform::executableDirectory(), std::filesystem::path(path).parent_path().string());
}

TEST(Paths, KindsAbsolutePathsAndTheCurrentDirectory) {
    CurrentDirectoryGuard restore;
    TempDirectory folder;
    std::string file = folder.writeFile("a.txt", "x");
    std::string sub = folder.makeDirectory("sub");
    EXPECT_EQ(platform::fileKind(file), platform::FileKind::Other);
    EXPECT_EQ(platform::fileKind(sub), platform::FileKind::Directory);
    EXPECT_EQ(platform::fileKind(folder / "none"), platform::FileKind::Missing);

    std::string real = std::filesystem::canonical(folder.path()).string();
    ASSERT_TRUE(platform::setCurrentDirectory(sub));
    EXPECT_EQ(platform::currentDirectory(), real + "/sub");
    EXPECT_EQ(platform::absolutePath("..").value_or(""), real);
    EXPECT_FALSE(platform::absolutePath("no/such/thing").has_value());

    const platform::Result<void> missing = platform::setCurrentDirectory(folder / "none");
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().isNotFound());
    EXPECT_EQ(missing.error().text(), platform::systemErrorText(missing.error().code()));
    EXPECT_EQ(platform::currentDirectory(), real + "/sub") << "a failed change leaves the directory";
}
