#include "platform/Directory.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "TestFiles.h"

namespace {

using data::testing::TempDirectory;
using platform::Directory;

TEST(DirectoryPattern, StarAndQuestionMarkIgnoringCase) {
    EXPECT_TRUE(Directory::matchesPattern("MAIN0106.mot", "MAIN*.mot"));
    EXPECT_TRUE(Directory::matchesPattern("main0106.MOT", "MAIN*.mot"));
    EXPECT_TRUE(Directory::matchesPattern("MAIN.mot", "MAIN*.mot"));
    EXPECT_TRUE(Directory::matchesPattern("MAIN.x.mot", "MAIN*.mot"));
    EXPECT_TRUE(Directory::matchesPattern("MAINA.mot", "MAIN?.mot"));
    EXPECT_FALSE(Directory::matchesPattern("MAIN.mot", "MAIN?.mot"));
    EXPECT_FALSE(Directory::matchesPattern("MAI0106.mot", "MAIN*.mot"));
    EXPECT_FALSE(Directory::matchesPattern("MAIN0106.mot.bak", "MAIN*.mot"));
    EXPECT_FALSE(Directory::matchesPattern("MAIN0106.mo", "MAIN*.mot"));
    EXPECT_TRUE(Directory::matchesPattern("", "*"));
    EXPECT_FALSE(Directory::matchesPattern("", "?"));
    EXPECT_TRUE(Directory::matchesPattern("a.mot.mot", "*.mot"));
}

TEST(DirectoryListing, RegularFilesInNameOrder) {
    TempDirectory dir;
    dir.write("MAIN0106.mot", "");
    dir.write("main0105.MOT", "");
    dir.write("MAIN0104.mot", "");
    dir.write("SUB0101.mot", "");
    dir.makeDirectory("MAIN0199.mot");
    std::vector<std::string> names = Directory::listFiles(dir.str(), "MAIN*.mot");
    EXPECT_EQ(names, (std::vector<std::string>{"MAIN0104.mot", "main0105.MOT", "MAIN0106.mot"}));
    EXPECT_TRUE(Directory::listFiles(dir.str() + "/none", "*").empty());
}

TEST(DirectoryResolve, ReportsWhyADirectoryCannotBeEntered) {
    TempDirectory dir;
    dir.write("file", "x");
    const platform::Result<std::string> missing = Directory::resolve(dir.str() + "/missing");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code(), ENOENT);
    EXPECT_EQ(Directory::errorText(missing.error()), "No such file or directory\n");
    const platform::Result<std::string> file = Directory::resolve(dir.str() + "/file");
    ASSERT_FALSE(file.ok());
    EXPECT_EQ(Directory::errorText(file.error()), "Not a directory\n");
    EXPECT_TRUE(Directory::resolve("").error().isNotFound());
    const platform::Result<std::string> found = Directory::resolve(dir.str() + "/.");
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(*found, std::filesystem::canonical(dir.path()).string());
}

TEST(DirectoryPaths, BackslashesBecomeSeparators) {
    EXPECT_EQ(Directory::nativePath("UNITS\\SRF7"), "UNITS/SRF7");
    EXPECT_EQ(Directory::join("/data", "UNIT.SET"), "/data/UNIT.SET");
    EXPECT_EQ(Directory::join("/data/", "UNIT.SET"), "/data/UNIT.SET");
}

}  // namespace
