#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "TestDirectory.h"
#include "platform/SystemError.h"

using platform::DynamicLibrary;
using testing_support::CurrentDirectoryGuard;
using testing_support::TempDirectory;

TEST(DynamicLibrary, WindowsNamesMapToSharedObjects) {
    EXPECT_EQ(DynamicLibrary::systemFileName("TRX.DLL"), "libtrx.so");
    EXPECT_EQ(DynamicLibrary::systemFileName("UPL.DLL"), "libupl.so");
    EXPECT_EQ(DynamicLibrary::systemFileName("cmpak.dll"), "libcmpak.so");
    EXPECT_EQ(DynamicLibrary::systemFileName("Fixture"), "libfixture.so");
}

TEST(DynamicLibrary, LoadsFromTheProgramDirectoryAndFindsExports) {
    DynamicLibrary library;
    ASSERT_TRUE(library.load("FIXTURE.DLL", FIXTURE_LIBRARY_DIR)) << library.error().text();
    EXPECT_TRUE(library.loaded());
    EXPECT_EQ(std::filesystem::path(library.path()).filename(), "libfixture.so");
    auto answer = library.function<int (*)()>("FixtureAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);

    EXPECT_EQ(library.symbol("NoSuchExport"), nullptr);
    EXPECT_EQ(library.error().code(), ENOSYS);
    EXPECT_NE(library.error().text().find("NoSuchExport"), std::string::npos);

    EXPECT_TRUE(library.unload());
    EXPECT_FALSE(library.loaded());
    EXPECT_EQ(library.symbol("FixtureAnswer"), nullptr);
}

TEST(DynamicLibrary, MissingLibraryReportsCodeTwo) {
    TempDirectory empty;
    DynamicLibrary library;
    EXPECT_FALSE(library.load("NOSUCHLIB.DLL", empty.path()));
    EXPECT_EQ(library.error().code(), ENOENT);
    EXPECT_NE(library.error().text().find("libnosuchlib.so"), std::string::npos);
}

TEST(DynamicLibrary, TheCurrentDirectoryIsNeverSearched) {
    CurrentDirectoryGuard restore;
    TempDirectory empty;
    std::filesystem::current_path(FIXTURE_LIBRARY_DIR);
    DynamicLibrary library;
    EXPECT_FALSE(library.load("FIXTURE.DLL", empty.path()));
    EXPECT_EQ(library.error().code(), ENOENT);
}

TEST(DynamicLibrary, AFileThatIsNoLibraryIsRefusedNotSkipped) {
    TempDirectory folder;
    folder.writeFile("libfixture.so", "not an ELF file");
    DynamicLibrary library;
    EXPECT_FALSE(library.load("FIXTURE.DLL", folder.path()));
    EXPECT_EQ(library.error().code(), ENOEXEC);
    EXPECT_FALSE(library.error().text().empty());
}

TEST(DynamicLibrary, NamesWithADirectoryPartAreRefused) {
    DynamicLibrary library;
    EXPECT_FALSE(library.load("../TRX.DLL", FIXTURE_LIBRARY_DIR));
    EXPECT_FALSE(library.load("sub\\TRX.DLL", FIXTURE_LIBRARY_DIR));
    EXPECT_EQ(library.error().code(), EINVAL);
}

TEST(DynamicLibrary, MovingHandsTheLibraryOver) {
    DynamicLibrary first;
    ASSERT_TRUE(first.load("FIXTURE.DLL", FIXTURE_LIBRARY_DIR));
    DynamicLibrary second(std::move(first));
    EXPECT_TRUE(second.loaded());
    EXPECT_NE(second.symbol("FixtureAnswer"), nullptr);
    DynamicLibrary third;
    third = std::move(second);
    EXPECT_TRUE(third.loaded());
    EXPECT_FALSE(second.loaded());  // NOLINT(bugprone-use-after-move): moved-from state is defined
}

TEST(SystemError, TextsComeFromTheSystem) {
    EXPECT_EQ(platform::systemErrorText(ENOENT), "No such file or directory");
    EXPECT_FALSE(platform::systemErrorText(123456).empty());
}

// The loader reads LD_LIBRARY_PATH only when a program starts, so this case
// runs the test program again with an empty and a "." entry, from inside the
// fixture's folder; the re-run case below does the loading.
TEST(DynamicLibrary, RelativeSearchEntriesDoNotReachTheCurrentDirectory) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::chdir(FIXTURE_LIBRARY_DIR) != 0)
            ::_exit(3);
        ::setenv("LD_LIBRARY_PATH", ":.", 1);
        ::setenv("FLASHKIT_LOADER_RERUN", "1", 1);
        std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        ::execl(self.c_str(), self.c_str(), "--gtest_filter=DynamicLibraryRerun.*",
                static_cast<char*>(nullptr));
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(DynamicLibraryRerun, LoadsNothingFromTheCurrentDirectory) {
    if (::getenv("FLASHKIT_LOADER_RERUN") == nullptr)
        GTEST_SKIP() << "runs inside the case above";
    TempDirectory empty;
    DynamicLibrary library;
    EXPECT_FALSE(library.load("FIXTURE.DLL", empty.path()));
    EXPECT_EQ(library.error().code(), ENOENT);
}
