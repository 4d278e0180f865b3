#include "core/protocol/qlp_transaction.h"

#include <algorithm>
#include <string>

#include "core/protocol/zum_exchange.h"
#include "core/serial/port_values.h"

namespace {

// The exchange, with its attempt budget and the pause after each time-out.
ExchangeStatus exchangeWithBudget(ZumLink& link, const QlpCommand& request, QlpCommand& reply) {
    ExchangeStatus status = kExchangeSuccess;
    // The exchange's message is not kept: the link monitor already has the line.
    std::string message;
    for (int attempts = kQlpAttempts; attempts > 0;) {
        status = link.Exchange(request, reply, message, kQlpExchangeBudgetMs);
        if (status != kExchangeTimeout) break;
        --attempts;
        delayTicks(kQlpTimeoutPauseMs);
    }
    return status;
}

ExchangeStatus checkCodes(const QlpCommand& request, const QlpCommand& reply) {
    if (reply.function != request.function) return kExchangeFunctionError;
    if (reply.command != request.command) return kExchangeCommandError;
    if (reply.channel != request.channel) return kExchangeChannelError;
    return kExchangeSuccess;
}

QlpCommand requestOf(const QlpRequestShape& shape, std::uint8_t id, std::uint8_t channel, std::int32_t value) {
    QlpCommand request{.valueCount = shape.valueCount,
                       .id = id,
                       .function = shape.function,
                       .command = shape.command,
                       .channel = channel};
    if (shape.valueCount > 0) request.values[0] = value;
    return request;
}

// Runs a read and hands back its first value as the 16 bits the wire carried.
ExchangeStatus readWord(ZumLink& link, const QlpRequestShape& shape, std::uint8_t id, std::uint8_t channel,
                        std::int32_t& word) {
    QlpCommand reply;
    const ExchangeStatus status = qlpRead(link, requestOf(shape, id, channel, 0), shape.expected_values, reply);
    if (status == kExchangeSuccess) word = static_cast<std::uint16_t>(reply.values[0]);
    return status;
}

ExchangeStatus write(ZumLink& link, const QlpRequestShape& shape, std::uint8_t id, std::uint8_t channel,
                     std::int32_t value) {
    QlpCommand reply;
    return qlpWrite(link, requestOf(shape, id, channel, value), reply);
}

} // namespace

ExchangeStatus qlpRead(ZumLink& link, const QlpCommand& request, std::int32_t expected_values, QlpCommand& reply) {
    const ExchangeStatus status = exchangeWithBudget(link, request, reply);
    if (status != kExchangeSuccess) return status;
    if (reply.valueCount != expected_values) return kExchangeValueAmountError;
    return checkCodes(request, reply);
}

ExchangeStatus qlpWrite(ZumLink& link, const QlpCommand& request, QlpCommand& reply) {
    const ExchangeStatus status = exchangeWithBudget(link, request, reply);
    if (status != kExchangeSuccess) return status;
    if (const ExchangeStatus codes = checkCodes(request, reply); codes != kExchangeSuccess) return codes;
    // Only a reply that carries the written values back confirms the write.
    if (reply.valueCount < request.valueCount) return kExchangeValueAmountError;
    const std::int32_t echoed = std::clamp<std::int32_t>(reply.valueCount, 0, static_cast<std::int32_t>(reply.values.size()));
    for (std::int32_t i = 0; i < echoed; ++i)
        if (reply.values[static_cast<std::size_t>(i)] != request.values[static_cast<std::size_t>(i)])
            return kExchangeValueCompareError;
    return kExchangeSuccess;
}

ExchangeStatus qlpCheckDevice(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id) {
    QlpCommand reply;
    return qlpRead(link, requestOf(family.check, id, 0, 0), family.check.expected_values, reply);
}

ExchangeStatus qlpReadDigital(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id, std::uint8_t& state) {
    std::int32_t word = 0;
    const ExchangeStatus status = readWord(link, family.readDigital, id, 0, word);
    if (status == kExchangeSuccess) state = static_cast<std::uint8_t>(word & 0xFF);
    return status;
}

ExchangeStatus qlpWriteDigitalOutput(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id,
                                     std::uint8_t channel, std::int32_t state) {
    return write(link, family.write_digital_output, id, channel, state);
}

ExchangeStatus qlpReadAnalogInput(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id, std::uint8_t channel,
                                  std::int32_t& raw) {
    return readWord(link, family.read_analog_input, id, channel, raw);
}

ExchangeStatus qlpReadAnalogOutput(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id, std::uint8_t channel,
                                   std::int32_t& raw) {
    return readWord(link, family.read_analog_output, id, channel, raw);
}

ExchangeStatus qlpWriteAnalogOutput(ZumLink& link, const QlpFamilyShapes& family, std::uint8_t id, std::uint8_t channel,
                                    std::int32_t raw) {
    return write(link, family.write_analog_output, id, channel, raw);
}
