// qlpDecodeText on arbitrary bytes; a decoded record must survive its own round trip.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "core/protocol/zum_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QlpCommand decoded;
    if (!qlpDecodeText(data, size, decoded)) return 0;
    (void)qlpCommandText(decoded);
    for (int i = 0; i < decoded.valueCount; ++i)
        if (decoded.values[static_cast<std::size_t>(i)] == -32768) return 0; // travels as 0 by design
    const std::vector<std::uint8_t> frame = qlpEncodeText(decoded);
    QlpCommand again;
    FUZZ_CHECK(qlpDecodeText(frame.data(), frame.size(), again));
    FUZZ_CHECK(again == decoded);
    return 0;
}
