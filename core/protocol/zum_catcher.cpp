#include "core/protocol/zum_catcher.h"

#include <algorithm>
#include <cstring>

#include "core/protocol/zum_codec.h"

namespace {
constexpr std::uint8_t kZumStart = '%';
constexpr std::uint8_t kFrameEnd = 0x00;
} // namespace

CatchResult ZumCatcher::feed(const std::uint8_t* bytes, std::size_t count, Clock::time_point now,
                             std::uint8_t* out) {
    count = std::min(count, kReadMax);
    if (count > 0) {
        std::memcpy(catch_.data() + catch_fill_, bytes, count);
        catch_fill_ += count;
        last_arrival_ = now;
    }

    // Bytes before a "%" stay; a frame runs from it to the next 0x00; a second "%"
    // before that 0x00 ends the pass. Each frame caught closes up the buffer, and
    // the search goes on after it.
    CatchResult result;
    std::size_t from = 0;
    std::size_t start = catch_fill_;
    bool unfinished = false;
    while (from < catch_fill_) {
        const void* marker = std::memchr(catch_.data() + from, kZumStart, catch_fill_ - from);
        if (marker == nullptr) {
            start = catch_fill_;
            break;
        }
        start = static_cast<std::size_t>(static_cast<const std::uint8_t*>(marker) - catch_.data());
        std::size_t pos = start + 1;
        while (pos < catch_fill_ && catch_[pos] != kFrameEnd && catch_[pos] != kZumStart) ++pos;
        if (pos == catch_fill_) {
            unfinished = true;
            break;
        }
        if (catch_[pos] == kZumStart) break;
        QlpCommand reply;
        if (result.caught < CatchResult::kRepliesMax && qlpDecodeText(catch_.data() + start, pos - start + 1, reply)) {
            result.replies[static_cast<std::size_t>(result.caught++)] = reply;
            std::memmove(catch_.data() + start, catch_.data() + pos + 1, catch_fill_ - pos - 1);
            catch_fill_ -= pos + 1 - start;
            from = start;
        } else {
            from = pos + 1; // not a frame: its bytes stay
        }
        start = catch_fill_;
    }
    const std::size_t fill = catch_fill_;

    if (unfinished && fill - start <= kHeldMax && now - last_arrival_ < kHeldExpiry) {
        MoveToUnknown(0, start);
        std::memmove(catch_.data(), catch_.data() + start, fill - start);
        catch_fill_ = fill - start;
    } else {
        MoveToUnknown(0, catch_fill_);
        catch_fill_ = 0;
    }

    const std::size_t given = std::min(unknown_fill_, kReadMax);
    std::memcpy(out, unknown_.data(), given);
    std::memmove(unknown_.data(), unknown_.data() + given, unknown_fill_ - given);
    unknown_fill_ -= given;
    result.unknown_count = static_cast<std::int32_t>(given);
    return result;
}

void ZumCatcher::MoveToUnknown(std::size_t from, std::size_t to) {
    // A held piece is at most kHeldMax and at most kReadMax bytes leave per call, so
    // the unknown buffer never holds more than kCapacity: the clamp never cuts.
    const std::size_t length = std::min(to - from, kCapacity - unknown_fill_);
    std::memcpy(unknown_.data() + unknown_fill_, catch_.data() + from, length);
    unknown_fill_ += length;
}

void ZumCatcher::ReleaseHeld() {
    MoveToUnknown(0, catch_fill_);
    catch_fill_ = 0;
}

void ZumCatcher::clear() {
    catch_fill_ = 0;
    unknown_fill_ = 0;
}
