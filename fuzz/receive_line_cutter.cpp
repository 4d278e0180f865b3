// The receive pipeline's line cutting as the receive thread drives it, in every line
// control mode: received bytes in chunks of up to 2048, change-line flushes between
// them. Whatever arrives, every byte comes out once, in order, in lines of at most
// 2048 bytes that end in the terminator unless the held buffer filled or a wait
// flushed them, and where the terminator first stands.
//
// Input: byte 0 picks the line control (low 3 bits), the receive mode and the QLP
// filter; in "Other" mode the text up to the first 0x00 (at most 8 characters) is the
// terminator field. The rest is cut into chunks: a byte gives the chunk's length
// (0 means a change-line flush), then that many received bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/comport.h"
#include "core/terminal/receive_pipeline.h"

namespace {
constexpr std::size_t kOtherFieldMax = 8;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int line_control = data[0] % 5;
    const int receive_mode = (data[0] >> 3) % 3;
    const bool qlp_filter = (data[0] & 0x40) != 0;
    std::size_t at = 1;
    std::string other;
    if (line_control == kLineControlOther) {
        while (at < size && data[at] != 0x00 && other.size() < kOtherFieldMax) other.push_back(static_cast<char>(data[at++]));
        if (at < size && data[at] == 0x00) ++at;
    }

    std::size_t shown = 0;
    // The chunks are handed in: the pipeline's port (the program's, never opened) is not read.
    ZumLink link(comport_port());
    ReceivePipeline pipeline(link, [&](const std::string&) { ++shown; });
    pipeline.SetLineControlMode(line_control, other);
    pipeline.SetReceiveMode(receive_mode);
    pipeline.SetQlpFilter(qlp_filter);
    const std::vector<std::uint8_t> terminator = pipeline.terminator();

    std::vector<std::uint8_t> received;
    std::vector<std::uint8_t> delivered;
    bool flushing = false;
    std::size_t lines = 0;
    pipeline.SetReplyHook([&](const std::uint8_t* line, std::int32_t length) {
        FUZZ_CHECK(length > 0 && length <= kReceiveHeldMax);
        if (terminator.empty()) {
            FUZZ_CHECK(length == 1 || length == kReceiveHeldMax || flushing);
        } else {
            // A line is cut where the terminator first stands, and holds it nowhere else;
            // a line shown without one (held buffer full, change-line wait) holds none.
            const std::uint8_t* first = std::search(line, line + length, terminator.begin(), terminator.end());
            const bool cut = first != line + length;
            FUZZ_CHECK(!cut || first + terminator.size() == line + length);
            FUZZ_CHECK(cut || length == kReceiveHeldMax || flushing);
        }
        delivered.insert(delivered.end(), line, line + length);
        ++lines;
    });

    while (at < size) {
        const std::size_t length = data[at++] * 8u; // up to 2040 bytes a chunk
        if (length == 0) {
            flushing = true;
            pipeline.MarkWaitElapsed();
            pipeline.IdlePoll();
            flushing = false;
            continue;
        }
        const std::size_t n = std::min(length, size - at);
        received.insert(received.end(), data + at, data + at + n);
        pipeline.AcceptChunk(data + at, static_cast<std::int32_t>(n));
        at += n;
        FUZZ_CHECK(pipeline.accumulated() >= 0 && pipeline.accumulated() < kReceiveHeldMax);
    }
    flushing = true;
    pipeline.MarkWaitElapsed();
    pipeline.IdlePoll();
    FUZZ_CHECK(pipeline.accumulated() == 0);
    FUZZ_CHECK(delivered == received);
    FUZZ_CHECK(shown == lines);
    return 0;
}
