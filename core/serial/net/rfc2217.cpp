#include "core/serial/net/rfc2217.h"

namespace rfc2217 {

namespace {
// The program's parity numbers (None, Odd, Even, Mark, Space) are RFC 2217's minus one.
std::uint32_t parity_value(int parity) {
    return static_cast<std::uint32_t>(parity) + 1;
}
// One, one and a half, two stop bits: RFC 2217 numbers them 1, 3, 2.
std::uint32_t stopsize_value(int stopbits) {
    switch (stopbits) {
    case 1: return 3;
    case 2: return 2;
    default: return 1;
    }
}
} // namespace

std::vector<std::uint8_t> Payload(const Request& request) {
    if (request.command == kSetBaudrate) {
        const std::uint32_t v = request.value;
        return {request.command, static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    }
    return {request.command, static_cast<std::uint8_t>(request.value)};
}

std::vector<Request> LineRequests(const ComportSetting& s) {
    const std::int32_t rate = comport_programmed_rate(s.baudrate, s.fixrate);
    return {
        {kSetBaudrate, static_cast<std::uint32_t>(rate > 0 ? rate : 1)},
        {kSetDatasize, s.databits},
        {kSetParity, parity_value(s.parity)},
        {kSetStopsize, stopsize_value(s.stopbits)},
    };
}

bool ParseReply(const std::vector<std::uint8_t>& payload, Request& reply) {
    if (payload.empty() || payload[0] <= kServerOffset) return false;
    const auto command = static_cast<std::uint8_t>(payload[0] - kServerOffset);
    if (command < kSetBaudrate || command > kPurgeData) return false;
    // A reply has the request's shape; NOTIFY-* carry one byte of state, the flow
    // control replies none.
    const std::size_t value_bytes = command == kSetBaudrate ? 4 : (command == 8 || command == 9 ? 0 : 1);
    if (payload.size() != 1 + value_bytes) return false;
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < payload.size(); ++i) value = (value << 8) | payload[i];
    reply = Request{command, value};
    return true;
}

std::string CommandName(std::uint8_t command) {
    switch (command) {
    case kSetBaudrate: return "SET-BAUDRATE";
    case kSetDatasize: return "SET-DATASIZE";
    case kSetParity: return "SET-PARITY";
    case kSetStopsize: return "SET-STOPSIZE";
    case kSetControl: return "SET-CONTROL";
    case kNotifyLinestate: return "NOTIFY-LINESTATE";
    case kNotifyModemstate: return "NOTIFY-MODEMSTATE";
    case kFlowcontrolSuspend: return "FLOWCONTROL-SUSPEND";
    case kFlowcontrolResume: return "FLOWCONTROL-RESUME";
    case kSetLinestateMask: return "SET-LINESTATE-MASK";
    case kSetModemstateMask: return "SET-MODEMSTATE-MASK";
    case kPurgeData: return "PURGE-DATA";
    default: return "command " + std::to_string(command);
    }
}

} // namespace rfc2217
