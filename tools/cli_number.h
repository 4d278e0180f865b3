// Whole numbers on the command lines of the simulator and the QLP tool: decimal,
// or hexadecimal after "0x" (codes are easier to give as 0xF3).
#pragma once

#include <charconv>
#include <string_view>

inline bool parseCliNumber(std::string_view text, long min, long max, long& out) {
    int base = 10;
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.front() == '+' || text.front() == '-') return false;
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    if (negative) value = -value;
    if (value < min || value > max) return false;
    out = value;
    return true;
}

template <typename T>
bool parseCliNumber(std::string_view text, long min, long max, T& out) {
    long value = 0;
    if (!parseCliNumber(text, min, max, value)) return false;
    out = static_cast<T>(value);
    return true;
}
