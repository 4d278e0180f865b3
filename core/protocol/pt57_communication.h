// The six QLP operations the PT57 panel runs: the RD24's, with eight channels, a
// check that carries one value 0, and its own digital output command (0x20).
// Out-parameters are written only with status 0.
#pragma once

#include <cstdint>

#include "core/protocol/qlp_types.h"

class ZumLink;

ExchangeStatus pt57CheckDevice(ZumLink& link, std::uint8_t id);
// Bit i of state is channel i (0..7).
ExchangeStatus pt57ReadDigital(ZumLink& link, std::uint8_t id, std::uint8_t& state);
ExchangeStatus pt57WriteDigitalOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state);
// Raw codes as the wire carried them, 0..65535.
ExchangeStatus pt57ReadAnalogInput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
ExchangeStatus pt57ReadAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
ExchangeStatus pt57WriteAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw);
