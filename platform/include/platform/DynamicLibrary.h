#pragma once

#include <string>
#include <string_view>

#include "platform/Result.h"

namespace platform {

// A shared library loaded at run time by the Windows-style file name the
// program asks for ("TRX.DLL" -> libtrx.so). The library is searched in the
// given program directory first, then through the system's standard search
// (LD_LIBRARY_PATH, the caller's run path, the loader cache, the system
// folders) -- never in the current directory, which start-up turns into the
// data root, so a library planted among unit files is not picked up.
// Unloaded when the object is destroyed.
class DynamicLibrary {
  public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The file the system loads for a Windows-style name: the name itself on
    // Windows; elsewhere "TRX.DLL" -> "libtrx.so", "cmpak.dll" -> "libcmpak.so"
    // (lower-case base name without a ".dll" ending, "lib" in front unless
    // already there, ".so" behind).
    static std::string systemFileName(std::string_view windowsName);

    // Loads the library (after unloading any held one). A failure's code and
    // text say why: 2 (ENOENT) when the file is nowhere to be found, the
    // loader's own text where it is more precise.
    Result<void> load(std::string_view windowsName, const std::string& programDirectory);
    bool loaded() const { return handle_ != nullptr; }

    // Address of an exported name.
    Result<void*> symbol(const char* exportName) const;

    // Typed look-up: the entry point as the given function-pointer type.
    template <typename FunctionPointer>
    Result<FunctionPointer> function(const char* exportName) const {
        const Result<void*> address = symbol(exportName);
        if (!address) {
            return address.error();
        }
        return reinterpret_cast<FunctionPointer>(*address);
    }

    // Fails when the loader refused to unload; the handle is dropped anyway.
    Result<void> unload();

    // Full path of the file that was loaded.
    const std::string& path() const { return path_; }

  private:
    void* handle_ = nullptr;
    std::string path_;
};

}  // namespace platform
