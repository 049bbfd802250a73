#include "platform/NewFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestDirectory.h"

using testing_support::TempDirectory;

namespace {

std::string contentOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(NewFile, WritesTheWholeContentIntoAFileThatDidNotExist) {
    TempDirectory folder;
    const std::string path = folder / "report.txt";
    const std::string content = std::string("line one\nline two\n") + std::string(70000, 'x');
    const platform::Result<void> written = platform::writeNewFile(path, content);
    EXPECT_TRUE(written) << written.error().text();
    EXPECT_EQ(contentOf(path), content);
}

TEST(NewFile, AnExistingFileIsNeverTouched) {
    TempDirectory folder;
    const std::string path = folder / "report.txt";
    { std::ofstream(path) << "the first report"; }
    const platform::Result<void> second = platform::writeNewFile(path, "a second report");
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().code(), EEXIST);
    EXPECT_TRUE(second.error().alreadyExists());
    EXPECT_EQ(second.error().text(), "File exists");
    EXPECT_EQ(contentOf(path), "the first report");

    // A dangling symbolic link counts as existing too: nothing is created where it points.
    const std::string target = folder / "elsewhere.txt";
    const std::string link = folder / "link.txt";
    std::filesystem::create_symlink(target, link);
    EXPECT_TRUE(platform::writeNewFile(link, "text").error().alreadyExists());
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(NewFile, AMissingFolderFailsWithTheSystemsCode) {
    TempDirectory folder;
    const platform::Result<void> written =
        platform::writeNewFile(folder / "no/such/folder/report.txt", "text");
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().isNotFound());
    EXPECT_FALSE(written.error().alreadyExists());
    EXPECT_FALSE(written.error().text().empty());
}

}  // namespace
