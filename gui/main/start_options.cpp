#include "gui/main/start_options.h"

#include "tools/cli_line.h"
#include "tools/cli_option.h"

bool parseStartOptions(const std::vector<std::string>& args, StartOptions& out, std::string& error) {
    out = StartOptions{};
    bool port_given = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        CliOption option(args, i, error);
        const std::string& name = option.name();
        const std::string& value = option.value();
        if (const LineOption line = parseLineOption(option, out.line, out.path); line != LineOption::kOther) {
            if (line == LineOption::kBad) return false;
            if (line == LineOption::kLine) out.line_given = true;
            else if (name == "--port") port_given = true;
        } else if (name == "-h" || name == "--help") {
            if (!option.Flag(out.help)) return false;
        } else if (name == "--defaults") {
            if (!option.Flag(out.defaults)) return false;
        } else if (name == "--baud") {
            if (!option.Take()) return false;
            if (!parseCliNumber(value, 1, 4000000, out.line.baudrate) || comport_baudrate_index(out.line.baudrate) < 0)
                return option.Bad("one of 9600, 19200, 38400, 57600, 115200");
            out.line_given = true;
        } else if (name == "--project") {
            if (!option.Take()) return false;
            if (value.empty()) return option.Bad("a command project file");
            out.project = value;
        } else {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
    }
    if (out.help) return true;
    if (port_given && !out.path.empty()) {
        error = "give --port or --path, not both";
        return false;
    }
    out.configure = port_given || !out.path.empty();
    if (out.line_given && !out.configure) {
        error = "the line options go with --port N or --path DEVICE";
        return false;
    }
    return true;
}

std::string startUsage() {
    return R"(Usage: benchlink [options]

Starts the bench terminal. Without options the port is not opened; the settings of
the last run are kept in benchlink.conf in the configuration folder.

  --port N            configure COM port N (1 to 15) at start, as "Configure"
                      with "Ok" does, and receive
  --path DEVICE       a serial device, pseudo-terminal, rfc2217://HOST:PORT or
                      tcp://HOST:PORT instead of --port
  --baud RATE         9600, 19200, 38400, 57600 or 115200 (default 115200)
  --fix PCT           baud-rate correction -30 to 30 percent (default 0)
  --parity P          none, odd, even, mark or space (default none)
  --data-bits N       5 to 8 (default 8)
  --stop-bits N       1, 1.5 or 2 (default 1)
  --project FILE      load a command project (.zqa) at start
  --defaults          start with the defaults; benchlink.conf is neither read
                      nor written
  -h, --help          this text

A bad option is refused with one line on stderr and exit code 64.
)";
}
