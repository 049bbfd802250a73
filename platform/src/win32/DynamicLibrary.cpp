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

Result<void> DynamicLibrary::load(std::string_view windowsName, const std::string& programDirectory) {
    unload();
    // A name with a directory part would bypass the search order.
    if (windowsName.empty() || windowsName.find('/') != std::string_view::npos ||
        windowsName.find('\\') != std::string_view::npos) {
        return SystemError::fromCode(ERROR_INVALID_NAME);
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
        return SystemError::last();
    }
    handle_ = module;
    path_ = moduleFilePath(module);
    return {};
}

Result<void*> DynamicLibrary::symbol(const char* exportName) const {
    if (handle_ == nullptr) {
        return SystemError::fromCode(ERROR_MOD_NOT_FOUND);
    }
    FARPROC address = ::GetProcAddress(static_cast<HMODULE>(handle_), exportName);
    if (address == nullptr) {
        return SystemError::last();
    }
    return reinterpret_cast<void*>(address);
}

Result<void> DynamicLibrary::unload() {
    if (handle_ == nullptr)
        return {};
    HMODULE module = static_cast<HMODULE>(std::exchange(handle_, nullptr));
    path_.clear();
    if (!::FreeLibrary(module)) {
        return SystemError::last();
    }
    return {};
}

}  // namespace platform
