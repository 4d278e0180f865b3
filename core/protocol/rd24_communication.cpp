#include "core/protocol/rd24_communication.h"

#include "core/protocol/qlp_transaction.h"

ExchangeStatus rd24CheckDevice(ZumLink& link, std::uint8_t id) { return qlpCheckDevice(link, kRd24Requests, id); }

ExchangeStatus rd24ReadDigital(ZumLink& link, std::uint8_t id, std::uint8_t& state) {
    return qlpReadDigital(link, kRd24Requests, id, state);
}

ExchangeStatus rd24WriteDigitalOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state) {
    return qlpWriteDigitalOutput(link, kRd24Requests, id, channel, state);
}

ExchangeStatus rd24ReadAnalogInput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogInput(link, kRd24Requests, id, channel, raw);
}

ExchangeStatus rd24ReadAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogOutput(link, kRd24Requests, id, channel, raw);
}

ExchangeStatus rd24WriteAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw) {
    return qlpWriteAnalogOutput(link, kRd24Requests, id, channel, raw);
}
