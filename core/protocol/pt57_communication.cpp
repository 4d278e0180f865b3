#include "core/protocol/pt57_communication.h"

#include "core/protocol/qlp_transaction.h"

namespace {

constexpr QlpFamilyShapes kPt57{
    .check = {0x01, 0x10, 1, 2}, // the PT57 wants its check to carry a value, 0
    .readDigital = {0x05, 0x10, 0, 1},
    .write_digital_output = {0x06, 0x20, 1, 0},
    .read_analog_input = {0x05, 0x30, 0, 1},
    .read_analog_output = {0x05, 0x40, 0, 1},
    .write_analog_output = {0x06, 0x40, 1, 0},
};

} // namespace

ExchangeStatus pt57CheckDevice(ZumLink& link, std::uint8_t id) { return qlpCheckDevice(link, kPt57, id); }

ExchangeStatus pt57ReadDigital(ZumLink& link, std::uint8_t id, std::uint8_t& state) {
    return qlpReadDigital(link, kPt57, id, state);
}

ExchangeStatus pt57WriteDigitalOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t state) {
    return qlpWriteDigitalOutput(link, kPt57, id, channel, state);
}

ExchangeStatus pt57ReadAnalogInput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogInput(link, kPt57, id, channel, raw);
}

ExchangeStatus pt57ReadAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogOutput(link, kPt57, id, channel, raw);
}

ExchangeStatus pt57WriteAnalogOutput(ZumLink& link, std::uint8_t id, std::uint8_t channel, std::int32_t raw) {
    return qlpWriteAnalogOutput(link, kPt57, id, channel, raw);
}
