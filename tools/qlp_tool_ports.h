// benchlink-qlp --list-ports: what the settings dialog shows of the ports.
#pragma once

#include <ostream>

// One line per COM number ("COM3 /dev/serial/by-id/usb-... present"), then
// "Devices:" and one line per serial device of the machine (its path, then what
// sysfs says of its adapter).
void qlpToolListPorts(std::ostream& out);
