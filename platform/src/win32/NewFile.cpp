#include "platform/NewFile.h"

#include <windows.h>

#include <algorithm>

#include "WideText.h"

namespace platform {

Result<void> writeNewFile(const std::string& path, std::string_view content) {
    const std::wstring name = widen(path);
    auto fail = [](DWORD code) { return SystemError::fromCode(static_cast<int>(code)); };
    // CREATE_NEW never opens what is there already, a link included.
    UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid())
        return fail(::GetLastError());
    auto removeAndFail = [&](DWORD code) {
        file.reset();
        ::DeleteFileW(name.c_str());
        return fail(code);
    };
    std::string_view rest = content;
    while (!rest.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), rest.data(), chunk, &written, nullptr) || written == 0)
            return removeAndFail(::GetLastError() != 0 ? ::GetLastError() : ERROR_WRITE_FAULT);
        rest.remove_prefix(written);
    }
    // The report must be on the disk before the program says it was written.
    if (!::FlushFileBuffers(file.get()))
        return removeAndFail(::GetLastError());
    file.reset();
    return {};
}

}  // namespace platform
