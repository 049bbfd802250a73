#include "platform/PortDescription.h"

#include <windows.h>

#include <map>
#include <utility>

#include "WideText.h"

namespace platform {
namespace {

// Every device the system has seen, by enumerator, device and instance:
// Enum\FTDIBUS\VID_0403+PID_6001+A10K3X2QA\0000. A serial port's instance
// keeps its COM name in the value PortName of its "Device Parameters" key.
constexpr const wchar_t* kDeviceTreeKey = L"SYSTEM\\CurrentControlSet\\Enum";
constexpr const wchar_t* kDeviceParametersKey = L"Device Parameters";
constexpr const wchar_t* kPortNameValue = L"PortName";
constexpr const wchar_t* kFriendlyNameValue = L"FriendlyName";
constexpr const wchar_t* kHardwareIdValue = L"HardwareID";
// The FTDI driver's own enumerator, and the REG_DWORD in the port's Device
// Parameters from which it takes the latency timer when the port opens.
constexpr const wchar_t* kFtdiEnumerator = L"FTDIBUS";
constexpr const wchar_t* kLatencyTimerValue = L"LatencyTimer";
// Key names are at most 255 characters.
constexpr DWORD kKeyNameCharacters = 256;
constexpr DWORD kLargestText = 32767;

// An open registry key, closed when the object goes.
class RegistryKey {
  public:
    RegistryKey() = default;
    RegistryKey(HKEY parent, const std::wstring& path) {
        if (::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~RegistryKey() {
        if (key_ != nullptr) {
            ::RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool isOpen() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    std::vector<std::wstring> subkeys() const {
        std::vector<std::wstring> names;
        for (DWORD index = 0; isOpen(); ++index) {
            wchar_t name[kKeyNameCharacters];
            DWORD length = kKeyNameCharacters;
            if (::RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            names.emplace_back(name, length);
        }
        return names;
    }

    // A text value (REG_SZ, or the first text of a REG_MULTI_SZ); empty when
    // the value is missing or of another type.
    std::wstring text(const wchar_t* name) const {
        DWORD type = 0;
        DWORD bytes = 0;
        if (!isOpen() || ::RegQueryValueExW(key_, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_MULTI_SZ) || bytes > kLargestText * sizeof(wchar_t)) {
            return {};
        }
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD read = bytes;
        if (::RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &read) !=
            ERROR_SUCCESS) {
            return {};
        }
        // Up to the first terminating zero: the whole REG_SZ, the first text of a list.
        value.resize(read / sizeof(wchar_t));
        const std::size_t end = value.find(L'\0');
        return end == std::wstring::npos ? value : value.substr(0, end);
    }

    std::optional<DWORD> number(const wchar_t* name) const {
        DWORD type = 0;
        DWORD value = 0;
        DWORD bytes = sizeof(value);
        if (!isOpen() ||
            ::RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) !=
                ERROR_SUCCESS ||
            type != REG_DWORD || bytes != sizeof(value)) {
            return std::nullopt;
        }
        return value;
    }

  private:
    HKEY key_ = nullptr;
};

bool equalsIgnoringCase(std::wstring_view left, std::wstring_view right) {
    return left.size() == right.size() &&
           ::CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                                  static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

// "VID_0403" in a hardware id gives "0403".
std::string idAfter(const std::string& hardwareId, const std::string& marker) {
    const std::size_t at = hardwareId.find(marker);
    if (at == std::string::npos || at + marker.size() + 4 > hardwareId.size()) {
        return {};
    }
    return hardwareId.substr(at + marker.size(), 4);
}

// Fills description from one device instance.
void describeInstance(const std::wstring& enumerator, const RegistryKey& instance,
                      const RegistryKey& parameters, PortDescription& description) {
    description.friendlyName = narrow(instance.text(kFriendlyNameValue));
    description.hardwareId = narrow(instance.text(kHardwareIdValue));
    description.usbVendorId = idAfter(description.hardwareId, "VID_");
    description.usbProductId = idAfter(description.hardwareId, "PID_");
    if (equalsIgnoringCase(enumerator, kFtdiEnumerator)) {
        if (const auto latency = parameters.number(kLatencyTimerValue)) {
            description.latencyTimerMs = static_cast<int>(*latency);
            description.latencyTimerFixed = true;
        }
    }
}

// Every serial port instance of the device tree, by its COM name in upper case.
std::map<std::string, PortDescription> portInstances() {
    std::map<std::string, PortDescription> found;
    const RegistryKey tree(HKEY_LOCAL_MACHINE, kDeviceTreeKey);
    for (const std::wstring& enumerator : tree.subkeys()) {
        const RegistryKey enumeratorKey(tree.get(), enumerator);
        for (const std::wstring& device : enumeratorKey.subkeys()) {
            const RegistryKey deviceKey(enumeratorKey.get(), device);
            for (const std::wstring& instanceName : deviceKey.subkeys()) {
                const RegistryKey instance(deviceKey.get(), instanceName);
                const RegistryKey parameters(instance.get(), kDeviceParametersKey);
                const std::wstring portName = parameters.text(kPortNameValue);
                if (portName.empty()) {
                    continue;
                }
                const std::string identity = deviceIdentity(narrow(portName));
                if (found.count(identity) != 0) {
                    continue;
                }
                PortDescription description;
                describeInstance(enumerator, instance, parameters, description);
                found.emplace(identity, std::move(description));
            }
        }
    }
    return found;
}

}  // namespace

std::string deviceIdentity(const std::string& port) {
    std::string name = port;
    constexpr std::string_view kDevicePrefix = "\\\\.\\";
    if (name.rfind(kDevicePrefix, 0) == 0) {
        name.erase(0, kDevicePrefix.size());
    }
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return name;
}

std::vector<PortDescription> describePorts(const std::vector<std::string>& ports,
                                           const PortDescriptionOptions&) {
    const std::map<std::string, PortDescription> instances = portInstances();
    std::vector<PortDescription> descriptions;
    descriptions.reserve(ports.size());
    for (const std::string& port : ports) {
        const auto found = instances.find(deviceIdentity(port));
        PortDescription description = found != instances.end() ? found->second : PortDescription{};
        description.port = port;
        descriptions.push_back(std::move(description));
    }
    return descriptions;
}

PortDescription describePort(const std::string& port, const PortDescriptionOptions& options) {
    return describePorts({port}, options).front();
}

}  // namespace platform
