// The serial line's options shared by the command lines of benchlink-qlp and benchlink:
// the names they take for parity and stop bits.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

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
