#include "core/terminal/qlp_compose.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "core/protocol/zum_codec.h"
#include "core/serial/port.h"
#include "core/util/convert.h"

std::string hex_field_text(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

std::int32_t hex_field_value(std::string_view text, int digits) {
    if (text.empty()) return 0;
    return hex_text_to_int(text, digits);
}

std::optional<std::string> hex_field_rewrite(std::string_view current, std::int32_t value) {
    if (current.empty() && value == 0) return std::nullopt;
    std::string wanted = hex_field_text(value);
    if (current == wanted) return std::nullopt;
    return wanted;
}

std::array<FieldRule, kQlpAsciiValues> value_amount_rule(int amount) {
    std::array<FieldRule, kQlpAsciiValues> rule{};
    const bool valid = amount >= 1 && amount <= kQlpAsciiValues;
    for (int i = 0; i < kQlpAsciiValues; ++i) {
        const bool on = valid && i < amount;
        rule[i] = {on, !on};
    }
    return rule;
}

std::array<FieldRule, kQlpDataBytes> data_amount_rule(int amount) {
    std::array<FieldRule, kQlpDataBytes> rule{};
    const bool valid = amount >= 1 && amount <= kQlpDataBytes;
    for (int i = 0; i < kQlpDataBytes; ++i) {
        if (valid)
            rule[i] = {i < amount, i >= amount};
        else
            rule[i] = {false, i != 0}; // Data0 keeps its value
    }
    return rule;
}

QlpCommand qlp_ascii_command(const QlpAsciiFields& fields) {
    QlpCommand command{.valueCount = fields.value_amount,
                       .id = static_cast<std::uint32_t>(fields.id),
                       .function = static_cast<std::uint8_t>(fields.function),
                       .command = static_cast<std::uint8_t>(fields.code1),
                       .channel = static_cast<std::uint8_t>(fields.code2)};
    for (int i = 0; i < kQlpAsciiValues; ++i) command.values[i] = fields.values[i];
    return command;
}

ZebFrame qlp_data_frame(const QlpDataFields& fields) {
    ZebFrame frame;
    frame.address = static_cast<std::uint32_t>(fields.id);
    frame.code = static_cast<std::uint8_t>(fields.function);
    frame.count = static_cast<std::uint8_t>(fields.data_amount);
    for (int i = 0; i < kQlpDataBytes; ++i) frame.data[i] = static_cast<std::uint8_t>(fields.data[i]);
    return frame;
}

namespace {
std::optional<std::string> sendFrame(Port& port, std::vector<std::uint8_t> wire, const char* prefix,
                                     const std::string& shown) {
    if (wire.empty()) return std::nullopt;
    const ComportStatus status = port.Send(wire.data(), static_cast<std::int32_t>(wire.size()));
    if (status != kComportSuccess) return prefix + comport_status_text_of(status);
    return prefix + shown;
}
} // namespace

std::optional<std::string> SendQlpAsciiCommand(Port& port, const QlpCommand& command) {
    return sendFrame(port, qlpEncodeText(command), kZumFramePrefix, qlpCommandText(command));
}

std::optional<std::string> SendQlpDataFrame(Port& port, const ZebFrame& frame) {
    std::vector<std::uint8_t> wire = zebEncode(frame);
    if (wire.empty()) return std::string(kZebFramePrefix) + kZebNotSentText;
    return sendFrame(port, std::move(wire), kZebFramePrefix, zebFrameText(frame));
}
