// Picks ZUM reply frames out of the received byte stream and hands every other
// byte back as unknown data.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "core/protocol/qlp_types.h"

struct CatchResult {
    // Every frame of one read is caught (replies from two devices may arrive
    // together), up to this many; later ones are unknown data.
    static constexpr int kRepliesMax = 16;
    int caught = 0;
    std::array<QlpCommand, kRepliesMax> replies{};
    std::int32_t unknown_count = 0; // bytes handed out as unknown data
};

class ZumCatcher {
public:
    using Clock = std::chrono::steady_clock;
    // One read of the port brings at most this many bytes, and one call hands out
    // at most this many unknown bytes.
    static constexpr std::size_t kReadMax = 2048;
    // A ZUM frame is under 128 characters plus its 0x00, so a longer piece is none.
    static constexpr std::size_t kHeldMax = 128;
    // A USB adapter delivers the pieces of one reply a few ms apart; a piece that
    // stays unfinished this long is no reply.
    static constexpr Clock::duration kHeldExpiry = std::chrono::milliseconds(50);

    // Takes one read (count may be 0, at most kReadMax are taken) that arrived at
    // `now`, catches its frames, and copies the bytes that are not part of a
    // frame into out (room for kReadMax). An unfinished frame at the end of the
    // read is held for the next call unless it is too long or expired.
    CatchResult feed(const std::uint8_t* bytes, std::size_t count, Clock::time_point now, std::uint8_t* out);

    // The held piece becomes unknown data, handed out by the next feed.
    void ReleaseHeld();
    // Forgets held and unknown bytes.
    void clear();

    std::size_t held() const { return catch_fill_; }
    std::size_t PendingUnknown() const { return unknown_fill_; }

private:
    // Capacity for a held piece plus a full read, so nothing is ever cut off.
    static constexpr std::size_t kCapacity = kReadMax + kHeldMax;

    void MoveToUnknown(std::size_t from, std::size_t to);

    std::array<std::uint8_t, kCapacity> catch_{};
    std::size_t catch_fill_ = 0;
    std::array<std::uint8_t, kCapacity> unknown_{};
    std::size_t unknown_fill_ = 0;
    Clock::time_point last_arrival_{};
};
