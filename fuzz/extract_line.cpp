// The receive pipeline's line cutting on exact-size heap buffers, so a byte read or written
// past a buffer is caught. The first byte picks the terminator length (0 to 4), the next
// bytes are the terminator, the rest is what arrived.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "core/util/convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t terminator_length = data[0] % 5;
    if (size < 1 + terminator_length) return 0;
    const std::vector<std::uint8_t> terminator(data + 1, data + 1 + terminator_length);
    const std::vector<std::uint8_t> received(data + 1 + terminator_length, data + size);

    std::vector<std::uint8_t> buffer = received;
    auto count = static_cast<std::int32_t>(buffer.size());
    std::vector<std::uint8_t> joined;
    for (;;) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(count > 0 ? count : 1));
        const std::int32_t before = count;
        const std::int32_t n = extract_line(buffer.data(), count, terminator.data(),
                                            static_cast<std::int32_t>(terminator_length), out.data());
        if (n == 0) {
            FUZZ_CHECK(count == before);
            break;
        }
        FUZZ_CHECK(n > 0 && n <= before && count == before - n);
        const auto tail = static_cast<std::int32_t>(terminator_length);
        if (tail == 0) {
            FUZZ_CHECK(n == 1);
        } else {
            FUZZ_CHECK(n >= tail);
            FUZZ_CHECK(std::equal(terminator.begin(), terminator.end(), out.begin() + (n - tail)));
        }
        joined.insert(joined.end(), out.begin(), out.begin() + n);

        // The display path strips the line in place.
        std::vector<std::uint8_t> line(out.begin(), out.begin() + n);
        const int kept = strip_control_bytes(line.data(), n);
        FUZZ_CHECK(kept >= 0 && kept <= n);
    }
    joined.insert(joined.end(), buffer.begin(), buffer.begin() + count);
    FUZZ_CHECK(joined == received);
    return 0;
}
