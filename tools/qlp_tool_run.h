// Runs one benchlink-qlp command on the port and writes its result line.
#pragma once

#include <ostream>
#include <string>

#include "tools/qlp_tool_options.h"

class Port;

// Opens `port`, runs the command with the receive thread catching replies, closes
// the port; the exit code (ExchangeStatus, or kQlpToolUsage/PortFault).
int qlpToolRun(Port& port, const QlpToolOptions& options, std::ostream& out, std::ostream& err);
// Flushes `out`: `code`, or kQlpToolOutputFault with the reason on `err` when the
// output could not be written.
int qlpToolFinish(int code, std::ostream& out, std::ostream& err);

// Result lines.
// The state byte as two hex digits, then each set channel: "25 0 2 5".
std::string qlpToolDigitalText(int state, int channels);
// The raw code, and with a type its value with three decimals and unit: "2048 2.500 V".
std::string qlpToolAnalogText(int raw);
std::string qlpToolAnalogText(int raw, double value, const std::string& unit);
