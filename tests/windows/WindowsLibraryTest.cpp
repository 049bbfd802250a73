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
    ASSERT_TRUE(library.load("cmpak.dll", platform::executableDirectory())) << library.error().text();
    EXPECT_EQ(platform::fileName(library.path()), "cmpak.dll");
    const auto compress = library.function<CompressFunction>("Compress");
    ASSERT_NE(compress, nullptr);
    EXPECT_EQ(platform::modulePathContaining(reinterpret_cast<const void*>(compress)), library.path());
    EXPECT_EQ(library.symbol("NoSuchExport"), nullptr);
    EXPECT_EQ(library.error().code(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(library.unload());
    EXPECT_FALSE(library.loaded());
}

TEST(WindowsDynamicLibrary, AMissingLibraryAndANameWithAFolderFail) {
    platform::DynamicLibrary library;
    EXPECT_FALSE(library.load("UPL.DLL", platform::executableDirectory()));
    EXPECT_EQ(library.error().code(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(library.error().text().empty());
    EXPECT_FALSE(library.load("..\\cmpak.dll", {}));
    EXPECT_FALSE(library.load("sub/cmpak.dll", {}));
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
    EXPECT_FALSE(library.load("PLANTED.DLL", {})) << "found through the current directory";
    EXPECT_TRUE(library.error().isNotFound());
}
