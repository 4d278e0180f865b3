// The one way work done on other threads (the receive thread, the panels' and the
// detect window's workers) reaches the thread that shows it. Producers post letters
// from any thread; the consumer thread delivers them to their receivers in post
// order, consecutive letters for one receiver as one batch.
//
// Bounded: a producer that finds the mailbox full waits a little for the consumer,
// then drops the letter and counts it, so a stalled window can slow a producer but
// never stop it. Safe at shutdown: letters for a receiver that is gone are dropped,
// and after Close nothing is taken and the wake-up is never called again.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "core/util/non_copyable.h"

struct Letter {
    int box = 0;             // the receiver, as AddReceiver numbered it
    std::string text;
    std::int64_t number = 0; // a count, a length, a device ID, an errno ...
};

class Mailbox : private NonCopyable {
public:
    using Receiver = std::function<void(std::span<Letter> batch)>;
    using Wake = std::function<void()>;

    // A million lines of a flooding device take about a minute to pile up at 20,000
    // lines a second; a window that far behind has stopped, not slowed down.
    static constexpr std::size_t kDefaultCapacity = 1'000'000;
    // How long a producer waits for room before it drops the letter.
    static constexpr std::chrono::milliseconds kPostWait{100};

    explicit Mailbox(std::size_t capacity = kDefaultCapacity);

    // Consumer thread. Returns the box number letters for this receiver carry.
    int AddReceiver(Receiver receiver);
    // Consumer thread. Letters still queued for the box are dropped, uncounted.
    void RemoveReceiver(int box);

    // Called on the posting thread when a letter finds the mailbox empty (and after
    // a delivery that was asked for while one ran), so the consumer knows to deliver.
    void SetWake(Wake wake);

    // Any thread. Waits up to max_wait for room; false when the letter was dropped
    // (mailbox full or closed).
    bool Post(Letter letter, std::chrono::milliseconds max_wait = kPostWait);
    bool Post(int box, std::string text, std::int64_t number = 0) {
        return Post(Letter{box, std::move(text), number});
    }

    // Consumer thread: hands what is queued now to the receivers, oldest first, and
    // returns the number of letters handed over. A call made while a receiver runs
    // returns 0; the outer call then delivers again.
    std::size_t Deliver();

    // No letter is taken after this, and the wake-up is dropped; returns once no
    // wake-up is running.
    void Close();

    // Letters dropped because the mailbox was full, since the last call.
    std::uint64_t TakeDropped();
    std::size_t pending() const;

private:
    void CallWake();
    std::size_t DeliverTaken();

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable room_;
    std::vector<Letter> queue_;
    bool closed_ = false;
    std::uint64_t dropped_ = 0;

    // Held while the wake-up runs, so Close can wait for it.
    std::mutex wake_mutex_;
    Wake wake_;

    // Consumer thread only.
    std::map<int, Receiver> receivers_;
    int next_box_ = 1;
    bool delivering_ = false;
    bool missed_delivery_ = false;
};

// Removes its receiver when it goes, so a window that owns one can never be handed a
// letter after it was destroyed.
class MailboxReceiver {
public:
    MailboxReceiver() = default;
    MailboxReceiver(Mailbox& mailbox, Mailbox::Receiver receiver)
        : mailbox_(&mailbox), box_(mailbox.AddReceiver(std::move(receiver))) {}
    ~MailboxReceiver() { Reset(); }
    MailboxReceiver(MailboxReceiver&& other) noexcept { *this = std::move(other); }
    MailboxReceiver& operator=(MailboxReceiver&& other) noexcept {
        if (this != &other) {
            Reset();
            mailbox_ = other.mailbox_;
            box_ = other.box_;
            other.mailbox_ = nullptr;
            other.box_ = 0;
        }
        return *this;
    }

    int box() const { return box_; }
    void Reset() {
        if (mailbox_) mailbox_->RemoveReceiver(box_);
        mailbox_ = nullptr;
        box_ = 0;
    }

private:
    Mailbox* mailbox_ = nullptr;
    int box_ = 0;
};
