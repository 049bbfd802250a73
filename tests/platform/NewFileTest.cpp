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
    platform::SystemError error(EIO);
    EXPECT_EQ(platform::writeNewFile(path, content, &error), platform::NewFileResult::Written);
    EXPECT_FALSE(error.failed());
    EXPECT_EQ(contentOf(path), content);
}

TEST(NewFile, AnExistingFileIsNeverTouched) {
    TempDirectory folder;
    const std::string path = folder / "report.txt";
    { std::ofstream(path) << "the first report"; }
    platform::SystemError error;
    EXPECT_EQ(platform::writeNewFile(path, "a second report", &error),
              platform::NewFileResult::AlreadyExists);
    EXPECT_TRUE(error.failed());
    EXPECT_EQ(contentOf(path), "the first report");

    // A dangling symbolic link counts as existing too: nothing is created where it points.
    const std::string target = folder / "elsewhere.txt";
    const std::string link = folder / "link.txt";
    std::filesystem::create_symlink(target, link);
    EXPECT_EQ(platform::writeNewFile(link, "text"), platform::NewFileResult::AlreadyExists);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(NewFile, AMissingFolderFailsWithTheSystemsCode) {
    TempDirectory folder;
    platform::SystemError error;
    EXPECT_EQ(platform::writeNewFile(folder / "no/such/folder/report.txt", "text", &error),
              platform::NewFileResult::Failed);
    EXPECT_TRUE(error.isNotFound());
    EXPECT_FALSE(error.text().empty());
}

}  // namespace
