// The checks in front of the senders: a field is sent only when every character in it
// means what the user typed. The conversions keep their own rules (a character 8-bit
// text cannot hold becomes "?", a non-hex digit counts 0); these say beforehand that
// the text would not go out as typed, and which character is at fault.
#pragma once

#include <string>
#include <string_view>

// What a user is told about a character: printable ASCII in quotes ("g"), anything
// else as its code point (U+2603).
std::string character_name(char32_t c);

// The reason a text (its characters as typed) cannot be sent as 8-bit text: the first
// character outside Latin-1 and its place, counted from 1, e.g. "character 7 (U+2603)
// is not 8-bit text (Latin-1)". Empty when every character fits.
std::string eight_bit_refusal(std::u32string_view text);

// The reason a hex field cannot be sent: the first character that is neither a hex
// digit, nor `separator`, nor a blank (space or tab). Empty when there is none.
std::string hex_field_refusal(std::u32string_view text, char separator);

// The message-list line for a refused send: "---* Not sent: <field>, <reason> *---".
std::string send_refusal_line(std::string_view field, std::string_view reason);
