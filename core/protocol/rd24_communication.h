// The six QLP operations the RD24 panel runs, one transaction each. Every one
// returns an ExchangeStatus; out-parameters are written only with status 0.
#pragma once

#include <cstdint>

#include "core/protocol/qlp_types.h"

class ZumLink;

// Online check: function 1, command 0x10, no value; the reply must carry two.
ExchangeStatus rd24CheckDevice(ZumLink& link, std::uint8_t id);
// Bit i of state is channel i (0..5).
ExchangeStatus rd24ReadDigital(ZumLink& link, std::uint8_t id, std::uint8_t& state);
ExchangeStatus rd24WriteDigitalOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state);
// Raw codes as the wire carried them, 0..65535.
ExchangeStatus rd24ReadAnalogInput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
ExchangeStatus rd24ReadAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw);
ExchangeStatus rd24WriteAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw);
