// The six QLP operations the RD24 panel runs, one transaction each. Every one
// returns an ExchangeStatus; out-parameters are written only with status 0.
#pragma once

#include <cstdint>

#include "core/protocol/qlp_transaction.h"
#include "core/protocol/qlp_types.h"

class ZumLink;

// The requests of the six operations: function, command, values sent and expected back.
inline constexpr QlpFamilyShapes kRd24Requests{
    .check = {0x01, 0x10, 0, 2},
    .readDigital = {0x05, 0x10, 0, 1},
    .write_digital_output = {0x06, 0x11, 1, 0},
    .read_analog_input = {0x05, 0x30, 0, 1},
    .read_analog_output = {0x05, 0x40, 0, 1},
    .write_analog_output = {0x06, 0x40, 1, 0},
};

// Online check: function 1, command 0x10, no value; the reply must carry two.
ExchangeStatus rd24CheckDevice(ZumLink& link, std::uint8_t id);
// Bit i of state is channel i (0..5).
ExchangeStatus rd24ReadDigital(ZumLink& link, std::uint8_t id, std::uint8_t& state);
ExchangeStatus rd24WriteDigitalOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state);
// Raw codes as the wire carried them, 0..65535.
ExchangeStatus rd24ReadAnalogInput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
ExchangeStatus rd24ReadAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
ExchangeStatus rd24WriteAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw);
