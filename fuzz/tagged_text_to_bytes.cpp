// Typed command lines: any text either converts or is refused, and what converts to 7-bit
// bytes is written back as a text that converts to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "core/util/convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::uint8_t> bytes;
    const int n = tagged_text_to_bytes(text, bytes);
    if (n < 0) {
        FUZZ_CHECK(n == -1 && bytes.empty());
        return 0;
    }
    FUZZ_CHECK(size <= 1023);
    FUZZ_CHECK(static_cast<std::size_t>(n) == bytes.size() && bytes.size() <= size);

    bool seven_bit = true;
    for (std::uint8_t b : bytes) seven_bit = seven_bit && b < 0x80;
    const std::string again = bytes_to_tagged_text(bytes);
    if (seven_bit && again.size() <= 1023) {
        std::vector<std::uint8_t> back;
        FUZZ_CHECK(tagged_text_to_bytes(again, back) == n);
        FUZZ_CHECK(back == bytes);
    }
    return 0;
}
