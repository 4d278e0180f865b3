#include "core/serial/system_ports.h"

#include "core/serial/port_values.h"

#if defined(_WIN32)
#include <windows.h>
// After windows.h: the Ports device class's GUID is defined here, not only declared.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#endif

#if defined(_WIN32)

namespace {

// The system's serial ports by COM name, with the device behind each (the registry's
// list, which every serial driver fills in).
std::vector<SystemPort> registry_ports() {
    std::vector<SystemPort> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE value[256];
        DWORD name_length = sizeof name;
        DWORD value_length = sizeof value - 1;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &name_length, nullptr, &type, value, &value_length) != ERROR_SUCCESS) break;
        if (type != REG_SZ) continue;
        value[value_length] = 0;
        ports.push_back({reinterpret_cast<const char*>(value), name});
    }
    RegCloseKey(key);
    return ports;
}

// The friendly name Device Manager shows ("USB Serial Port (COM4)") of each present
// device of the Ports class, by its COM name.
std::string friendly_name(HDEVINFO devices, SP_DEVINFO_DATA& device, std::string& com) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    char port[64] = {};
    DWORD length = sizeof port - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(port), &length) == ERROR_SUCCESS &&
        type == REG_SZ)
        com = port;
    RegCloseKey(key);
    char name[256] = {};
    if (!SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                           reinterpret_cast<BYTE*>(name), sizeof name - 1, nullptr))
        return {};
    return name;
}

} // namespace

std::vector<SystemPort> comport_system_ports(const std::string&, const std::string&) {
    std::vector<SystemPort> ports = registry_ports();
    HDEVINFO devices = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return ports;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        std::string com;
        const std::string name = friendly_name(devices, device, com);
        if (com.empty() || name.empty()) continue;
        bool listed = false;
        for (SystemPort& port : ports)
            if (port.path == com) {
                port.description = name;
                listed = true;
            }
        if (!listed) ports.push_back({com, name});
    }
    SetupDiDestroyDeviceInfoList(devices);
    return ports;
}

std::string comport_device_target(int port) {
    return comport_port_name(port);
}

bool comport_assign_device(int, const std::string&) {
    return false;
}

std::string comport_link_target(const std::string& path) {
    return path;
}

bool comport_is_local_device(const std::string&) {
    return false;
}

std::vector<std::string> comport_watch_folders(const std::string&) {
    return {};
}

#else

namespace {

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string first_line(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string link_target(const std::string& path) {
    char buffer[4096];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    std::string target(buffer, static_cast<std::size_t>(n));
    if (target[0] != '/') target = path.substr(0, path.rfind('/') + 1) + target;
    return target;
}

std::string base_name(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The USB adapter behind a tty: the nearest folder above its sysfs device that names
// a manufacturer or product (the USB device; the tty's own folder is an interface).
std::string usb_description(const std::string& sys_root, const std::string& tty) {
    const std::string device = sys_root + "/class/tty/" + tty + "/device";
    char resolved[4096];
    if (!realpath(device.c_str(), resolved)) return {};
    std::string folder = resolved;
    for (int up = 0; up < 4 && folder.size() > 1; ++up) {
        folder = folder.substr(0, folder.rfind('/'));
        const std::string product = first_line(folder + "/product");
        const std::string maker = first_line(folder + "/manufacturer");
        if (product.empty() && maker.empty()) continue;
        std::string text = maker;
        for (const std::string& part : {product, first_line(folder + "/serial")})
            if (!part.empty()) text += (text.empty() ? "" : " ") + part;
        return text;
    }
    return {};
}

// The kernel's name for a device path: "ttyUSB0" for /dev/serial/by-id/usb-..., which
// links to it.
std::string kernel_name(const std::string& path) {
    const std::string target = link_target(path);
    return base_name(target.empty() ? path : target);
}

} // namespace

std::vector<SystemPort> comport_system_ports(const std::string& dev_root, const std::string& sys_root) {
    std::vector<SystemPort> ports;
    const std::string by_id = dev_root + "/serial/by-id";
    for (const std::string& name : entries(by_id)) {
        const std::string tty = kernel_name(by_id + "/" + name);
        std::string text = usb_description(sys_root, tty);
        ports.push_back({by_id + "/" + name, text.empty() ? tty : text + " (" + tty + ")"});
    }
    for (const std::string& name : entries(dev_root)) {
        const bool usb = name.starts_with("ttyUSB") || name.starts_with("ttyACM");
        // The 8250 driver makes ttyS0..ttyS31 whether or not a UART is there; sysfs
        // gives a port without one the type 0 (unknown).
        const bool uart = name.starts_with("ttyS") && !first_line(sys_root + "/class/tty/" + name + "/type").empty() &&
                          first_line(sys_root + "/class/tty/" + name + "/type") != "0";
        if (usb)
            ports.push_back({dev_root + "/" + name, usb_description(sys_root, name)});
        else if (uart)
            ports.push_back({dev_root + "/" + name, "UART"});
    }
    return ports;
}

std::string comport_link_target(const std::string& path) {
    const std::string target = link_target(path);
    return target.empty() ? path : target;
}

std::string comport_device_target(int port) {
    return comport_link_target(comport_device_path(port));
}

bool comport_assign_device(int port, const std::string& device) {
    const std::string folder = comport_ports_folder();
    if (port <= 0 || folder.empty()) {
        errno = EINVAL;
        return false;
    }
    // The folder and the ones above it (the configuration folder may be new too).
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    const std::string link = folder + "/com" + std::to_string(port);
    const std::string temporary = link + ".new";
    unlink(temporary.c_str());
    if (symlink(device.c_str(), temporary.c_str()) != 0) return false;
    if (std::rename(temporary.c_str(), link.c_str()) != 0) {
        const int err = errno;
        unlink(temporary.c_str());
        errno = err;
        return false;
    }
    return true;
}

bool comport_is_local_device(const std::string& device) {
    return comport_link_target(device).starts_with("/dev/");
}

std::vector<std::string> comport_watch_folders(const std::string& device) {
    std::vector<std::string> folders;
    struct stat st {};
    const std::string ports = comport_ports_folder();
    if (!ports.empty() && stat(ports.c_str(), &st) == 0) folders.push_back(ports);
    std::string folder = comport_link_target(device);
    while (folder.size() > 1) {
        folder = folder.substr(0, std::max<std::size_t>(1, folder.rfind('/')));
        if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) break;
    }
    if (folder.size() > 1) folders.push_back(folder);
    if (std::find(folders.begin(), folders.end(), "/dev") == folders.end()) folders.push_back("/dev");
    return folders;
}

#endif
