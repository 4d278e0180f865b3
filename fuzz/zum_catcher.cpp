// The catcher fed arbitrary reads at arbitrary times: no byte is lost or made up,
// a held piece stays within its bound, and an idle line gives everything out.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "core/protocol/zum_catcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ZumCatcher catcher;
    std::vector<std::uint8_t> out(ZumCatcher::kReadMax);
    auto now = ZumCatcher::Clock::time_point() + std::chrono::hours(1);
    std::size_t in = 0, given = 0, caught = 0;
    std::size_t pos = 0;
    // Each read: one byte for its length (255 for a full read), one for the time
    // since the last read, then its bytes.
    while (pos + 2 <= size) {
        const std::size_t wanted = data[pos] == 255 ? ZumCatcher::kReadMax : data[pos];
        const std::size_t length = std::min(wanted, size - pos - 2);
        now += std::chrono::milliseconds(data[pos + 1] % 64);
        pos += 2;
        const CatchResult r = catcher.feed(data + pos, length, now, out.data());
        pos += length;
        in += length;
        given += static_cast<std::size_t>(r.unknown_count);
        caught += r.caught;
        FUZZ_CHECK(catcher.held() + catcher.PendingUnknown() <= ZumCatcher::kHeldMax);
    }
    for (int i = 0; i < 3; ++i) {
        now += std::chrono::milliseconds(60);
        given += static_cast<std::size_t>(catcher.feed(nullptr, 0, now, out.data()).unknown_count);
    }
    FUZZ_CHECK(catcher.held() == 0 && catcher.PendingUnknown() == 0);
    // Every byte came out as unknown data or inside a caught frame of 4 to 128 bytes.
    FUZZ_CHECK(given <= in);
    FUZZ_CHECK(in - given >= 4 * caught && in - given <= 128 * caught);
    return 0;
}
