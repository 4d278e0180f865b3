// The Telnet decoder fed a server's bytes cut into arbitrary reads: it never takes
// more data bytes than came, keeps every subnegotiation within its bound, stays a
// fault once it reported one, and decodes the same whole as in pieces.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "core/serial/net/telnet_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte sets the length of the reads the rest is cut into.
    const std::size_t piece = 1 + data[0] % 17;
    const std::uint8_t* stream = data + 1;
    const std::size_t length = size - 1;

    telnet::Decoder whole;
    std::vector<std::uint8_t> whole_data;
    std::vector<telnet::Event> whole_events;
    const telnet::DecodeResult whole_result = whole.Feed(stream, length, whole_data, whole_events);

    telnet::Decoder cut;
    std::vector<std::uint8_t> cut_data;
    std::vector<telnet::Event> cut_events;
    telnet::DecodeResult cut_result = telnet::DecodeResult::kOk;
    bool corrupt = false;
    for (std::size_t at = 0; at < length; at += piece) {
        const std::size_t n = at + piece <= length ? piece : length - at;
        cut_result = cut.Feed(stream + at, n, cut_data, cut_events);
        if (corrupt) FUZZ_CHECK(cut_result == telnet::DecodeResult::kCorrupt);
        corrupt = corrupt || cut_result == telnet::DecodeResult::kCorrupt;
    }
    FUZZ_CHECK(whole_data.size() <= length);
    for (const telnet::Event& e : whole_events) FUZZ_CHECK(e.payload.size() <= telnet::kSubnegotiationMax);
    FUZZ_CHECK(corrupt == (whole_result == telnet::DecodeResult::kCorrupt));
    if (!corrupt) {
        FUZZ_CHECK(cut_data == whole_data);
        FUZZ_CHECK(cut_events == whole_events);
    }
    return 0;
}
