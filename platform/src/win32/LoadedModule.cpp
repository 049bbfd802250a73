#include "platform/LoadedModule.h"

#include <windows.h>

#include <vector>

#include "ModuleFile.h"
#include "WideText.h"

namespace platform {

std::string moduleFilePath(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return narrow(std::wstring_view(buffer.data(), length));
        // The name filled the buffer, so it may be cut: try a larger one.
        buffer.resize(buffer.size() * 2);
    }
}

std::string modulePathContaining(const void* address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(address), &module)) {
        return {};
    }
    return moduleFilePath(module);
}

}  // namespace platform
