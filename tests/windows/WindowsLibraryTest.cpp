#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "ScratchFolder.h"
#include "platform/DynamicLibrary.h"
#include "platform/LoadedModule.h"
#include "platform/Paths.h"

namespace {

using CompressFunction = std::uint32_t (*)(const std::uint8_t*, std::uint32_t, std::uint8_t*);

// Puts the current directory back when a test moved it.
class CurrentDirectoryGuard {
  public:
    CurrentDirectoryGuard() : saved_(platform::currentDirectory()) {}
    ~CurrentDirectoryGuard() { platform::setCurrentDirectory(saved_); }
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

  private:
    std::string saved_;
};

}  // namespace

TEST(WindowsDynamicLibrary, LoadsByItsWindowsNameBesideTheProgram) {
    EXPECT_EQ(platform::DynamicLibrary::systemFileName("TRX.DLL"), "TRX.DLL");
    platform::DynamicLibrary library;
    const platform::Result<void> loaded = library.load("cmpak.dll", platform::executableDirectory());
    ASSERT_TRUE(loaded) << loaded.error().text();
    EXPECT_EQ(platform::fileName(library.path()), "cmpak.dll");
    const platform::Result<CompressFunction> compress = library.function<CompressFunction>("Compress");
    ASSERT_TRUE(compress) << compress.error().text();
    EXPECT_EQ(platform::modulePathContaining(reinterpret_cast<const void*>(*compress)), library.path());
    EXPECT_EQ(library.symbol("NoSuchExport").error().code(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(library.unload());
    EXPECT_FALSE(library.loaded());
}

TEST(WindowsDynamicLibrary, AMissingLibraryAndANameWithAFolderFail) {
    platform::DynamicLibrary library;
    const platform::Result<void> missing = library.load("UPL.DLL", platform::executableDirectory());
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(missing.error().text().empty());
    EXPECT_EQ(library.load("..\\cmpak.dll", {}).error().code(), ERROR_INVALID_NAME);
    EXPECT_EQ(library.load("sub/cmpak.dll", {}).error().code(), ERROR_INVALID_NAME);
}

TEST(WindowsDynamicLibrary, ALibraryPlantedInTheCurrentDirectoryIsNotLoaded) {
    ScratchFolder folder;
    const std::string original = platform::joinPath(platform::executableDirectory(), "cmpak.dll");
    const std::filesystem::path planted =
        std::filesystem::u8path(folder.path()) / std::filesystem::u8path("PLANTED.DLL");
    std::filesystem::copy_file(std::filesystem::u8path(original), planted);
    CurrentDirectoryGuard guard;
    ASSERT_TRUE(platform::setCurrentDirectory(folder.path()));
    platform::DynamicLibrary library;
    const platform::Result<void> loaded = library.load("PLANTED.DLL", {});
    ASSERT_FALSE(loaded) << "found through the current directory";
    EXPECT_TRUE(loaded.error().isNotFound());
}
