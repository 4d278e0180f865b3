// zikDecode on arbitrary bytes; a decoded frame with data survives its round trip.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "core/protocol/zum_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ZikFrame decoded;
    if (!zikDecode(data, size, decoded)) return 0;
    (void)zikFrameText(decoded);
    if (decoded.length == 0) return 0;
    const std::vector<std::uint8_t> frame = zikEncode(decoded);
    ZikFrame again;
    FUZZ_CHECK(zikDecode(frame.data(), frame.size(), again));
    FUZZ_CHECK(again.address == decoded.address);
    FUZZ_CHECK(again.length == decoded.length);
    FUZZ_CHECK(std::equal(again.data.begin(), again.data.begin() + again.length, decoded.data.begin()));
    return 0;
}
