#include "core/util/mailbox.h"

#include <utility>

Mailbox::Mailbox(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

int Mailbox::AddReceiver(Receiver receiver) {
    const int box = next_box_++;
    receivers_.emplace(box, std::move(receiver));
    return box;
}

void Mailbox::RemoveReceiver(int box) {
    receivers_.erase(box);
}

void Mailbox::SetWake(Wake wake) {
    std::lock_guard lock(wake_mutex_);
    wake_ = std::move(wake);
}

bool Mailbox::Post(Letter letter, std::chrono::milliseconds max_wait) {
    bool was_empty = false;
    {
        std::unique_lock lock(mutex_);
        if (queue_.size() >= capacity_ && !closed_)
            room_.wait_for(lock, max_wait, [this] { return queue_.size() < capacity_ || closed_; });
        if (closed_) return false;
        if (queue_.size() >= capacity_) {
            ++dropped_;
            return false;
        }
        was_empty = queue_.empty();
        queue_.push_back(std::move(letter));
    }
    if (was_empty) CallWake();
    return true;
}

void Mailbox::CallWake() {
    std::lock_guard lock(wake_mutex_);
    if (wake_) wake_();
}

std::size_t Mailbox::Deliver() {
    if (delivering_) {
        missed_delivery_ = true;
        return 0;
    }
    delivering_ = true;
    std::size_t count = 0;
    // A delivery asked for while a receiver ran (a receiver posting on this thread, a
    // message box's event loop) is made right after, so such a letter is not held
    // back; a few passes at most, then the owner is woken instead.
    constexpr int kPasses = 4;
    for (int pass = 0; pass < kPasses; ++pass) {
        missed_delivery_ = false;
        count += DeliverTaken();
        if (!missed_delivery_) break;
    }
    delivering_ = false;
    if (missed_delivery_) {
        missed_delivery_ = false;
        CallWake();
    }
    return count;
}

std::size_t Mailbox::DeliverTaken() {
    std::vector<Letter> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(queue_);
    }
    if (taken.empty()) return 0;
    room_.notify_all();

    std::size_t first = 0;
    while (first < taken.size()) {
        const int box = taken[first].box;
        std::size_t end = first + 1;
        while (end < taken.size() && taken[end].box == box) ++end;
        // Looked up for each batch: an earlier receiver may have removed this one.
        if (auto found = receivers_.find(box); found != receivers_.end()) {
            // A copy, so a receiver may remove itself while it runs.
            Receiver receiver = found->second;
            receiver(std::span<Letter>(taken.data() + first, end - first));
        }
        first = end;
    }
    return taken.size();
}

void Mailbox::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        queue_.clear();
    }
    room_.notify_all();
    std::lock_guard lock(wake_mutex_);
    wake_ = nullptr;
}

std::uint64_t Mailbox::TakeDropped() {
    std::lock_guard lock(mutex_);
    return std::exchange(dropped_, 0);
}

std::size_t Mailbox::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}
