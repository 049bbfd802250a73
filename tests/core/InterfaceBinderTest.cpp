#include "core/InterfaceBinder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "RecordingNotifier.h"
#include "TestDirectory.h"

using core::BindResult;
using core::InterfaceApi;
using core::InterfaceBinder;
using core::MessageIcon;
using testing_support::CurrentDirectoryGuard;
using testing_support::RecordingNotifier;
using testing_support::TempDirectory;

namespace {

std::string variant(const char* name) {
    return std::string(FAKE_LIBRARY_ROOT) + "/" + name;
}

data::CommSettings device(const char* name) {
    data::CommSettings comm;
    comm.deviceName = name;
    return comm;
}

struct Binding {
    BindResult result;
    platform::DynamicLibrary library;
    InterfaceApi api;
    RecordingNotifier notifier;
};

void bindTo(Binding& binding, const char* deviceName, const std::string& directory) {
    binding.result =
        InterfaceBinder::bind(device(deviceName), directory, binding.library, binding.api, binding.notifier);
}

std::string libraryMark(platform::DynamicLibrary& library) {
    const auto mark = library.function<const char* (*)()>("FakeLibraryMark");
    return mark ? (*mark)() : "";
}

}  // namespace

TEST(InterfaceBinder, LibraryChoiceFollowsTheDeviceNameExactly) {
    EXPECT_STREQ(InterfaceBinder::libraryFor(device("COM1")), "TRX.DLL");
    EXPECT_STREQ(InterfaceBinder::libraryFor(device("UPL")), "UPL.DLL");
    EXPECT_STREQ(InterfaceBinder::libraryFor(device("upl")), "TRX.DLL");
    EXPECT_STREQ(InterfaceBinder::libraryFor(device("UPL ")), "TRX.DLL");
}

TEST(InterfaceBinder, CompleteLibraryBindsAllEntriesSilently) {
    Binding binding;
    bindTo(binding, "/dev/ttyS0", variant("complete"));
    EXPECT_EQ(binding.result, BindResult::Bound);
    EXPECT_TRUE(binding.notifier.messages.empty());
    EXPECT_EQ(binding.api.boundCount(), InterfaceApi::kEntryCount);
    EXPECT_TRUE(binding.api.complete());
    EXPECT_EQ(libraryMark(binding.library), "trx");
    EXPECT_EQ(binding.api.InitInterface("/dev/null", 200, 115200, 0, 1, 0), -1);
}

TEST(InterfaceBinder, UplDeviceLoadsTheOtherLibraryButLowerCaseDoesNot) {
    Binding upl;
    bindTo(upl, "UPL", variant("complete"));
    ASSERT_EQ(upl.result, BindResult::Bound);
    EXPECT_EQ(std::filesystem::path(upl.library.path()).filename(), "libupl.so");
    EXPECT_EQ(libraryMark(upl.library), "upl");

    Binding lower;
    bindTo(lower, "upl", variant("complete"));
    ASSERT_EQ(lower.result, BindResult::Bound);
    EXPECT_EQ(std::filesystem::path(lower.library.path()).filename(), "libtrx.so");
    EXPECT_EQ(libraryMark(lower.library), "trx");
}

TEST(InterfaceBinder, AnyOtherVersionTextIsRefusedBeforeTheRestIsLookedUp) {
    for (const char* name : {"nextversion", "tightversion", "noversion"}) {
        SCOPED_TRACE(name);
        Binding binding;
        bindTo(binding, "COM1", variant(name));
        EXPECT_EQ(binding.result, BindResult::VersionError);
        ASSERT_EQ(binding.notifier.messages.size(), 1u);
        EXPECT_EQ(binding.notifier.messages[0].text, "DLL Version Error.");
        EXPECT_EQ(binding.notifier.messages[0].icon, MessageIcon::Stop);
        // Only the version entry is set; the library stays loaded for shutdown.
        EXPECT_EQ(binding.api.boundCount(), 1u);
        EXPECT_NE(binding.api.GetTRXProductVer, nullptr);
        EXPECT_TRUE(binding.library.loaded());
    }
}

TEST(InterfaceBinder, MissingLastExportFailsAfterAllOthersWereFound) {
    Binding binding;
    bindTo(binding, "COM1", variant("lackinglast"));
    EXPECT_EQ(binding.result, BindResult::LoadError);
    EXPECT_EQ(binding.api.boundCount(), InterfaceApi::kEntryCount - 1);
    EXPECT_EQ(binding.api.GetTXWtSemaLastCount, nullptr);
    EXPECT_NE(binding.api.GetTXRdSemaLastCount, nullptr);
    ASSERT_EQ(binding.notifier.messages.size(), 1u);
    const std::string& text = binding.notifier.messages[0].text;
    EXPECT_EQ(text.rfind("DLL Load Error (CODE:00000026H) ", 0), 0u) << text;
    EXPECT_NE(text.find("GetTXWtSemaLastCount"), std::string::npos) << text;
    EXPECT_EQ(binding.notifier.messages[0].icon, MessageIcon::None);
}

TEST(InterfaceBinder, MissingVersionExportIsALoadError) {
    Binding binding;
    bindTo(binding, "COM1", variant("lackingversion"));
    EXPECT_EQ(binding.result, BindResult::LoadError);
    EXPECT_EQ(binding.api.boundCount(), 0u);
    ASSERT_EQ(binding.notifier.messages.size(), 1u);
    EXPECT_EQ(binding.notifier.messages[0].text.rfind("DLL Load Error (CODE:00000026H) ", 0), 0u);
    EXPECT_NE(binding.notifier.messages[0].text.find("GetTRXProductVer"), std::string::npos);
}

TEST(InterfaceBinder, MissingLibraryShowsCodeTwoWithTheSystemText) {
    TempDirectory empty;
    Binding binding;
    bindTo(binding, "UPL", empty.path());
    EXPECT_EQ(binding.result, BindResult::LoadError);
    EXPECT_EQ(binding.api.boundCount(), 0u);
    ASSERT_EQ(binding.notifier.messages.size(), 1u);
    const std::string& text = binding.notifier.messages[0].text;
    EXPECT_EQ(text.rfind("DLL Load Error (CODE:00000002H) ", 0), 0u) << text;
    EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
}

TEST(InterfaceBinder, ALibraryInTheCurrentDirectoryOnlyIsNotLoaded) {
    CurrentDirectoryGuard restore;
    TempDirectory empty;
    TempDirectory dataRoot;
    std::filesystem::copy_file(variant("complete") + "/libupl.so", dataRoot / "libupl.so");
    std::filesystem::copy_file(variant("complete") + "/libtrx.so", dataRoot / "libtrx.so");
    std::filesystem::current_path(dataRoot.path());

    Binding upl;
    bindTo(upl, "UPL", empty.path());
    EXPECT_EQ(upl.result, BindResult::LoadError);
    EXPECT_FALSE(upl.library.loaded());

    // The standard search may still find an installed TRX, but never this copy.
    Binding trx;
    bindTo(trx, "COM1", empty.path());
    if (trx.library.loaded()) {
        EXPECT_NE(std::filesystem::path(trx.library.path()).parent_path(),
                  std::filesystem::canonical(dataRoot.path()));
        EXPECT_EQ(libraryMark(trx.library), "");
    }
}

TEST(InterfaceBinder, LoadErrorMessageFormat) {
    EXPECT_EQ(InterfaceBinder::loadErrorMessage(2, "No such file or directory"),
              "DLL Load Error (CODE:00000002H) No such file or directory");
    EXPECT_EQ(InterfaceBinder::loadErrorMessage(0xABC, ""), "DLL Load Error (CODE:00000ABCH) ");
}
