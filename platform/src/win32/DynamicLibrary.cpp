#include "platform/DynamicLibrary.h"

#include <windows.h>

#include <utility>

#include "ModuleFile.h"
#include "WideText.h"
#include "platform/Paths.h"

namespace platform {

std::string DynamicLibrary::systemFileName(std::string_view windowsName) {
    return std::string(windowsName);
}

bool DynamicLibrary::load(std::string_view windowsName, const std::string& programDirectory) {
    unload();
    error_ = {};
    // A name with a directory part would bypass the search order.
    if (windowsName.empty() || windowsName.find('/') != std::string_view::npos ||
        windowsName.find('\\') != std::string_view::npos) {
        setError(SystemError::fromCode(ERROR_INVALID_NAME));
        return false;
    }
    HMODULE module = nullptr;
    const std::string besideProgram =
        programDirectory.empty() ? std::string() : joinPath(programDirectory, windowsName);
    if (!besideProgram.empty() && fileKind(besideProgram) == FileKind::Other) {
        // The library's own folder is searched for what it imports in turn.
        module = ::LoadLibraryExW(widen(besideProgram).c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    } else {
        // The program's folder and the system folder only: never the current
        // directory (start-up turns it into the data root) and never PATH.
        module = ::LoadLibraryExW(widen(windowsName).c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    if (module == nullptr) {
        setError(SystemError::last());
        return false;
    }
    handle_ = module;
    path_ = moduleFilePath(module);
    return true;
}

void* DynamicLibrary::symbol(const char* exportName) const {
    if (handle_ == nullptr) {
        setError(SystemError::fromCode(ERROR_MOD_NOT_FOUND));
        return nullptr;
    }
    FARPROC address = ::GetProcAddress(static_cast<HMODULE>(handle_), exportName);
    if (address == nullptr) {
        setError(SystemError::last());
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

bool DynamicLibrary::unload() {
    if (handle_ == nullptr)
        return true;
    HMODULE module = static_cast<HMODULE>(std::exchange(handle_, nullptr));
    path_.clear();
    if (!::FreeLibrary(module)) {
        setError(SystemError::last());
        return false;
    }
    return true;
}

}  // namespace platform
