#include "platform/PortDiscovery.h"

#include <windows.h>

#include <algorithm>

#include "WideText.h"

namespace platform {
namespace {

constexpr const wchar_t* kSerialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
// Name and value buffers of the enumeration, as large as the system allows
// a value name to be.
constexpr DWORD kEntryCharacters = 4096;

}  // namespace

PortTable discoverPorts(const PortDiscoveryOptions& options) {
    PortTable table;
    HKEY key = nullptr;
    if (!options.systemPorts) {
        table.readable = true;
    } else if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        table.readable = true;
        std::vector<std::string> names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[kEntryCharacters];
            wchar_t value[kEntryCharacters];
            DWORD nameLength = kEntryCharacters;
            DWORD valueBytes = sizeof(value) - sizeof(wchar_t);
            DWORD type = 0;
            if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(value),
                                &valueBytes) != ERROR_SUCCESS) {
                break;
            }
            if (type != REG_SZ)
                continue;
            std::size_t length = valueBytes / sizeof(wchar_t);
            while (length > 0 && value[length - 1] == L'\0')
                --length;
            if (length > 0)
                names.push_back(narrow(std::wstring_view(value, length)));
        }
        ::RegCloseKey(key);
        std::sort(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
        table.ports = std::move(names);
    }
    // The extra ports are offered also when the table cannot be read.
    appendExtraPorts(table, options.extraPorts);
    return table;
}

}  // namespace platform
