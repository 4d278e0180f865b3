// The serial line's options shared by the command lines of benchlink-qlp and benchlink:
// the names they take for parity and stop bits, and the options that pick the port and
// set its line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/serial/port_values.h"
#include "tools/cli_option.h"

// "none", "odd", "even", "mark", "space": the setting's parity 0 to 4.
inline bool parseParity(std::string_view text, std::uint8_t& out) {
    constexpr std::array<std::string_view, 5> names{"none", "odd", "even", "mark", "space"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (text == names[i]) {
            out = static_cast<std::uint8_t>(i);
            return true;
        }
    }
    return false;
}

// "1", "1.5", "2": the setting's stop bits 0 to 2.
inline bool parseStopBits(std::string_view text, std::uint8_t& out) {
    if (text == "1") out = 0;
    else if (text == "1.5") out = 1;
    else if (text == "2") out = 2;
    else return false;
    return true;
}

// COM1 to COM15; the fix rate's percentage either way.
inline constexpr long kCliComMax = 15;
inline constexpr long kCliFixLimit = 30;

enum class LineOption { kOther, kPort, kLine, kBad };

// --port N, --path DEVICE, --fix, --parity, --data-bits, --stop-bits (--baud differs
// between the two programs). kPort or kLine when `option` was one of them and was read
// into `line` or `path`, kBad when its value was refused (the error is set), kOther
// for any other option.
inline LineOption parseLineOption(CliOption& option, ComportSetting& line, std::string& path) {
    const std::string& name = option.name();
    bool ok = true;
    if (name == "--port") {
        ok = option.Number(1, kCliComMax, line.port, "a COM port number 1 to 15");
    } else if (name == "--path") {
        ok = option.Take() && (!option.value().empty() || option.Bad("a device path"));
        if (ok) path = option.value();
    } else if (name == "--fix") {
        ok = option.Number(-kCliFixLimit, kCliFixLimit, line.fixrate, "a percentage -30 to 30");
    } else if (name == "--parity") {
        ok = option.Parsed(parseParity, line.parity, "none, odd, even, mark or space");
    } else if (name == "--data-bits") {
        ok = option.Number(5, 8, line.databits, "5 to 8");
    } else if (name == "--stop-bits") {
        ok = option.Parsed(parseStopBits, line.stopbits, "1, 1.5 or 2");
    } else {
        return LineOption::kOther;
    }
    if (!ok) return LineOption::kBad;
    return name == "--port" || name == "--path" ? LineOption::kPort : LineOption::kLine;
}
