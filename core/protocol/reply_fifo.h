// The ring of caught replies between the receive thread (the one producer) and the
// thread that waits in an exchange (the one consumer).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "core/protocol/qlp_types.h"

class ReplyFifo {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kSlots = 200; // holds at most kSlots - 1 unread records

    // Producer. False when the ring is full: the new record is dropped and counted.
    bool push(const QlpCommand& record);

    // Consumer. False when nothing is unread.
    bool pop(QlpCommand& out);
    // Consumer. Blocks until a record is unread or the deadline passes.
    bool WaitPop(QlpCommand& out, Clock::time_point deadline);
    // Consumer. Discards every unread record.
    void reset();

    int unread() const;
    std::uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    static int next(int index) { return index + 1 == kSlots ? 0 : index + 1; }

    std::array<QlpCommand, kSlots> slots_{};
    // The write index is stored only by push, the read index only by the consumer.
    std::atomic<int> write_{0};
    std::atomic<int> read_{0};
    std::atomic<std::uint64_t> dropped_{0};
    // Only to wake a waiting consumer; the ring itself needs no lock.
    std::mutex wake_mutex_;
    std::condition_variable wake_;
};
