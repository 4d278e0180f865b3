// The six QLP operations the PT57 panel runs: the RD24's, with eight channels, a
// check that carries one value 0, and its own digital output command (0x20).
// Out-parameters are written only with status 0.
#pragma once

#include <cstdint>

#include "core/protocol/qlp_transaction.h"
#include "core/protocol/qlp_types.h"

class ZumLink;

// The requests of the six operations: function, command, values sent and expected back.
inline constexpr QlpFamilyShapes kPt57Requests{
    .check = {0x01, 0x10, 1, 2}, // the PT57 wants its check to carry a value, 0
    .readDigital = {0x05, 0x10, 0, 1},
    .write_digital_output = {0x06, 0x20, 1, 0},
    .read_analog_input = {0x05, 0x30, 0, 1},
    .read_analog_output = {0x05, 0x40, 0, 1},
    .write_analog_output = {0x06, 0x40, 1, 0},
};

ExchangeStatus pt57CheckDevice(ZumLink& link, std::uint8_t id);
// Bit i of state is channel i (0..7).
ExchangeStatus pt57ReadDigital(ZumLink& link, std::uint8_t id, std::uint8_t& state);
ExchangeStatus pt57WriteDigitalOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state);
// Raw codes as the wire carried them, 0..65535.
ExchangeStatus pt57ReadAnalogInput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
ExchangeStatus pt57ReadAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
ExchangeStatus pt57WriteAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw);
