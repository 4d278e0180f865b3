#include "sim/sim_options.h"

#include <string_view>

#include "core/panels/device_family.h"
#include "sim/sim_setup.h"
#include "tools/cli_number.h"
#include "tools/cli_option.h"

namespace {

// Fault and stream timings above a minute are a typing error, not a test.
constexpr long kMaxMs = 60000;
constexpr long kDefaultEveryMs = 1000;
constexpr int kComMax = 15;
constexpr long kBaudRates[] = {9600, 19200, 38400, 57600, 115200};
// The codes a device answers in place of the function code when it refuses a request.
constexpr long kErrorCodeMin = 0xF1;
constexpr long kErrorCodeMax = 0xFB;

bool isBaudRate(long rate) {
    for (long r : kBaudRates)
        if (r == rate) return true;
    return false;
}

std::vector<std::string_view> splitOn(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    while (true) {
        const std::size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (at == std::string_view::npos) return parts;
        from = at + 1;
    }
}

bool parseBus(std::string_view list, std::vector<SimBusEntry>& out) {
    for (std::string_view item : splitOn(list, ',')) {
        SimBusEntry entry;
        const std::size_t colon = item.find(':');
        if (!parseCliNumber(item.substr(0, colon), qlp::kIdMin, qlp::kIdMax, entry.id)) return false;
        if (colon != std::string_view::npos) {
            entry.model = std::string(item.substr(colon + 1));
            if (entry.model.empty()) return false;
        }
        out.push_back(entry);
    }
    return true;
}

bool parseFixedInput(std::string_view text, SimFixedInput& out) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return false;
    return parseCliNumber(text.substr(0, eq), 0, 7, out.channel) &&
           parseCliNumber(text.substr(eq + 1), 0, qlp::kCodeMax, out.code);
}

bool parseErrorRule(std::string_view text, SimErrorRule& out) {
    const std::size_t colon = text.find(':');
    const std::size_t eq = text.find('=');
    if (colon == std::string_view::npos || eq == std::string_view::npos || eq < colon) return false;
    return parseCliNumber(text.substr(0, colon), 0, 255, out.function) &&
           parseCliNumber(text.substr(colon + 1, eq - colon - 1), 0, 255, out.command) &&
           parseCliNumber(text.substr(eq + 1), kErrorCodeMin, kErrorCodeMax, out.code);
}

bool parseValueRule(std::string_view text, SimValueRule& out) {
    const std::size_t colon = text.find(':');
    const std::size_t eq = text.find('=');
    if (colon == std::string_view::npos || eq == std::string_view::npos || eq < colon) return false;
    return parseCliNumber(text.substr(0, colon), 0, 255, out.function) &&
           parseCliNumber(text.substr(colon + 1, eq - colon - 1), 0, 255, out.command) &&
           parseCliNumber(text.substr(eq + 1), -32767, 32767, out.value);
}

} // namespace

bool simParseOptions(const std::vector<std::string>& args, SimOptions& out, std::string& error) {
    out = SimOptions{};
    bool every_given = false;
    bool model_given = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        CliOption option(args, i, error);
        const std::string& name = option.name();
        const std::string& value = option.value();

        if (name == "-h" || name == "--help") {
            if (!option.Flag(out.help)) return false;
        } else if (name == "-v" || name == "--verbose") {
            if (!option.Flag(out.verbose)) return false;
        } else if (name == "--echo") {
            if (!option.Flag(out.echo)) return false;
        } else if (name == "--adapter-echo") {
            if (!option.Flag(out.adapter_echo)) return false;
        } else if (name == "--com") {
            if (!option.Number(1, kComMax, out.com, "a COM port number 1 to 15")) return false;
        } else if (name == "--family") {
            if (!option.Take()) return false;
            out.family = findDeviceFamily(value);
            if (out.family == nullptr) return option.Bad(deviceFamilyNames().c_str());
        } else if (name == "--model") {
            if (!option.Take()) return false;
            out.model = value;
            model_given = true;
        } else if (name == "--id") {
            if (!option.Number(qlp::kIdMin, qlp::kIdMax, out.id, "an ID 1 to 253")) return false;
        } else if (name == "--baud") {
            if (!option.Take()) return false;
            long rate = 0;
            if (!parseCliNumber(value, 0, 1000000, rate) || !isBaudRate(rate))
                return option.Bad("one of 9600, 19200, 38400, 57600, 115200");
            out.baud = static_cast<int>(rate);
        } else if (name == "--can") {
            if (!option.Take()) return false;
            out.can = value;
        } else if (name == "--master") {
            if (!option.Number(0, 254, out.master, "a master ID 0 to 254")) return false;
        } else if (name == "--number") {
            if (!option.Number(0, 32767, out.number, "a device number 0 to 32767")) return false;
        } else if (name == "--bus") {
            if (!option.Parsed(parseBus, out.bus, "ID or ID:MODEL items (IDs 1 to 253) separated by commas")) return false;
        } else if (name == "--ai") {
            if (!option.Take()) return false;
            SimFixedInput input;
            if (!parseFixedInput(value, input)) return option.Bad("CH=CODE with a channel 0 to 7 and a code 0 to 4095");
            out.fixed_inputs.push_back(input);
        } else if (name == "--absent") {
            if (!option.Take()) return false;
            out.absent_none_device = value == "none-device";
            out.absent_answer = value == "answer";
            if (!out.absent_none_device && !out.absent_answer && value != "silent")
                return option.Bad("none-device, answer or silent");
        } else if (name == "--drop") {
            if (!option.Number(0, 100, out.drop_percent, "a percentage 0 to 100")) return false;
        } else if (name == "--seed") {
            if (!option.Take()) return false;
            std::uint32_t seed = 0;
            if (!parseCliNumber(value, 0, 0xFFFFFFFFL, seed)) return option.Bad("a number 0 to 4294967295");
            out.seed = seed;
        } else if (name == "--delay" || name == "--split" || name == "--noise" || name == "--every") {
            if (!option.Take()) return false;
            int ms = 0;
            const long min = name == "--delay" ? 0 : 1;
            if (!parseCliNumber(value, min, kMaxMs, ms)) return option.Bad(min == 0 ? "0 to 60000 ms" : "1 to 60000 ms");
            if (name == "--delay") out.delay_ms = ms;
            if (name == "--split") out.split_ms = ms;
            if (name == "--noise") out.noise_ms = ms;
            if (name == "--every") {
                out.every_ms = ms;
                every_given = true;
            }
        } else if (name == "--error") {
            if (!option.Take()) return false;
            SimErrorRule rule;
            if (!parseErrorRule(value, rule))
                return option.Bad("FUNC:CMD=CODE, FUNC and CMD 0 to 255, CODE an error code 0xF1 to 0xFB");
            out.errors.push_back(rule);
        } else if (name == "--value") {
            if (!option.Take()) return false;
            SimValueRule rule;
            if (!parseValueRule(value, rule)) return option.Bad("FUNC:CMD=VALUE, codes 0 to 255, value -32767 to 32767");
            out.values.push_back(rule);
        } else if (name == "--stream") {
            if (!option.Take()) return false;
            if (value.empty()) return option.Bad("a non-empty tagged text");
            out.stream = value;
        } else {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
    }
    if (every_given && out.stream.empty()) {
        error = "--every needs --stream";
        return false;
    }
    if (!out.stream.empty() && !every_given) out.every_ms = kDefaultEveryMs;
    if (!model_given) out.model = (out.family != nullptr ? *out.family : deviceFamilies().front()).default_model;
    for (std::size_t a = 0; a < out.bus.size(); ++a) {
        if (out.bus[a].id == out.id) {
            error = "--bus: ID " + std::to_string(out.id) + " is the port device's";
            return false;
        }
        for (std::size_t b = a + 1; b < out.bus.size(); ++b) {
            if (out.bus[a].id == out.bus[b].id) {
                error = "--bus: ID " + std::to_string(out.bus[a].id) + " given twice";
                return false;
            }
        }
    }
    return true;
}

std::string simUsage() {
    const auto defaults = [](const DeviceFamily& family) { return std::string(family.default_model); };
    return R"(Usage: benchlink-sim [options]
Simulates an )" + deviceFamilyNames() + R"( I/O device (and devices behind it on its CAN bus) on a
pseudo-terminal. Prints "COMn -> /dev/pts/K" (or the slave path alone without
--com) and serves until SIGINT or SIGTERM.

Port:
  --com N             link the slave as comN in the COM port folder (1 to 15)
The device on the port:
  --model NAME        )" + simModelRanges(" or ") + " (default " + deviceFamilies().front().default_model + R"()
  --family NAME       the device's family, )" + deviceFamilyNames() + R"( in any case; --model
                      must then name one of its models and defaults to the
                      family's )" + describeDeviceFamilies(defaults) + R"(
  --id N              device ID 1 to 253 (default 1)
  --baud RATE         9600, 19200, 38400, 57600 or 115200 (default 115200)
  --can NAME          CAN bit rate: 1176K 588K 392K 294K 196K 147K 118K 90K 50K
                      (default 147K)
  --master N          master ID (default 1)
  --number N          device number read with function 0xE4 (default 1)
  --bus LIST          devices behind it on the CAN bus: ID or ID:MODEL items
                      separated by commas (model default: the port device's)
  --ai CH=CODE        hold an analogue input at a code 0 to 4095 (repeatable);
                      otherwise each input follows a 10 s sine over 0..4095
  --absent MODE       a request for an ID nobody has: silent (default),
                      none-device (the port device answers 0xF7) or answer
                      (the port device answers it, under its own ID)
Faults:
  --drop PCT          answer no request with that probability
  --seed N            makes --drop repeatable
  --delay MS          answer MS late
  --split MS          send each reply in two writes MS apart
  --noise MS          every MS, send a short run of bytes that is no frame
  --error F:C=CODE    answer requests with function F and command C with the
                      error code CODE, 0xF1 to 0xFB (repeatable; 0x.. allowed)
  --value F:C=VALUE   answer requests with function F and command C with the
                      value VALUE instead of the device's own (repeatable)
  --adapter-echo      send every byte received straight back, as an echoing
                      RS-485 adapter does, and answer requests after it
Other modes:
  --echo              send back every byte received (loop-back)
  --stream TEXT       send TEXT, tagged text such as "#12<CR><LF>", periodically
  --every MS          the period of --stream (default 1000)
  -v, --verbose       log every request and reply to stderr
  -h, --help          this text

Requests are ignored while the line's programmed rate differs from the device's
baud rate by more than 5%.
Exit status: 0 after SIGINT or SIGTERM, 1 when the port cannot be set up, 64 for
a usage error.
)";
}
