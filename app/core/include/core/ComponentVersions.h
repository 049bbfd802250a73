#pragma once

#include <string>
#include <vector>

namespace platform {
class DynamicLibrary;
}

namespace core {

struct InterfaceApi;

// One library as a program loads it: the file that was found and the
// version text it reports about itself.
struct LibraryVersion {
    std::string libraryName;  // the name the program asks for: "TRX.DLL", "cmpak.dll"
    std::string path;         // the file loaded; empty when none was
    std::string version;      // "1, 9, 0, 0"
    std::string problem;      // why no version could be read; empty when it was

    bool known() const { return problem.empty(); }
    // "TRX.DLL 1, 9, 0, 0 (/usr/lib/flashkit/libtrx.so)" or "cmpak.dll: <problem>".
    std::string line() const;
};

// What a program says about its own version and about the libraries it
// would load: the About box's texts, the interface library and the
// compression library, each found the way the program finds them.
class ComponentVersions {
  public:
    static constexpr const char* kCompressionLibrary = "cmpak.dll";
    static constexpr const char* kCompressionVersionExport = "GetCmpakProductVer";

    // Loads the interface library by name from the program directory (then
    // the system's search, as start-up does) and asks its product version.
    static LibraryVersion interfaceLibrary(const std::string& programDirectory);
    // The same for a library start-up has bound already.
    static LibraryVersion boundInterfaceLibrary(const platform::DynamicLibrary& library,
                                                const InterfaceApi& api);
    static LibraryVersion compressionLibrary(const std::string& programDirectory);

    // "product version 2, 0, 0, 0, file version 5, 23, 2, 0"
    static std::string programVersionNumbersLine();
    // What --version prints: the About box's version line (and its legal
    // notice when there is one), the version numbers, then one line per
    // library. problems is set when a library could not be asked.
    static std::vector<std::string> versionLines(const std::string& programDirectory, bool& problems);

    // A version text as a library reported it, cut at its end and with
    // every byte outside printable ASCII replaced, so that it prints safely.
    static std::string printableVersion(const char* text, std::size_t capacity);
};

}  // namespace core
