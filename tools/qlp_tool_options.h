// The command line of benchlink-qlp, read into a plain record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/panels/device_family.h"
#include "core/serial/port_values.h"

// Exit codes besides the ExchangeStatus codes 0 to 9.
inline constexpr int kQlpToolUsage = 64;
inline constexpr int kQlpToolPortFault = 65;
inline constexpr int kQlpToolOutputFault = 74;

enum class QlpToolCommand { kNone, kCheck, kReadDi, kWriteDo, kReadAi, kReadAo, kWriteAo, kRaw, kDetect, kScan, kSet };

struct QlpToolOptions {
    ComportSetting line;    // port 0 when --path is given
    std::string path;       // an explicit device instead of a COM number
    // The device's family: --family NAME or --pt57, else the registry's first (RD24).
    const DeviceFamily* family = &deviceFamilies().front();
    std::string family_option; // the option that named the family; empty: none did
    bool monitor = false;
    std::string type;       // AD or DA type name; empty: raw code only
    QlpToolCommand command = QlpToolCommand::kNone;
    std::vector<int> args;  // the command's numbers, in order
    bool auto_baud = false; // detect, scan: try every baud rate when nothing answers
    // set: the new values; unset (-1, rate 0) keeps the device's own.
    int new_id = -1;
    std::int32_t new_baud = 0;
    int new_can = -1;       // CAN rate index
    int new_master = -1;
    bool help = false;
    bool list_ports = false; // --list-ports: the COM numbers and the machine's devices, no command
};

// Reads the arguments after the program name; false with a one-line reason.
bool qlpToolParse(const std::vector<std::string>& args, QlpToolOptions& out, std::string& error);
std::string qlpToolUsage();
