#include "tools/qlp_tool_options.h"

#include <array>
#include <string_view>

#include "core/protocol/canbus_def.h"
#include "core/protocol/qlp_types.h"
#include "tools/cli_line.h"
#include "tools/cli_number.h"
#include "tools/cli_option.h"

namespace {

struct CommandSyntax {
    std::string_view name;
    QlpToolCommand command;
    int min_args;
    int max_args;
    std::string_view synopsis;
};

constexpr std::array<CommandSyntax, 10> kCommands{{
    {"check", QlpToolCommand::kCheck, 1, 1, "check ID"},
    {"read-di", QlpToolCommand::kReadDi, 1, 1, "read-di ID"},
    {"write-do", QlpToolCommand::kWriteDo, 3, 3, "write-do ID CH STATE"},
    {"read-ai", QlpToolCommand::kReadAi, 2, 2, "read-ai ID CH"},
    {"read-ao", QlpToolCommand::kReadAo, 2, 2, "read-ao ID CH"},
    {"write-ao", QlpToolCommand::kWriteAo, 3, 3, "write-ao ID CH CODE"},
    {"raw", QlpToolCommand::kRaw, 4, 7, "raw ID FUNCTION COMMAND CHANNEL [V1 [V2 [V3]]]"},
    {"detect", QlpToolCommand::kDetect, 0, 0, "detect [--auto-baud]"},
    {"scan", QlpToolCommand::kScan, 2, 2, "scan FROM TO [--auto-baud]"},
    {"set", QlpToolCommand::kSet, 1, 1, "set ID [--new-id N] [--baud RATE] [--can NAME] [--master N]"},
}};

// A value travels as a 16-bit number; -32768 and beyond are sent as 0.
constexpr long kValueMin = -32767;
constexpr long kValueMax = 32767;
// IDs on the detect window's grid, and master IDs a device can be given.
constexpr long kGridIdMax = 253;

// The limits of argument i of a command.
void argumentRange(QlpToolCommand command, std::size_t i, long& min, long& max) {
    min = 0;
    max = 255;
    if (command == QlpToolCommand::kScan || command == QlpToolCommand::kSet) {
        max = kGridIdMax;
        return;
    }
    if (i == 0) return; // ID
    if (command == QlpToolCommand::kWriteDo && i == 2) max = 1;
    if (command == QlpToolCommand::kWriteAo && i == 2) {
        min = kValueMin;
        max = kValueMax;
    }
    if (command == QlpToolCommand::kRaw && i >= 4) {
        min = kValueMin;
        max = kValueMax;
    }
}

bool parseCanRate(std::string_view text, int& out) {
    for (int i = 0; i < kCanRateCount; ++i) {
        if (text == canRateName(i)) {
            out = i;
            return true;
        }
    }
    return false;
}

bool isDetectCommand(QlpToolCommand command) {
    return command == QlpToolCommand::kDetect || command == QlpToolCommand::kScan || command == QlpToolCommand::kSet;
}

} // namespace

bool qlpToolParse(const std::vector<std::string>& args, QlpToolOptions& out, std::string& error) {
    out = QlpToolOptions{};
    bool port_given = false;
    const CommandSyntax* syntax = nullptr;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Negative numbers are arguments, not options.
        const bool is_option = arg == "-h" || (arg.size() > 2 && arg.rfind("--", 0) == 0);
        if (!is_option) {
            const std::string& name = arg;
            if (syntax == nullptr) {
                for (const CommandSyntax& c : kCommands)
                    if (c.name == name) syntax = &c;
                if (syntax == nullptr) {
                    error = "unknown command \"" + name + "\"";
                    return false;
                }
                out.command = syntax->command;
                continue;
            }
            long min = 0;
            long max = 0;
            argumentRange(syntax->command, out.args.size(), min, max);
            int number = 0;
            if (static_cast<int>(out.args.size()) >= syntax->max_args) {
                error = "too many arguments: " + std::string(syntax->synopsis);
                return false;
            }
            if (!parseCliNumber(name, min, max, number)) {
                error = std::string(syntax->name) + ": \"" + name + "\" is not a number " + std::to_string(min) +
                        " to " + std::to_string(max);
                return false;
            }
            out.args.push_back(number);
            continue;
        }
        CliOption option(args, i, error);
        const std::string& name = option.name();
        const std::string& value = option.value();

        if (const LineOption line = parseLineOption(option, out.line, out.path); line != LineOption::kOther) {
            if (line == LineOption::kBad) return false;
            if (name == "--port") port_given = true;
        } else if (name == "-h" || name == "--help") {
            if (!option.Flag(out.help)) return false;
        } else if (name == "--pt57") {
            if (!option.Flag()) return false;
            out.family = findDeviceFamily("PT57");
            out.family_option = name;
        } else if (name == "--family") {
            if (!option.Take()) return false;
            out.family = findDeviceFamily(value);
            if (out.family == nullptr) return option.Bad(deviceFamilyNames().c_str());
            out.family_option = name;
        } else if (name == "--list-ports") {
            if (!option.Flag(out.list_ports)) return false;
        } else if (name == "--monitor") {
            if (!option.Flag(out.monitor)) return false;
        } else if (name == "--baud") {
            if (!option.Take()) return false;
            // After "set" it is the device's new rate, before the command the line's.
            std::int32_t& rate = syntax != nullptr && syntax->command == QlpToolCommand::kSet ? out.new_baud
                                                                                              : out.line.baudrate;
            if (!parseCliNumber(value, 1, 4000000, rate) || comport_baudrate_index(rate) < 0)
                return option.Bad("one of 9600, 19200, 38400, 57600, 115200");
        } else if (name == "--auto-baud") {
            if (!option.Flag(out.auto_baud)) return false;
        } else if (name == "--new-id") {
            if (!option.Number(0, kGridIdMax, out.new_id, "an ID 0 to 253")) return false;
        } else if (name == "--can") {
            if (!option.Parsed(parseCanRate, out.new_can, "1176K 588K 392K 294K 196K 147K 118K 90K or 50K")) return false;
        } else if (name == "--master") {
            if (!option.Number(0, kQlpMasterIdMax, out.new_master, "a master ID 0 to 254")) return false;
        } else if (name == "--type") {
            if (!option.Take()) return false;
            if (value.empty()) return option.Bad("an AD or DA type name");
            out.type = value;
        } else {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
    }
    if (out.help) return true;
    if (out.list_ports && syntax == nullptr && !port_given && out.path.empty()) return true;
    if (syntax == nullptr) {
        error = "no command given";
        return false;
    }
    if (static_cast<int>(out.args.size()) < syntax->min_args) {
        error = "missing arguments: " + std::string(syntax->synopsis);
        return false;
    }
    if (port_given == !out.path.empty()) {
        error = port_given ? "give --port or --path, not both" : "give the port: --port N or --path DEVICE";
        return false;
    }
    if (!out.type.empty() && out.command != QlpToolCommand::kReadAi && out.command != QlpToolCommand::kReadAo) {
        error = "--type goes with read-ai or read-ao";
        return false;
    }
    if (out.auto_baud && out.command != QlpToolCommand::kDetect && out.command != QlpToolCommand::kScan) {
        error = "--auto-baud goes with detect or scan";
        return false;
    }
    const bool new_value = out.new_id >= 0 || out.new_baud != 0 || out.new_can >= 0 || out.new_master >= 0;
    if (new_value && out.command != QlpToolCommand::kSet) {
        error = "--new-id, --can and --master go with set";
        return false;
    }
    if (out.command == QlpToolCommand::kScan && out.args[0] > out.args[1]) {
        error = "scan: FROM is above TO";
        return false;
    }
    if (!out.family_option.empty() && isDetectCommand(out.command)) {
        error = out.family_option + " does not go with " + std::string(syntax->name);
        return false;
    }
    return true;
}

std::string qlpToolUsage() {
    const std::string family_option = "  --family NAME       the device family, " + deviceFamilyNames() + " in any case\n"
                                      "                      (default " + deviceFamilies().front().name + ")\n";
    return R"(Usage: benchlink-qlp [line options] COMMAND ARGUMENTS...
Runs one QLP operation of an RD24 (or, with --pt57, a PT57) device and exits
with its status.

Line options:
  --port N            COM port 1 to 15 (comN in the COM port folder, else
                      /dev/ttyS<N-1>)
  --path DEVICE       a serial device or pseudo-terminal instead of --port
                      (or a network port: rfc2217://HOST:PORT, tcp://HOST:PORT)
  --baud RATE         9600, 19200, 38400, 57600 or 115200 (default 115200)
  --fix PCT           baud-rate correction -30 to 30 percent (default 0)
  --parity P          none, odd, even, mark or space (default none)
  --data-bits N       5 to 8 (default 8)
  --stop-bits N       1, 1.5 or 2 (default 1)
Other options:
)" + family_option + R"(  --pt57              use the PT57 operations (DO write command 0x20, check
                      carrying a value)
  --type NAME         with read-ai an AD type (5V 10V 20mA PT100 PT1000
                      "K 0~600" None), with read-ao a DA type (8.190V 20mA
                      None): also print the value with three decimals and its
                      unit
  --monitor           print the link-monitor line of every exchange to stderr
  --list-ports        print each COM number with what it opens and whether it
                      is there, then the serial devices the machine has; no
                      command needed
  -h, --help          this text

Commands (numbers in decimal or 0x hex; one result line on stdout):
  check ID            device check; prints "Success."
  read-di ID          prints the digital state byte as two hex digits, then
                      the set channels: "25 0 2 5"
  write-do ID CH STATE
                      sets a digital output to 0 or 1; prints "Success."
  read-ai ID CH       prints the raw AD code, with --type also the value and
                      unit: "2048 2.500 V"
  read-ao ID CH       prints the raw DA code read back (with --type as above)
  write-ao ID CH CODE sets an analogue output's raw code; prints "Success."
  raw ID FUNCTION COMMAND CHANNEL [V1 [V2 [V3]]]
                      one exchange; prints the reply: "% 1,5,48,0,1234"

Detect and setting (the lines of the detect window as they happen, then one
line per device: ID, baud rate, CAN bit rate, master ID, device number, with
"?" for a value the program does not know: "7 115200 147K 1 1"):
  detect [--auto-baud]
                      the device on the port, asked with ID 254; with
                      --auto-baud every baud rate from 9600 up is tried when
                      nothing answers (the port is left at the rate found)
  scan FROM TO [--auto-baud]
                      every ID from FROM to TO (0 to 253) on the CAN bus
  set ID [--new-id N] [--baud RATE] [--can NAME] [--master N]
                      detects ID, writes the new ID (0 to 253), baud rate,
                      CAN bit rate (1176K 588K 392K 294K 196K 147K 118K 90K
                      50K) and master ID (0 to 254), saves, resets and
                      rechecks the device; what is not given keeps the
                      device's value. --baud after "set" is the device's new
                      rate; before the command it is the line's

Exit status:
  0   success                        5   command code reply error
  1   set: a setting write failed    6   channel error
  2   write fault                    7   value amount error
  3   time-out (no reply); detect,   8   value compare error
      scan, set: no device answered  64  usage error
  4   error reply (function code)    65  the port cannot be opened (or is
                                         in use by another program)
                                     74  standard output cannot be written
On a failure the status text goes to stderr ("Timeout!", and for 65 the
port's status text followed by the system's reason).
)";
}
