#include "core/util/send_check.h"

#include <cstdio>

namespace {
constexpr char32_t kLatin1Last = 0xFF;

bool is_hex_digit(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'F') || (c >= U'a' && c <= U'f');
}

std::string at_place(std::size_t index, char32_t c) {
    return "character " + std::to_string(index + 1) + " (" + character_name(c) + ")";
}
} // namespace

std::string character_name(char32_t c) {
    if (c > 0x20 && c < 0x7F) return std::string("\"") + static_cast<char>(c) + "\"";
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

std::string eight_bit_refusal(std::u32string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] > kLatin1Last) return at_place(i, text[i]) + " is not 8-bit text (Latin-1)";
    return {};
}

std::string hex_field_refusal(std::u32string_view text, char separator) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (is_hex_digit(c) || c == U' ' || c == U'\t') continue;
        if (separator != 0 && c == static_cast<unsigned char>(separator)) continue;
        std::string allowed = separator != 0 ? std::string(", \"") + separator + "\"" : std::string();
        return at_place(i, c) + " is not a hex digit" + allowed + " or a blank";
    }
    return {};
}

std::string send_refusal_line(std::string_view field, std::string_view reason) {
    return "---* Not sent: " + std::string(field) + ", " + std::string(reason) + " *---";
}
