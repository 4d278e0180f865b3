// The status line's texts for the port, without widgets: which port and where it
// leads, its line in the short form terminals use ("115200 8N1"), and its state.
#pragma once

#include <string>

#include "core/serial/port_values.h"
#include "core/terminal/console_session.h"

// "COM3 /dev/ttyUSB0": the port's name and what it opens (`target`, empty with no
// port: "None"); an explicit device is named once.
std::string port_status_name(const std::string& name, const std::string& target);
// "115200 8N1": programmed rate, data bits, parity letter (N O E M S), stop bits
// (1, 1.5 or 2); empty with no port (`target` empty); "settings are the server's" for
// a raw TCP port, which carries no line settings.
std::string port_status_line(const ComportSetting& setting, const std::string& target);
// "Closed", "Open", "Receiving", "Lost", "Fault".
std::string port_state_name(PortState state);
// The main window's title: "ZQ70 Main", or "ZQ70 Main - COM3" while a port is configured.
std::string main_window_title(const std::string& name, PortState state);
