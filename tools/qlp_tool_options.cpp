#include "tools/qlp_tool_options.h"

#include <array>
#include <string_view>

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

constexpr std::array<CommandSyntax, 7> kCommands{{
    {"check", QlpToolCommand::kCheck, 1, 1, "check ID"},
    {"read-di", QlpToolCommand::kReadDi, 1, 1, "read-di ID"},
    {"write-do", QlpToolCommand::kWriteDo, 3, 3, "write-do ID CH STATE"},
    {"read-ai", QlpToolCommand::kReadAi, 2, 2, "read-ai ID CH"},
    {"read-ao", QlpToolCommand::kReadAo, 2, 2, "read-ao ID CH"},
    {"write-ao", QlpToolCommand::kWriteAo, 3, 3, "write-ao ID CH CODE"},
    {"raw", QlpToolCommand::kRaw, 4, 7, "raw ID FUNCTION COMMAND CHANNEL [V1 [V2 [V3]]]"},
}};

constexpr int kComMax = 15;
constexpr int kFixLimit = 30;
// A value travels as a 16-bit number; -32768 and beyond are sent as 0.
constexpr long kValueMin = -32767;
constexpr long kValueMax = 32767;

// The limits of argument i of a command.
void argumentRange(QlpToolCommand command, std::size_t i, long& min, long& max) {
    min = 0;
    max = 255;
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

bool parseParity(std::string_view text, std::uint8_t& out) {
    constexpr std::array<std::string_view, 5> names{"none", "odd", "even", "mark", "space"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (text == names[i]) {
            out = static_cast<std::uint8_t>(i);
            return true;
        }
    }
    return false;
}

bool parseStopBits(std::string_view text, std::uint8_t& out) {
    if (text == "1") out = 0;
    else if (text == "1.5") out = 1;
    else if (text == "2") out = 2;
    else return false;
    return true;
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

        if (name == "-h" || name == "--help") {
            if (!option.flag()) return false;
            out.help = true;
        } else if (name == "--pt57") {
            if (!option.flag()) return false;
            out.pt57 = true;
        } else if (name == "--monitor") {
            if (!option.flag()) return false;
            out.monitor = true;
        } else if (name == "--port") {
            if (!option.take()) return false;
            if (!parseCliNumber(value, 1, kComMax, out.line.port)) return option.bad("a COM port number 1 to 15");
            port_given = true;
        } else if (name == "--path") {
            if (!option.take()) return false;
            if (value.empty()) return option.bad("a device path");
            out.path = value;
        } else if (name == "--baud") {
            if (!option.take()) return false;
            if (!parseCliNumber(value, 1, 4000000, out.line.baudrate) || comport_baudrate_index(out.line.baudrate) < 0)
                return option.bad("one of 9600, 19200, 38400, 57600, 115200");
        } else if (name == "--fix") {
            if (!option.take()) return false;
            if (!parseCliNumber(value, -kFixLimit, kFixLimit, out.line.fixrate)) return option.bad("a percentage -30 to 30");
        } else if (name == "--parity") {
            if (!option.take()) return false;
            if (!parseParity(value, out.line.parity)) return option.bad("none, odd, even, mark or space");
        } else if (name == "--data-bits") {
            if (!option.take()) return false;
            if (!parseCliNumber(value, 5, 8, out.line.databits)) return option.bad("5 to 8");
        } else if (name == "--stop-bits") {
            if (!option.take()) return false;
            if (!parseStopBits(value, out.line.stopbits)) return option.bad("1, 1.5 or 2");
        } else if (name == "--type") {
            if (!option.take()) return false;
            if (value.empty()) return option.bad("an AD or DA type name");
            out.type = value;
        } else {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
    }
    if (out.help) return true;
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
    return true;
}

std::string qlpToolUsage() {
    return R"(Usage: benchlink-qlp [line options] COMMAND ARGUMENTS...
Runs one QLP operation of an RD24 (or, with --pt57, a PT57) device and exits
with its status.

Line options:
  --port N            COM port 1 to 15 (comN in the COM port folder, else
                      /dev/ttyS<N-1>)
  --path DEVICE       a serial device or pseudo-terminal instead of --port
  --baud RATE         9600, 19200, 38400, 57600 or 115200 (default 115200)
  --fix PCT           baud-rate correction -30 to 30 percent (default 0)
  --parity P          none, odd, even, mark or space (default none)
  --data-bits N       5 to 8 (default 8)
  --stop-bits N       1, 1.5 or 2 (default 1)
Other options:
  --pt57              use the PT57 operations (DO write command 0x20, check
                      carrying a value)
  --type NAME         with read-ai an AD type (5V 10V 20mA PT100 PT1000
                      "K 0~600" None), with read-ao a DA type (8.190V 20mA
                      None): also print the value with three decimals and its
                      unit
  --monitor           print the link-monitor line of every exchange to stderr
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

Exit status:
  0   success                        5   command code reply error
  2   write fault                    6   channel error
  3   time-out (no reply)            7   value amount error
  4   error reply (function code)    8   value compare error
  64  usage error                    65  the port cannot be opened
On a failure the status text goes to stderr ("Timeout!", and the port's
status text for 65).
)";
}
