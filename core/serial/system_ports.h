// The machine's serial devices and the ports folder's links to them: what a COM
// number leads to, which devices are there now (with what sysfs says of their
// adapter), linking one to a COM number, and where to watch for one coming back.
#pragma once

#include <string>
#include <vector>

// A serial device the machine has now.
struct SystemPort {
    std::string path;        // what a port opens: "/dev/serial/by-id/usb-...", "/dev/ttyACM0", "COM4"
    std::string description; // "FTDI FT232R USB UART A10K3XYZ (ttyUSB0)", "UART", the device behind a Windows COM port

    bool operator==(const SystemPort&) const = default;
};

// The machine's serial devices, the stable names first: on Linux every
// /dev/serial/by-id entry, every /dev/ttyUSB* and /dev/ttyACM*, and the /dev/ttyS*
// that have a UART behind them; on Windows the system's COM ports. `dev_root` and
// `sys_root` stand for /dev and /sys (a test hands a tree of its own).
std::vector<SystemPort> comport_system_ports(const std::string& dev_root = "/dev",
                                             const std::string& sys_root = "/sys");

// What COM port n opens as a user would name it: the target of its ports-folder link
// (made absolute), else the device comport_device_path names.
std::string comport_device_target(int port);
// The same for any path: a link's target (made absolute), else the path.
std::string comport_link_target(const std::string& path);

// Links COM port n to `device` in the ports folder, replacing what was there in one
// step (a new link renamed over the old one). False with errno set when the folder
// cannot be made or the link not written; always false on Windows, whose COM numbers
// are the system's.
bool comport_assign_device(int port, const std::string& device);

// Whether `device` (what a port opens: a ports-folder link, a device) leads to a local
// device file, whose coming back a watch of comport_watch_folders sees. Otherwise
// (another kind of line) the only way to know it is back is to try it.
bool comport_is_local_device(const std::string& device);
// The folders whose changes can bring `device` back: the ports folder, the nearest
// existing folder above what it leads to (e.g. /dev/serial/by-id, or /dev once that
// went with the last adapter) and /dev. Empty on Windows.
std::vector<std::string> comport_watch_folders(const std::string& device);
