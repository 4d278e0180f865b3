// benchlink-qlp's detect, scan and set commands: the detect window's engine on
// the open port, its lines printed as they happen.
#pragma once

#include <ostream>
#include <string>

#include "core/detect/detected_device.h"
#include "tools/qlp_tool_options.h"

class Port;

// Exit code of a set whose writes failed.
inline constexpr int kQlpToolSetFault = 1;

bool qlpToolIsDetect(QlpToolCommand command);
// Runs the command on `port`, which the caller opened (receiving must not run); the
// exit code: 0 found or set, 3 nothing answered, kQlpToolSetFault.
int qlpToolDetect(Port& port, const QlpToolOptions& options, std::ostream& out);

// "7 115200 147K 1 1": ID, baud rate, CAN bit rate, master ID, device number
// ("?" for a rate the program does not know).
std::string qlpToolDeviceText(const DetectedDevice& device);
