#include "core/ComponentVersions.h"

#include <array>

#include "core/AboutText.h"
#include "core/InterfaceApi.h"
#include "core/InterfaceBinder.h"
#include "platform/DynamicLibrary.h"

namespace core {

namespace {

constexpr char kUnprintableReplacement = '?';

LibraryVersion notLoadable(const char* name, const platform::SystemError& error) {
    LibraryVersion result;
    result.libraryName = name;
    result.problem = "cannot be loaded: " + error.text();
    return result;
}

}  // namespace

std::string LibraryVersion::line() const {
    if (!known()) {
        return libraryName + ": " + problem;
    }
    return libraryName + " " + version + " (" + path + ")";
}

std::string ComponentVersions::printableVersion(const char* text, std::size_t capacity) {
    std::string printable;
    for (std::size_t i = 0; i < capacity && text[i] != '\0'; ++i) {
        const char c = text[i];
        printable.push_back(c >= ' ' && c <= '~' ? c : kUnprintableReplacement);
    }
    return printable;
}

LibraryVersion ComponentVersions::boundInterfaceLibrary(const platform::DynamicLibrary& library,
                                                        const InterfaceApi& api) {
    LibraryVersion result;
    result.libraryName = InterfaceBinder::kTrxLibrary;
    result.path = library.path();
    if (api.GetTRXProductVer == nullptr) {
        result.problem = "reports no version";
        return result;
    }
    // One byte more than the library may fill, as at binding.
    std::array<char, InterfaceBinder::kProductVersionBufferSize + 1> text{};
    api.GetTRXProductVer(text.data());
    result.version = printableVersion(text.data(), InterfaceBinder::kProductVersionBufferSize);
    return result;
}

LibraryVersion ComponentVersions::interfaceLibrary(const std::string& programDirectory) {
    platform::DynamicLibrary library;
    if (const platform::Result<void> loaded = library.load(InterfaceBinder::kTrxLibrary, programDirectory);
        !loaded) {
        return notLoadable(InterfaceBinder::kTrxLibrary, loaded.error());
    }
    InterfaceApi api;
    api.GetTRXProductVer =
        library.function<decltype(api.GetTRXProductVer)>("GetTRXProductVer").valueOr(nullptr);
    return boundInterfaceLibrary(library, api);
}

LibraryVersion ComponentVersions::compressionLibrary(const std::string& programDirectory) {
    platform::DynamicLibrary library;
    if (const platform::Result<void> loaded = library.load(kCompressionLibrary, programDirectory); !loaded) {
        return notLoadable(kCompressionLibrary, loaded.error());
    }
    LibraryVersion result;
    result.libraryName = kCompressionLibrary;
    result.path = library.path();
    using VersionFunction = const char* (*)();
    const VersionFunction versionOf =
        library.function<VersionFunction>(kCompressionVersionExport).valueOr(nullptr);
    const char* text = versionOf != nullptr ? versionOf() : nullptr;
    if (text == nullptr) {
        result.problem = "reports no version";
        return result;
    }
    result.version = printableVersion(text, InterfaceBinder::kProductVersionBufferSize);
    return result;
}

std::string ComponentVersions::programVersionNumbersLine() {
    return std::string("product version ") + AboutText::kProductVersion + ", file version " +
           AboutText::kFileVersion;
}

std::vector<std::string> ComponentVersions::versionLines(const std::string& programDirectory,
                                                         bool& problems) {
    std::vector<std::string> lines = {AboutText::programVersionLine()};
    const std::string notice = AboutText::programLegalNoticeLine();
    if (notice != " ") {
        lines.push_back(notice);
    }
    lines.push_back(programVersionNumbersLine());
    problems = false;
    for (const LibraryVersion& library :
         {interfaceLibrary(programDirectory), compressionLibrary(programDirectory)}) {
        lines.push_back(library.line());
        problems = problems || !library.known();
    }
    return lines;
}

}  // namespace core
