#include "core/protocol/rd24_communication.h"

#include "core/protocol/qlp_transaction.h"

namespace {

constexpr QlpFamilyShapes kRd24{
    .check = {0x01, 0x10, 0, 2},
    .readDigital = {0x05, 0x10, 0, 1},
    .write_digital_output = {0x06, 0x11, 1, 0},
    .read_analog_input = {0x05, 0x30, 0, 1},
    .read_analog_output = {0x05, 0x40, 0, 1},
    .write_analog_output = {0x06, 0x40, 1, 0},
};

} // namespace

ExchangeStatus rd24CheckDevice(ZumLink& link, std::uint8_t id) { return qlpCheckDevice(link, kRd24, id); }

ExchangeStatus rd24ReadDigital(ZumLink& link, std::uint8_t id, std::uint8_t& state) {
    return qlpReadDigital(link, kRd24, id, state);
}

ExchangeStatus rd24WriteDigitalOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state) {
    return qlpWriteDigitalOutput(link, kRd24, id, channel, state);
}

ExchangeStatus rd24ReadAnalogInput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogInput(link, kRd24, id, channel, raw);
}

ExchangeStatus rd24ReadAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogOutput(link, kRd24, id, channel, raw);
}

ExchangeStatus rd24WriteAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw) {
    return qlpWriteAnalogOutput(link, kRd24, id, channel, raw);
}
