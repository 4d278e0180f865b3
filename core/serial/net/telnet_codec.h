// The Telnet layer of a network port (RFC 854, with the COM Port Control Option of
// RFC 2217 on top): a decoder fed the server's bytes one read at a time, and the
// encoders for what goes out. Pure: no socket, no clock, no allocation past the bounds
// below, so the decoder can be fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telnet {

inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;

inline constexpr std::uint8_t kOptionBinary = 0;
inline constexpr std::uint8_t kOptionSuppressGoAhead = 3;
inline constexpr std::uint8_t kOptionComPort = 44;

// The longest subnegotiation kept. A COM-PORT-OPTION reply is at most 5 bytes
// (command and a 4-byte rate); a server's signature text may be longer. Anything past
// this is a malformed stream, not data to buffer without end.
inline constexpr std::size_t kSubnegotiationMax = 256;

// An option verb (WILL, WONT, DO, DONT) or a whole subnegotiation from the server.
struct Event {
    std::uint8_t verb = 0;   // kWill, kWont, kDo, kDont or kSb
    std::uint8_t option = 0;
    std::vector<std::uint8_t> payload; // kSb only: the bytes between the option and IAC SE, undoubled

    bool operator==(const Event&) const = default;
};

enum class DecodeResult { kOk, kCorrupt };

class Decoder {
public:
    // Appends the data bytes of `in` to `data` and each complete command to `events`,
    // in the order they came. A sequence cut between two reads is kept and finished by
    // the next call. kCorrupt: the stream broke the protocol (a subnegotiation past
    // kSubnegotiationMax, IAC followed by a byte no command has, IAC SB closed by
    // anything but IAC SE); the decoder then takes nothing more until Reset.
    DecodeResult Feed(const std::uint8_t* in, std::size_t length, std::vector<std::uint8_t>& data,
                      std::vector<Event>& events);
    void Reset();
    // Whether a command was cut off by the end of the last read.
    bool InsideCommand() const { return state_ != State::kData; }

private:
    enum class State { kData, kIac, kVerb, kSbOption, kSb, kSbIac, kCorrupt };
    State state_ = State::kData;
    Event pending_;
};

// Data bytes as they travel: every 0xFF doubled. Appends to `out`.
void Escape(const std::uint8_t* bytes, std::size_t length, std::vector<std::uint8_t>& out);
// IAC verb option.
void AppendVerb(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out);
// IAC SB option payload IAC SE, 0xFF in the payload doubled.
void AppendSubnegotiation(std::uint8_t option, const std::vector<std::uint8_t>& payload, std::vector<std::uint8_t>& out);

} // namespace telnet
