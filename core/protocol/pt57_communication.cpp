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

ExchangeStatus pt57CheckDevice(std::uint8_t id) { return qlpCheckDevice(kPt57, id); }

ExchangeStatus pt57ReadDigital(std::uint8_t id, std::uint8_t& state) { return qlpReadDigital(kPt57, id, state); }

ExchangeStatus pt57WriteDigitalOutput(std::uint8_t id, std::uint8_t channel, std::int32_t state) {
    return qlpWriteDigitalOutput(kPt57, id, channel, state);
}

ExchangeStatus pt57ReadAnalogInput(std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogInput(kPt57, id, channel, raw);
}

ExchangeStatus pt57ReadAnalogOutput(std::uint8_t id, std::uint8_t channel, std::int32_t& raw) {
    return qlpReadAnalogOutput(kPt57, id, channel, raw);
}

ExchangeStatus pt57WriteAnalogOutput(std::uint8_t id, std::uint8_t channel, std::int32_t raw) {
    return qlpWriteAnalogOutput(kPt57, id, channel, raw);
}
