#include "sim/request_framer.h"

namespace {
constexpr std::uint8_t kStart = '%';
constexpr std::uint8_t kEnd = 0x00;
} // namespace

void RequestFramer::feed(const std::uint8_t* bytes, std::size_t count,
                         std::vector<std::vector<std::uint8_t>>& frames) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        if (b == kStart) {
            // A new start marker abandons an unfinished frame: its end was lost.
            partial_.assign(1, b);
            collecting_ = true;
            continue;
        }
        if (!collecting_) continue;
        partial_.push_back(b);
        if (b == kEnd) {
            frames.push_back(std::move(partial_));
            reset();
        } else if (partial_.size() > kFrameMax) {
            reset();
        }
    }
}

void RequestFramer::reset() {
    partial_.clear();
    collecting_ = false;
}

int zumNumberCount(const std::vector<std::uint8_t>& frame) {
    std::size_t i = 0;
    while (i < frame.size() && frame[i] != ' ' && frame[i] != kEnd) ++i;
    while (i < frame.size() && frame[i] == ' ') ++i;
    if (i >= frame.size() || frame[i] == kEnd) return 0;
    int numbers = 1;
    for (; i < frame.size() && frame[i] != kEnd; ++i)
        if (frame[i] == ',') ++numbers;
    return numbers;
}
