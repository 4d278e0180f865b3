#include "core/protocol/pt57_communication.h"

#include "core/protocol/qlp_transaction.h"

ExchangeStatus pt57CheckDevice(ZumLink& link, std::uint8_t id) { return qlpCheckDevice(link, kPt57Requests, id); }

ExchangeStatus pt57ReadDigital(ZumLink& link, std::uint8_t id, std::uint8_t& state) {
    return qlpReadDigital(link, kPt57Requests, id, state);
}

ExchangeStatus pt57WriteDigitalOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state) {
    return qlpWriteDigitalOutput(link, kPt57Requests, id, channel, state);
}

ExchangeStatus pt57ReadAnalogInput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogInput(link, kPt57Requests, id, channel, raw);
}

ExchangeStatus pt57ReadAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogOutput(link, kPt57Requests, id, channel, raw);
}

ExchangeStatus pt57WriteAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw) {
    return qlpWriteAnalogOutput(link, kPt57Requests, id, channel, raw);
}
