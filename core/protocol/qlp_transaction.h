// QLP read and write transactions (one request, one checked reply) and the six
// device operations both I/O families run through them, each family described by
// a table of request shapes.
#pragma once

#include <cstdint>

#include "core/protocol/qlp_types.h"

class ZumLink;

// How long one exchange waits for its reply.
inline constexpr int kQlpExchangeBudgetMs = 500;
// A transaction makes one attempt; a time-out costs a further pause before it
// returns, so a device that has fallen silent is not hammered.
inline constexpr int kQlpAttempts = 1;
inline constexpr std::uint32_t kQlpTimeoutPauseMs = 200;

// Every transaction runs one exchange on `link`.

// Sends the request and checks the reply, first failure deciding: value count (7),
// function (4), command (5), channel (6). The exchange takes only the addressed
// device's reply. The reply is handed back whenever one came.
ExchangeStatus qlpRead(ZumLink& link, const QlpCommand& request, std::int32_t expected_values, QlpCommand& reply);
// As qlpRead, but checks function, command, channel, then that the reply carries
// at least the written values (7), and every value it echoes against the request's (8).
ExchangeStatus qlpWrite(ZumLink& link, const QlpCommand& request, QlpCommand& reply);

// One request of a family: its codes, the number of values it carries (the
// written value, or a fixed 0 where the device wants one), and for reads the
// number of values the reply must carry.
struct QlpRequestShape {
    std::uint8_t function;
    std::uint8_t command;
    std::int32_t valueCount;
    std::int32_t expected_values;
};

struct QlpFamilyShapes {
    QlpRequestShape check;             // read
    QlpRequestShape readDigital;       // read; the value's low 8 bits are channels 0..7
    QlpRequestShape write_digital_output;
    QlpRequestShape read_analog_input;   // read
    QlpRequestShape read_analog_output;  // read
    QlpRequestShape write_analog_output;
};

// The operations behind both families' panels. Out-parameters are written only
// with status 0. A raw code is the reply value's 16 wire bits read as unsigned
// (0..65535): converter codes are never negative, and the wire carries 16 bits.
ExchangeStatus qlpCheckDevice(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id);
ExchangeStatus qlpReadDigital(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id, std::uint8_t& state);
ExchangeStatus qlpWriteDigitalOutput(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id,
                                     std::uint8_t channel, std::int32_t state);
ExchangeStatus qlpReadAnalogInput(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id, std::uint8_t channel,
                                  std::int32_t& raw);
ExchangeStatus qlpReadAnalogOutput(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id, std::uint8_t channel,
                                   std::int32_t& raw);
ExchangeStatus qlpWriteAnalogOutput(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id, std::uint8_t channel,
                                    std::int32_t raw);
