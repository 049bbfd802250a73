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
    const platform::Result<void> loaded = library.load("FIXTURE.DLL", FIXTURE_LIBRARY_DIR);
    ASSERT_TRUE(loaded) << loaded.error().text();
    EXPECT_TRUE(library.loaded());
    EXPECT_EQ(std::filesystem::path(library.path()).filename(), "libfixture.so");
    const platform::Result<int (*)()> answer = library.function<int (*)()>("FixtureAnswer");
    ASSERT_TRUE(answer) << answer.error().text();
    EXPECT_EQ((*answer)(), 42);

    const platform::Result<void*> missing = library.symbol("NoSuchExport");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code(), ENOSYS);
    EXPECT_NE(missing.error().text().find("NoSuchExport"), std::string::npos);
    EXPECT_EQ(library.function<int (*)()>("NoSuchExport").error().code(), ENOSYS);

    EXPECT_TRUE(library.unload());
    EXPECT_FALSE(library.loaded());
    EXPECT_EQ(library.symbol("FixtureAnswer").error().code(), ENOENT);
}

TEST(DynamicLibrary, MissingLibraryReportsCodeTwo) {
    TempDirectory empty;
    DynamicLibrary library;
    const platform::Result<void> loaded = library.load("NOSUCHLIB.DLL", empty.path());
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().code(), ENOENT);
    EXPECT_NE(loaded.error().text().find("libnosuchlib.so"), std::string::npos);
}

TEST(DynamicLibrary, TheCurrentDirectoryIsNeverSearched) {
    CurrentDirectoryGuard restore;
    TempDirectory empty;
    std::filesystem::current_path(FIXTURE_LIBRARY_DIR);
    DynamicLibrary library;
    EXPECT_EQ(library.load("FIXTURE.DLL", empty.path()).error().code(), ENOENT);
}

TEST(DynamicLibrary, AFileThatIsNoLibraryIsRefusedNotSkipped) {
    TempDirectory folder;
    folder.writeFile("libfixture.so", "not an ELF file");
    DynamicLibrary library;
    const platform::Result<void> loaded = library.load("FIXTURE.DLL", folder.path());
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().code(), ENOEXEC);
    EXPECT_FALSE(loaded.error().text().empty());
}

TEST(DynamicLibrary, NamesWithADirectoryPartAreRefused) {
    DynamicLibrary library;
    EXPECT_EQ(library.load("../TRX.DLL", FIXTURE_LIBRARY_DIR).error().code(), EINVAL);
    EXPECT_EQ(library.load("sub\\TRX.DLL", FIXTURE_LIBRARY_DIR).error().code(), EINVAL);
    EXPECT_FALSE(library.loaded());
}

TEST(DynamicLibrary, MovingHandsTheLibraryOver) {
    DynamicLibrary first;
    ASSERT_TRUE(first.load("FIXTURE.DLL", FIXTURE_LIBRARY_DIR));
    DynamicLibrary second(std::move(first));
    EXPECT_TRUE(second.loaded());
    EXPECT_TRUE(second.symbol("FixtureAnswer"));
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
    EXPECT_EQ(library.load("FIXTURE.DLL", empty.path()).error().code(), ENOENT);
}
