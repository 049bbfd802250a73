#include "platform/PortDescription.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TestDirectory.h"

using testing_support::TempDirectory;
namespace fs = std::filesystem;

namespace {

// A fake machine laid out as Linux lays out sysfs and udev's by-id links:
// the tty class entry's "device" link leads into the device tree, where a
// USB serial port sits under its interface, under the USB device that
// carries idVendor, idProduct, manufacturer, product and serial. The device
// nodes are plain files here: describing a port must never open one.
class FakeSysfs {
  public:
    FakeSysfs() { root.makeDirectory("sys/class/tty"); }

    // ftdi_sio: the port device carries latency_timer.
    void addUsbAdapter(const std::string& tty, const std::string& usbPath, const std::string& vendor,
                       const std::string& productId, const std::string& maker, const std::string& product,
                       const std::string& serial, const std::string& latency) {
        const std::string usbDevice = "sys/devices/pci0000:00/0000:00:14.0/usb1/" + usbPath;
        writeAttribute(usbDevice + "/idVendor", vendor);
        writeAttribute(usbDevice + "/idProduct", productId);
        writeAttribute(usbDevice + "/manufacturer", maker);
        writeAttribute(usbDevice + "/product", product);
        writeAttribute(usbDevice + "/serial", serial);
        const std::string portDevice = usbDevice + "/" + usbPath + ":1.0/" + tty;
        root.makeDirectory(portDevice + "/tty/" + tty);
        if (!latency.empty()) {
            writeAttribute(portDevice + "/latency_timer", latency);
        }
        linkClass(tty, portDevice);
    }
    // cdc_acm: the interface is the tty's device; no latency timer.
    void addAcmDevice(const std::string& tty, const std::string& usbPath) {
        const std::string usbDevice = "sys/devices/pci0000:00/0000:00:14.0/usb1/" + usbPath;
        writeAttribute(usbDevice + "/idVendor", "2341");
        writeAttribute(usbDevice + "/idProduct", "0043");
        // This board names no manufacturer and no serial number.
        writeAttribute(usbDevice + "/product", "Uno R3");
        const std::string interface = usbDevice + "/" + usbPath + ":1.0";
        root.makeDirectory(interface + "/tty/" + tty);
        linkClass(tty, interface);
    }
    // A UART of the main board: no USB device above it.
    void addUart(const std::string& tty) {
        const std::string device = "sys/devices/platform/serial8250/" + tty;
        root.makeDirectory(device);
        linkClass(tty, "sys/devices/platform/serial8250");
    }
    void addByIdLink(const std::string& name, const std::string& tty) {
        fs::create_directories(root / "dev/serial/by-id");
        fs::create_symlink("../../" + tty, root / ("dev/serial/by-id/" + name));
    }
    std::string devicePath(const std::string& tty) {
        const std::string path = root / ("dev/" + tty);
        if (!fs::exists(path)) {
            // Unreadable: a test that opened the node would fail here, not pass.
            root.writeFile("dev/" + tty, "");
            ::chmod(path.c_str(), 0);
        }
        return path;
    }

    platform::PortDescriptionOptions options() const {
        platform::PortDescriptionOptions result;
        result.ttyClassDirectory = root / "sys/class/tty";
        result.byIdDirectory = root / "dev/serial/by-id";
        return result;
    }

    TempDirectory root;

  private:
    void writeAttribute(const std::string& path, const std::string& value) {
        root.writeFile(path, value + "\n");
    }
    void linkClass(const std::string& tty, const std::string& device) {
        root.makeDirectory("sys/class/tty/" + tty);
        fs::create_directory_symlink(root / device, root / ("sys/class/tty/" + tty + "/device"));
    }
};

}  // namespace

TEST(PortDescription, UsbAdaptersAreDescribedFromSysfsAndTheirByIdLinks) {
    FakeSysfs machine;
    machine.addUsbAdapter("ttyUSB0", "1-2", "0403", "6001", "FTDI", "FT232R USB UART", "A10K3X2Q", "16");
    machine.addUsbAdapter("ttyUSB1", "1-3", "067b", "2303", "Prolific Technology Inc.",
                          "USB-Serial Controller", "", "");
    machine.addAcmDevice("ttyACM0", "1-4");
    machine.addUart("ttyS0");
    machine.addByIdLink("usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0", "ttyUSB0");
    machine.addByIdLink("usb-Arduino_Uno_R3-if00", "ttyACM0");

    const std::vector<std::string> ports = {machine.devicePath("ttyUSB0"), machine.devicePath("ttyUSB1"),
                                            machine.devicePath("ttyACM0"), machine.devicePath("ttyS0")};
    const auto described = platform::describePorts(ports, machine.options());
    ASSERT_EQ(described.size(), 4u);

    const platform::PortDescription& ftdi = described[0];
    EXPECT_EQ(ftdi.port, ports[0]);
    EXPECT_EQ(ftdi.byIdPath, machine.root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2Q-if00-port0");
    EXPECT_EQ(ftdi.usbVendorId, "0403");
    EXPECT_EQ(ftdi.usbProductId, "6001");
    EXPECT_EQ(ftdi.manufacturer, "FTDI");
    EXPECT_EQ(ftdi.product, "FT232R USB UART");
    EXPECT_EQ(ftdi.serialNumber, "A10K3X2Q");
    EXPECT_EQ(ftdi.latencyTimerMs, 16);
    EXPECT_FALSE(ftdi.latencyTimerFixed) << "on Linux the program's low-latency request lowers it";

    const platform::PortDescription& prolific = described[1];
    EXPECT_TRUE(prolific.byIdPath.empty());
    EXPECT_EQ(prolific.usbVendorId + ":" + prolific.usbProductId, "067b:2303");
    EXPECT_EQ(prolific.manufacturer, "Prolific Technology Inc.");
    EXPECT_TRUE(prolific.serialNumber.empty());
    EXPECT_FALSE(prolific.latencyTimerMs);

    const platform::PortDescription& acm = described[2];
    EXPECT_EQ(acm.byIdPath, machine.root / "dev/serial/by-id/usb-Arduino_Uno_R3-if00");
    EXPECT_EQ(acm.usbVendorId, "2341");
    EXPECT_EQ(acm.product, "Uno R3");
    EXPECT_TRUE(acm.manufacturer.empty());
    EXPECT_FALSE(acm.latencyTimerMs);

    EXPECT_TRUE(described[3].empty()) << "a main-board UART has no USB device above it";
}

TEST(PortDescription, AByIdNameIsDescribedAsItsTtyAndUnknownPortsAreEmpty) {
    FakeSysfs machine;
    machine.addUsbAdapter("ttyUSB0", "1-2", "0403", "6015", "FTDI", "FT230X Basic UART", "DK0AB1CD", "1");
    machine.addByIdLink("usb-FTDI_FT230X_Basic_UART_DK0AB1CD-if00-port0", "ttyUSB0");
    const std::string tty = machine.devicePath("ttyUSB0");
    const std::string byId = machine.root / "dev/serial/by-id/usb-FTDI_FT230X_Basic_UART_DK0AB1CD-if00-port0";

    const platform::PortDescription viaLink = platform::describePort(byId, machine.options());
    EXPECT_EQ(viaLink.port, byId);
    EXPECT_EQ(viaLink.byIdPath, byId);
    EXPECT_EQ(viaLink.serialNumber, "DK0AB1CD");
    EXPECT_EQ(viaLink.latencyTimerMs, 1);
    EXPECT_EQ(platform::deviceIdentity(byId), platform::deviceIdentity(tty));

    // A pseudo-terminal, a missing device, a network port, a garbled attribute.
    for (const std::string& other : {std::string("/dev/pts/77"), machine.root / "dev/ttyUSB9",
                                     std::string("rfc2217://127.0.0.1:7000")}) {
        EXPECT_TRUE(platform::describePort(other, machine.options()).empty()) << other;
        EXPECT_EQ(platform::deviceIdentity(other), other);
    }
    machine.root.writeFile("sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/latency_timer",
                           "x16\n");
    EXPECT_FALSE(platform::describePort(tty, machine.options()).latencyTimerMs);
}
