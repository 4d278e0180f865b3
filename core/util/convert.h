// Conversions between received or typed bytes and the texts shown on screen.
// Texts are 8-bit: one char per byte, never re-encoded.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// 0x00-0x1F by name ("<NUL>".."<US>"), 0x20-0x7F as itself, 0x80-0xFF as "<0xA5>".
std::string byte_to_tagged_text(std::uint8_t byte);
std::string bytes_to_tagged_text(std::span<const std::uint8_t> bytes);
std::string bytes_to_tagged_text(const std::uint8_t* bytes, std::int32_t length);
// The byte 0..31 whose name equals the text exactly, -1 otherwise.
int tag_to_byte(std::string_view text);
// Tagged text to bytes; the byte count, or -1 (and `out` empty) when malformed or longer
// than the 1023 characters of a command line: a longer text is refused, never cut short.
int tagged_text_to_bytes(std::string_view text, std::vector<std::uint8_t>& out);

// Two upper-case hex digits per byte, joined by `separator` unless it is 0.
std::string bytes_to_hex_text(std::span<const std::uint8_t> bytes, char separator);
std::string bytes_to_hex_text(const std::uint8_t* bytes, std::int32_t length, char separator);
// Hex text read in pairs, `separator` dropping a half pair; the byte count. Texts shorter
// than 2 or of 1024 characters or more give no bytes.
int hex_pairs_to_bytes(std::string_view text, char separator, std::vector<std::uint8_t>& out);
int hex_digit_value(char c);
// The first n characters read high digit first; non-hex characters count 0.
std::int32_t hex_text_to_int(std::string_view text, int n);

// "0012" gives "12"; only zeros give "0"; the empty text stays empty.
std::string strip_leading_zeros(std::string_view text);
// "%.Nf" with N = decimals (held to 0..6); a value equal to 0 gives "0".
std::string format_real(double value, int decimals);
bool is_digit(char c);
bool starts_with(std::string_view text, std::string_view prefix);
bool remove_prefix(std::string& text, std::string_view prefix);
// Keeps the bytes 0x20..0x7F at the front of the buffer; their number. A 0 follows them
// when there is room inside `length`; nothing is written past it.
int strip_control_bytes(std::uint8_t* bytes, std::int32_t length);
std::string strip_control_bytes(std::span<const std::uint8_t> bytes);
// Each text followed by a line feed.
std::string join_lines(const std::vector<std::string>& lines);
// Cuts the first line ended by the terminator out of buffer[0..count): copies it
// (terminator included) to out, shrinks count and moves the rest to the front.
// Returns the line's length, 0 if there is none.
std::int32_t extract_line(std::uint8_t* buffer, std::int32_t& count, const std::uint8_t* terminator,
                          std::int32_t terminator_length, std::uint8_t* out);
