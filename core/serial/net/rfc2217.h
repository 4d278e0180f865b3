// The COM Port Control Option (RFC 2217): the client's requests for a line's settings,
// the modem control and the purges, and the server's replies. Pure: the bytes of the
// payloads only; telnet_codec.h frames them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/serial/port_values.h"

namespace rfc2217 {

// Client commands; the server answers each with the same number plus kServerOffset.
enum Command : std::uint8_t {
    kSetBaudrate = 1,
    kSetDatasize = 2,
    kSetParity = 3,
    kSetStopsize = 4,
    kSetControl = 5,
    kNotifyLinestate = 6,
    kNotifyModemstate = 7,
    kFlowcontrolSuspend = 8,
    kFlowcontrolResume = 9,
    kSetLinestateMask = 10,
    kSetModemstateMask = 11,
    kPurgeData = 12,
};
inline constexpr std::uint8_t kServerOffset = 100;

// SET-CONTROL values the program uses: the RTS pulse of an open.
inline constexpr std::uint32_t kControlRtsOn = 11;
inline constexpr std::uint32_t kControlRtsOff = 12;
// PURGE-DATA values.
inline constexpr std::uint32_t kPurgeReceive = 1;
inline constexpr std::uint32_t kPurgeTransmit = 2;
inline constexpr std::uint32_t kPurgeBoth = 3;

struct Request {
    std::uint8_t command = 0;
    std::uint32_t value = 0;

    bool operator==(const Request&) const = default;
};

// The payload of a request: the command, then its value (four bytes, most significant
// first, for SET-BAUDRATE; one byte for the rest).
std::vector<std::uint8_t> Payload(const Request& request);
// The four settings of a line, in the order they are sent: SET-BAUDRATE with the
// programmed rate (fix rate applied), SET-DATASIZE, SET-PARITY, SET-STOPSIZE.
std::vector<Request> LineRequests(const ComportSetting& setting);
// A server's reply read back as the request it answers (command without the offset).
// False for a payload that is no COM-PORT-OPTION reply or has the wrong length.
bool ParseReply(const std::vector<std::uint8_t>& payload, Request& reply);
// "SET-BAUDRATE" and so on; "command N" for another number.
std::string CommandName(std::uint8_t command);

} // namespace rfc2217
