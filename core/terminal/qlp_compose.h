// The QLP ASCII and QLP Data composers without widgets: how a spin edit and its
// hex field stay in step, which fields an amount enables, what a send writes and logs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/protocol/qlp_types.h"

class Port;

inline constexpr const char* kZumFramePrefix = "Send ZUM Frame = ";
inline constexpr const char* kZebFramePrefix = "Send ZEB Frame = ";
// After the prefix when the block holds 0xA8 followed by 0xA9..0xAC: sent, it would
// read back as an escape pair, so it is not sent.
inline constexpr const char* kZebNotSentText = "Not Sent! 0xA8 before 0xA9 to 0xAC reads back as an escape";

inline constexpr int kQlpAsciiGroups = 5;
inline constexpr int kQlpAsciiValues = 3;
inline constexpr int kQlpDataBytes = 8;

// The value as a hex field shows it: upper-case digits, no leading zeros ("0" for 0).
std::string hex_field_text(std::int32_t value);
// What a hex field stands for: 0 when empty, else its first `digits` characters as hex.
std::int32_t hex_field_value(std::string_view text, int digits);
// The text a hex field must take after its spin edit became `value`, or nothing
// when the field already says so. An empty field already means 0 and stays empty,
// so clearing a field does not write "0" back into it.
std::optional<std::string> hex_field_rewrite(std::string_view current, std::int32_t value);

// Whether a field is enabled, and whether it is to be set to 0.
struct FieldRule {
    bool enabled = false;
    bool zero = false;

    bool operator==(const FieldRule&) const = default;
};

// Value1..Value3 for a Value Amount (1..3; any other amount disables and zeroes all).
std::array<FieldRule, kQlpAsciiValues> value_amount_rule(int amount);
// Data0..Data7 for a Data Amount (1..8; any other amount disables all and zeroes Data1..Data7).
std::array<FieldRule, kQlpDataBytes> data_amount_rule(int amount);

struct QlpAsciiFields {
    int id = 1;
    int function = 0;
    int code1 = 0;
    int code2 = 0;
    std::array<int, kQlpAsciiValues> values{};
    int value_amount = 1;
};

struct QlpDataFields {
    int id = 1;
    int function = 0;
    int data_amount = 4;
    std::array<int, kQlpDataBytes> data{};
};

QlpCommand qlp_ascii_command(const QlpAsciiFields& fields);
ZebFrame qlp_data_frame(const QlpDataFields& fields);

// Write the frame to `port` and return the line to log; nothing when the frame encodes
// empty, except a ZEB block that cannot be sent, which says so.
std::optional<std::string> SendQlpAsciiCommand(Port& port, const QlpCommand& command);
std::optional<std::string> SendQlpDataFrame(Port& port, const ZebFrame& frame);
