// zebDecode on arbitrary bytes, and zebEncode on a block made of them: every frame
// the encoder gives decodes back to its block, and it refuses only a block whose
// 0xA8 would read back as an escape pair.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "core/protocol/zum_codec.h"

namespace {

// Sends the block and reads it back; checks what the encoder promises.
void checkRoundTrip(const ZebFrame& block) {
    const std::vector<std::uint8_t> frame = zebEncode(block);
    ZebFrame wire = block;
    wire.address &= 0xFF; // one address byte travels
    if (frame.empty()) {
        // Refused: the block (bytes 1-13 and the zero pad) holds 0xA8 before 0xA9..0xAC.
        std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(wire.address), block.code, block.count};
        bytes.insert(bytes.end(), block.data.begin(), block.data.end());
        std::vector<std::uint8_t> whole{0x00};
        whole.insert(whole.end(), bytes.begin(), bytes.end());
        const std::uint16_t check = qlpCrc16(whole.data(), whole.size());
        whole.push_back(static_cast<std::uint8_t>(check >> 8));
        whole.push_back(static_cast<std::uint8_t>(check & 0xFF));
        whole.push_back(0x00);
        bool ambiguous = false;
        for (std::size_t i = 0; i + 1 < whole.size(); ++i)
            ambiguous = ambiguous || (whole[i] == 0xA8 && whole[i + 1] >= 0xA9 && whole[i + 1] <= 0xAC);
        FUZZ_CHECK(ambiguous);
        return;
    }
    ZebFrame back;
    FUZZ_CHECK(zebDecode(frame.data(), frame.size(), back));
    FUZZ_CHECK(back == wire);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ZebFrame decoded;
    if (zebDecode(data, size, decoded)) {
        (void)zebFrameText(decoded);
        checkRoundTrip(decoded);
    }
    if (size >= 11) {
        ZebFrame block;
        block.address = data[0];
        block.code = data[1];
        block.count = data[2];
        for (std::size_t i = 0; i < block.data.size(); ++i) block.data[i] = data[3 + i];
        checkRoundTrip(block);
    }
    return 0;
}
