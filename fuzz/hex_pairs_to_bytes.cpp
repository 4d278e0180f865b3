// Typed hex input: the first byte is the separator, the rest the text. The byte count is
// bounded by the pairs the text can hold, and hex written by the program reads back.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "core/util/convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char separator = static_cast<char>(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::uint8_t> bytes;
    const int n = hex_pairs_to_bytes(text, separator, bytes);
    FUZZ_CHECK(n >= 0 && static_cast<std::size_t>(n) == bytes.size());
    FUZZ_CHECK(bytes.size() <= text.size() / 2);
    if (text.size() < 2 || text.size() >= 1024) FUZZ_CHECK(n == 0);

    const std::string hex = bytes_to_hex_text(bytes, ',');
    if (hex.size() >= 2 && hex.size() < 1024) {
        std::vector<std::uint8_t> back;
        hex_pairs_to_bytes(hex, ',', back);
        FUZZ_CHECK(back == bytes);
    }
    for (int digits = 0; digits <= 9; ++digits) hex_text_to_int(text, digits);
    return 0;
}
