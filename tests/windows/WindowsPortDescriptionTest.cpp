#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/PortNotes.h"
#include "platform/PortDescription.h"
#include "platform/Utf16.h"

namespace {

// HKLM\SYSTEM\CurrentControlSet\Enum, the device tree the port descriptions
// come from. Each test's devices carry its own port name in their device
// ids (tests may run side by side in one prefix) and go again at its end.
constexpr const wchar_t* kDeviceTree = L"SYSTEM\\CurrentControlSet\\Enum\\";

class RegistryKey {
  public:
    explicit RegistryKey(const std::wstring& path) {
        EXPECT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &key_, nullptr),
                  ERROR_SUCCESS)
            << platform::narrow(path);
    }
    ~RegistryKey() {
        if (key_ != nullptr) {
            ::RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    void text(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
        // A REG_MULTI_SZ ends with a second zero.
        std::wstring stored = value;
        stored.push_back(L'\0');
        if (type == REG_MULTI_SZ) {
            stored.push_back(L'\0');
        }
        ASSERT_EQ(::RegSetValueExW(key_, name, 0, type, reinterpret_cast<const BYTE*>(stored.data()),
                                   static_cast<DWORD>(stored.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    void number(const wchar_t* name, DWORD value) {
        ASSERT_EQ(
            ::RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
            ERROR_SUCCESS);
    }

  private:
    HKEY key_ = nullptr;
};

class WindowsPortDescription : public ::testing::Test {
  protected:
    void TearDown() override {
        for (const std::wstring& path : made_) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
            ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
        }
    }

    // A device key of the test's own under the device tree.
    std::wstring device(const std::wstring& enumeratorAndId) {
        const std::wstring path = kDeviceTree + enumeratorAndId;
        made_.push_back(path);
        return path;
    }

    // An FTDI FT232R adapter as its driver registers it: the USB device,
    // and the serial port the FTDIBUS driver makes of it, whose Device
    // Parameters hold the COM name and the latency timer in milliseconds.
    // Latency values in the wrong places differ, so that reading another
    // key than the driver's gives another answer.
    void registerFtdiAdapter(const std::wstring& port, DWORD latency) {
        const std::wstring usbDevice = device(L"USB\\VID_0403&PID_6001\\FK" + port);
        RegistryKey usb(usbDevice);
        usb.text(L"DeviceDesc", L"USB Serial Converter");
        usb.number(L"LatencyTimer", 4);
        RegistryKey usbParameters(usbDevice + L"\\Device Parameters");
        usbParameters.text(L"SymbolicName", L"\\??\\USB#VID_0403&PID_6001#FK" + port);
        usbParameters.number(L"LatencyTimer", 8);

        const std::wstring ftdiDevice = device(L"FTDIBUS\\VID_0403+PID_6001+FK" + port + L"A");
        RegistryKey instance(ftdiDevice + L"\\0000");
        instance.text(L"Class", L"Ports");
        instance.text(L"ClassGUID", L"{4d36e978-e325-11ce-bfc1-08002be10318}");
        instance.text(L"FriendlyName", L"USB Serial Port (" + port + L")");
        instance.text(L"HardwareID", L"FTDIBUS\\COMPORT&VID_0403&PID_6001", REG_MULTI_SZ);
        instance.text(L"Mfg", L"FTDI");
        instance.text(L"Service", L"FTSER2K");
        instance.number(L"LatencyTimer", 2);
        RegistryKey parameters(ftdiDevice + L"\\0000\\Device Parameters");
        parameters.text(L"PortName", port);
        parameters.number(L"LatencyTimer", latency);
        parameters.number(L"MinReadTimeout", 0);
        parameters.number(L"MinWriteTimeout", 0);
        ftdiParameters_ = ftdiDevice + L"\\0000\\Device Parameters";
    }

    std::vector<std::wstring> made_;
    std::wstring ftdiParameters_;
};

TEST_F(WindowsPortDescription, AnFtdiAdapterIsDescribedFromItsDriversKeys) {
    registerFtdiAdapter(L"COM251", 16);
    // A built-in port of another driver: described, but its latency value is not the FTDI driver's.
    const std::wstring otherDevice = device(L"FKTESTBUS\\PNP0501\\4&1");
    RegistryKey other(otherDevice);
    other.text(L"FriendlyName", L"Communications Port (COM252)");
    other.text(L"HardwareID", L"ACPI\\PNP0501", REG_MULTI_SZ);
    RegistryKey otherParameters(otherDevice + L"\\Device Parameters");
    otherParameters.text(L"PortName", L"COM252");
    otherParameters.number(L"LatencyTimer", 16);

    const auto described = platform::describePorts({"COM251", "com252", "COM253"});
    ASSERT_EQ(described.size(), 3u);
    const platform::PortDescription& ftdi = described[0];
    EXPECT_EQ(ftdi.port, "COM251");
    EXPECT_EQ(ftdi.friendlyName, "USB Serial Port (COM251)");
    EXPECT_EQ(ftdi.hardwareId, "FTDIBUS\\COMPORT&VID_0403&PID_6001");
    EXPECT_EQ(ftdi.usbVendorId, "0403");
    EXPECT_EQ(ftdi.usbProductId, "6001");
    EXPECT_EQ(ftdi.latencyTimerMs, 16) << "the value of the port's own Device Parameters";
    EXPECT_TRUE(ftdi.latencyTimerFixed);
    EXPECT_EQ(
        core::PortNotes::latencyWarning(ftdi),
        "COM251: the adapter's latency timer is 16 ms: a write can take twice as long; set it to 1 ms in "
        "Device Manager \u25b8 Port Settings \u25b8 Advanced");

    const platform::PortDescription& builtIn = described[1];
    EXPECT_EQ(builtIn.port, "com252");
    EXPECT_EQ(builtIn.friendlyName, "Communications Port (COM252)");
    EXPECT_EQ(builtIn.hardwareId, "ACPI\\PNP0501");
    EXPECT_FALSE(builtIn.latencyTimerMs);
    EXPECT_EQ(core::PortNotes::latencyWarning(builtIn), "");

    EXPECT_TRUE(described[2].empty()) << "a port the device tree does not know";
}

TEST_F(WindowsPortDescription, ALatencyTimerOfOneOrTwoMillisecondsIsNoWarning) {
    registerFtdiAdapter(L"COM247", 1);
    platform::PortDescription ftdi = platform::describePort("COM247");
    EXPECT_EQ(ftdi.latencyTimerMs, 1);
    EXPECT_EQ(core::PortNotes::latencyWarning(ftdi), "");
    registerFtdiAdapter(L"COM247", 2);
    EXPECT_EQ(core::PortNotes::latencyWarning(platform::describePort("COM247")), "");
    registerFtdiAdapter(L"COM247", 3);
    EXPECT_NE(core::PortNotes::latencyWarning(platform::describePort("\\\\.\\COM247")), "");
}

TEST_F(WindowsPortDescription, AValueOfAnotherTypeIsNotTakenForTheLatencyTimer) {
    registerFtdiAdapter(L"COM248", 16);
    RegistryKey parameters(ftdiParameters_);
    parameters.text(L"LatencyTimer", L"16");
    EXPECT_FALSE(platform::describePort("COM248").latencyTimerMs);
    EXPECT_EQ(platform::deviceIdentity("\\\\.\\com248"), "COM248");
}

}  // namespace
