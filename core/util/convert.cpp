#include "core/util/convert.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::array<const char*, 32> kControlNames = {
    "<NUL>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>", "<BEL>",
    "<BS>",  "<HT>",  "<LF>",  "<VT>",  "<FF>",  "<CR>",  "<SO>",  "<SI>",
    "<DLE>", "<DC1>", "<DC2>", "<DC3>", "<DC4>", "<NAK>", "<SYN>", "<ETB>",
    "<CAN>", "<EM>",  "<SUB>", "<ESC>", "<FS>",  "<GS>",  "<RS>",  "<US>",
};

constexpr char kHexDigits[] = "0123456789ABCDEF";

// A command line is edited in a field of this many characters; longer texts are refused
// whole rather than sent cut short.
constexpr std::size_t kMaxTaggedText = 1023;
// "<" plus at most four name characters; the closing ">" makes six.
constexpr std::size_t kMaxOpenTag = 5;
// Hex input fields hold at most 1023 characters (511 pairs).
constexpr std::size_t kMaxHexText = 1023;

void append_hex_pair(std::string& text, std::uint8_t byte) {
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0F]);
}

}  // namespace

std::string byte_to_tagged_text(std::uint8_t byte) {
    if (byte < 0x20) return kControlNames[byte];
    if (byte < 0x80) return std::string(1, static_cast<char>(byte));
    std::string text = "<0x";
    append_hex_pair(text, byte);
    text.push_back('>');
    return text;
}

std::string bytes_to_tagged_text(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::uint8_t byte : bytes) {
        if (byte >= 0x20 && byte < 0x80)
            text.push_back(static_cast<char>(byte));
        else
            text += byte_to_tagged_text(byte);
    }
    return text;
}

std::string bytes_to_tagged_text(const std::uint8_t* bytes, std::int32_t length) {
    if (bytes == nullptr || length <= 0) return {};
    return bytes_to_tagged_text(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
}

int tag_to_byte(std::string_view text) {
    for (std::size_t i = 0; i < kControlNames.size(); ++i)
        if (text == kControlNames[i]) return static_cast<int>(i);
    return -1;
}

int tagged_text_to_bytes(std::string_view text, std::vector<std::uint8_t>& out) {
    out.clear();
    if (text.size() > kMaxTaggedText) return -1;
    std::string tag;
    bool in_tag = false;
    for (char c : text) {
        if (!in_tag) {
            if (c == '<') {
                tag.assign(1, c);
                in_tag = true;
            } else {
                out.push_back(static_cast<std::uint8_t>(c));
            }
            continue;
        }
        tag.push_back(c);
        if (c == '>') {
            const int byte = tag_to_byte(tag);
            if (byte < 0) {
                out.clear();
                return -1;
            }
            out.push_back(static_cast<std::uint8_t>(byte));
            in_tag = false;
        } else if (tag.size() > kMaxOpenTag) {
            out.clear();
            return -1;
        }
    }
    if (in_tag) {
        out.clear();
        return -1;
    }
    return static_cast<int>(out.size());
}

std::string bytes_to_hex_text(std::span<const std::uint8_t> bytes, char separator) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && separator != 0) text.push_back(separator);
        append_hex_pair(text, bytes[i]);
    }
    return text;
}

std::string bytes_to_hex_text(const std::uint8_t* bytes, std::int32_t length, char separator) {
    if (bytes == nullptr || length <= 0) return {};
    return bytes_to_hex_text(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)), separator);
}

int hex_pairs_to_bytes(std::string_view text, char separator, std::vector<std::uint8_t>& out) {
    out.clear();
    if (text.size() < 2 || text.size() > kMaxHexText) return 0;
    char pair[2];
    int held = 0;
    for (char c : text) {
        if (c == 0 || (separator != 0 && c == separator)) {
            held = 0;
            continue;
        }
        pair[held++] = c;
        if (held == 2) {
            out.push_back(static_cast<std::uint8_t>(hex_text_to_int(std::string_view(pair, 2), 2)));
            held = 0;
        }
    }
    return static_cast<int>(out.size());
}

int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

std::int32_t hex_text_to_int(std::string_view text, int n) {
    if (n <= 0) return 0;
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(n));
    // Unsigned so that more than eight digits wrap as 32-bit arithmetic does, without overflow.
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = value * 16u + static_cast<std::uint32_t>(hex_digit_value(text[i]));
    return static_cast<std::int32_t>(value);
}

std::string strip_leading_zeros(std::string_view text) {
    if (text.empty()) return {};
    const std::size_t first = text.find_first_not_of('0');
    if (first == std::string_view::npos) return "0";
    return std::string(text.substr(first));
}

std::string format_real(double value, int decimals) {
    if (value == 0.0) return "0";
    // Callers ask for 0 to 6 decimals; anything else is held to that range.
    if (decimals < 0) decimals = 0;
    if (decimals > 6) decimals = 6;
    char small[64];
    const int needed = std::snprintf(small, sizeof small, "%.*f", decimals, value);
    if (needed < 0) return {};
    if (static_cast<std::size_t>(needed) < sizeof small) return std::string(small, static_cast<std::size_t>(needed));
    // Magnitudes near the double's range print over 300 digits.
    std::string text(static_cast<std::size_t>(needed) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    text.resize(static_cast<std::size_t>(needed));
    return text;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool remove_prefix(std::string& text, std::string_view prefix) {
    if (!starts_with(text, prefix)) return false;
    text.erase(0, prefix.size());
    return true;
}

int strip_control_bytes(std::uint8_t* bytes, std::int32_t length) {
    if (bytes == nullptr || length <= 0) return 0;
    std::int32_t kept = 0;
    for (std::int32_t i = 0; i < length; ++i)
        if (bytes[i] >= 0x20 && bytes[i] < 0x80) bytes[kept++] = bytes[i];
    // Terminate only inside the buffer: when every byte is kept there is no room for it.
    if (kept < length) bytes[kept] = 0;
    return kept;
}

std::string strip_control_bytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::uint8_t byte : bytes)
        if (byte >= 0x20 && byte < 0x80) text.push_back(static_cast<char>(byte));
    return text;
}

std::string join_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text.push_back('\n');
    }
    return text;
}

std::int32_t extract_line(std::uint8_t* buffer, std::int32_t& count, const std::uint8_t* terminator,
                          std::int32_t terminator_length, std::uint8_t* out) {
    if (buffer == nullptr || out == nullptr || count <= 0) return 0;
    std::int32_t length = 0;
    if (terminator == nullptr || terminator_length <= 0) {
        length = 1;
    } else {
        // The first place where the whole terminator stands, wherever a partial match began.
        const std::uint8_t* end = buffer + count;
        const std::uint8_t* at = std::search(static_cast<const std::uint8_t*>(buffer), end, terminator,
                                             terminator + terminator_length);
        if (at == end) return 0;
        length = static_cast<std::int32_t>(at - buffer) + terminator_length;
    }
    std::memcpy(out, buffer, static_cast<std::size_t>(length));
    count -= length;
    std::memmove(buffer, buffer + length, static_cast<std::size_t>(count));
    return length;
}
