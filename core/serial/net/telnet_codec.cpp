#include "core/serial/net/telnet_codec.h"

namespace telnet {

namespace {
// The one-byte commands after IAC that carry no option: NOP, data mark, break,
// interrupt, abort output, are-you-there, erase character, erase line, go ahead.
bool is_plain_command(std::uint8_t b) {
    return b >= 241 && b <= 249;
}
} // namespace

void Decoder::Reset() {
    state_ = State::kData;
    pending_ = Event{};
}

DecodeResult Decoder::Feed(const std::uint8_t* in, std::size_t length, std::vector<std::uint8_t>& data,
                           std::vector<Event>& events) {
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = in[i];
        switch (state_) {
        case State::kCorrupt: return DecodeResult::kCorrupt;
        case State::kData:
            if (b == kIac) state_ = State::kIac;
            else data.push_back(b);
            break;
        case State::kIac:
            if (b == kIac) {
                data.push_back(kIac);
                state_ = State::kData;
            } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
                pending_ = Event{b, 0, {}};
                state_ = State::kVerb;
            } else if (b == kSb) {
                pending_ = Event{kSb, 0, {}};
                state_ = State::kSbOption;
            } else if (is_plain_command(b)) {
                state_ = State::kData; // nothing for a serial line in any of them
            } else {
                state_ = State::kCorrupt; // SE outside a subnegotiation, or no command at all
                return DecodeResult::kCorrupt;
            }
            break;
        case State::kVerb:
            pending_.option = b;
            events.push_back(std::move(pending_));
            pending_ = Event{};
            state_ = State::kData;
            break;
        case State::kSbOption:
            pending_.option = b;
            state_ = State::kSb;
            break;
        case State::kSb:
            if (b == kIac) {
                state_ = State::kSbIac;
            } else if (pending_.payload.size() == kSubnegotiationMax) {
                state_ = State::kCorrupt;
                return DecodeResult::kCorrupt;
            } else {
                pending_.payload.push_back(b);
            }
            break;
        case State::kSbIac:
            if (b == kSe) {
                events.push_back(std::move(pending_));
                pending_ = Event{};
                state_ = State::kData;
            } else if (b == kIac && pending_.payload.size() < kSubnegotiationMax) {
                pending_.payload.push_back(kIac);
                state_ = State::kSb;
            } else {
                state_ = State::kCorrupt;
                return DecodeResult::kCorrupt;
            }
            break;
        }
    }
    return state_ == State::kCorrupt ? DecodeResult::kCorrupt : DecodeResult::kOk;
}

void Escape(const std::uint8_t* bytes, std::size_t length, std::vector<std::uint8_t>& out) {
    for (std::size_t i = 0; i < length; ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == kIac) out.push_back(kIac);
    }
}

void AppendVerb(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out) {
    out.insert(out.end(), {kIac, verb, option});
}

void AppendSubnegotiation(std::uint8_t option, const std::vector<std::uint8_t>& payload, std::vector<std::uint8_t>& out) {
    out.insert(out.end(), {kIac, kSb, option});
    Escape(payload.data(), payload.size(), out);
    out.insert(out.end(), {kIac, kSe});
}

} // namespace telnet
