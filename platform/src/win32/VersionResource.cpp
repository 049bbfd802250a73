#include "platform/VersionResource.h"

#include <windows.h>

#include <vector>

#include "WideText.h"

namespace platform {

namespace {

std::string queryString(std::vector<unsigned char>& block, const wchar_t* key) {
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), key, &value, &length) || value == nullptr || length == 0) {
        return {};
    }
    // The length counts the terminator.
    std::wstring_view text(static_cast<const wchar_t*>(value), length);
    while (!text.empty() && text.back() == L'\0') {
        text.remove_suffix(1);
    }
    return narrow(text);
}

}  // namespace

bool versionResourcesExist() {
    return true;
}

std::optional<VersionStrings> readVersionStrings(const std::string& path) {
    const std::wstring file = widen(path);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> block(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) {
        return std::nullopt;
    }
    VersionStrings strings;
    strings.productVersion = queryString(block, L"\\StringFileInfo\\040904b0\\ProductVersion");
    strings.fileVersion = queryString(block, L"\\StringFileInfo\\040904b0\\FileVersion");
    strings.legalCopyright = queryString(block, L"\\StringFileInfo\\040904b0\\LegalCopyright");
    return strings;
}

}  // namespace platform
