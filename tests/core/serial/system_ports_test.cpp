// The machine's serial devices, read from a /dev and /sys tree made for the test, and
// linking one to a COM number.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/serial/port_values.h"
#include "core/serial/system_ports.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

void put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

void link(const fs::path& name, const fs::path& target) {
    fs::create_directories(name.parent_path());
    fs::create_symlink(target, name);
}

TEST(SystemPorts, AdaptersByIdAndKernelNameAndOnlyUartsThatExist) {
    TempDir root;
    const fs::path dev = root.file("dev");
    const fs::path sys = root.file("sys");
    // An FTDI adapter with its by-id name, an ACM device, one real UART and one the
    // 8250 driver made without hardware (type 0).
    const fs::path ftdi = sys / "devices/pci0000:00/usb1/1-1";
    put(ftdi / "manufacturer", "FTDI");
    put(ftdi / "product", "FT232R USB UART");
    put(ftdi / "serial", "A10K3XYZ");
    fs::create_directories(ftdi / "1-1:1.0/ttyUSB0");
    link(sys / "class/tty/ttyUSB0/device", ftdi / "1-1:1.0/ttyUSB0");
    const fs::path acm = sys / "devices/pci0000:00/usb1/1-2";
    put(acm / "manufacturer", "Arduino");
    put(acm / "product", "Uno");
    fs::create_directories(acm / "1-2:1.0");
    link(sys / "class/tty/ttyACM0/device", acm / "1-2:1.0");
    put(sys / "class/tty/ttyS0/type", "4");
    put(sys / "class/tty/ttyS1/type", "0");
    for (const char* name : {"ttyUSB0", "ttyACM0", "ttyS0", "ttyS1", "tty", "null"}) put(dev / name, "");
    link(dev / "serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0", "../../ttyUSB0");

    const std::string d = dev.string();
    const std::vector<SystemPort> expected = {
        {d + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0", "FTDI FT232R USB UART A10K3XYZ (ttyUSB0)"},
        {d + "/ttyACM0", "Arduino Uno"},
        {d + "/ttyS0", "UART"},
        {d + "/ttyUSB0", "FTDI FT232R USB UART A10K3XYZ"},
    };
    EXPECT_EQ(comport_system_ports(d, sys.string()), expected);
}

TEST(SystemPorts, UseForThisPortReplacesTheOlderLink) {
    ComPortFolder ports;
    ASSERT_TRUE(comport_assign_device(3, "/dev/ttyUSB0"));
    EXPECT_EQ(comport_device_target(3), "/dev/ttyUSB0");
    ASSERT_TRUE(comport_assign_device(3, "/dev/serial/by-id/usb-adapter"));
    EXPECT_EQ(comport_device_target(3), "/dev/serial/by-id/usb-adapter");
    EXPECT_EQ(comport_device_path(3), ports.ports_folder() + "/com3");
    // Nothing of the swap is left behind.
    EXPECT_FALSE(fs::exists(fs::symlink_status(ports.ports_folder() + "/com3.new")));
    EXPECT_FALSE(comport_assign_device(0, "/dev/ttyUSB0"));
}

} // namespace
