#include "core/protocol/reply_fifo.h"

bool ReplyFifo::push(const QlpCommand& record) {
    const int write = write_.load(std::memory_order_relaxed);
    const int after = next(write);
    if (after == read_.load(std::memory_order_acquire)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    slots_[write] = record;
    write_.store(after, std::memory_order_release);
    // Taking the lock orders this push against a consumer that has just found the
    // ring empty and is about to wait, so the wake-up cannot be lost.
    { std::lock_guard<std::mutex> lock(wake_mutex_); }
    wake_.notify_one();
    return true;
}

bool ReplyFifo::pop(QlpCommand& out) {
    const int read = read_.load(std::memory_order_relaxed);
    if (read == write_.load(std::memory_order_acquire)) return false;
    out = slots_[read];
    read_.store(next(read), std::memory_order_release);
    return true;
}

bool ReplyFifo::WaitPop(QlpCommand& out, Clock::time_point deadline) {
    while (true) {
        if (pop(out)) return true;
        std::unique_lock<std::mutex> lock(wake_mutex_);
        const bool ready = wake_.wait_until(lock, deadline, [this] {
            return write_.load(std::memory_order_acquire) != read_.load(std::memory_order_relaxed);
        });
        if (!ready) return false;
    }
}

void ReplyFifo::reset() { read_.store(write_.load(std::memory_order_acquire), std::memory_order_release); }

int ReplyFifo::unread() const {
    const int write = write_.load(std::memory_order_acquire);
    const int read = read_.load(std::memory_order_acquire);
    return write >= read ? write - read : write + kSlots - read;
}
