#include "tools/qlp_tool_ports.h"

#include "core/serial/port_values.h"
#include "core/serial/system_ports.h"

void qlpToolListPorts(std::ostream& out) {
    for (int port = 1; port <= 15; ++port)
        out << comport_port_name(port) << " " << comport_device_target(port) << " "
            << (comport_device_present(port) ? "present" : "missing") << "\n";
    out << "Devices:\n";
    for (const SystemPort& device : comport_system_ports()) {
        out << device.path;
        if (!device.description.empty()) out << "  " << device.description;
        out << "\n";
    }
}
