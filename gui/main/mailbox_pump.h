// Delivers the mailbox's letters on the GUI thread at the drawing cadence: a letter
// after a quiet spell at once, letters that follow closely in batches at most every
// kDeliverIntervalMs (25 a second), so a busy line costs at most one paint per
// interval, and a line waits at most that long. While letters keep coming the timer
// takes them each interval (no wake-up per batch); one interval after the last, it stops.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <atomic>
#include <functional>

#include "core/util/mailbox.h"

class QTimer;

class MailboxPump : public QObject {
    Q_OBJECT

public:
    static constexpr int kDeliverIntervalMs = 40;

    explicit MailboxPump(QObject* parent = nullptr);
    ~MailboxPump() override;

    Mailbox& mailbox() { return mailbox_; }

    // Any thread. From the GUI thread the letter is delivered at once, after every
    // letter posted before it; from another thread it waits for the next batch.
    void Post(Letter letter);
    void Post(int box, std::string text, std::int64_t number = 0) { Post(Letter{box, std::move(text), number}); }
    // Any thread: the letter waits for the next delivery even on the GUI thread (for
    // callers holding a lock that a receiver might need, or showing nothing yet).
    void Queue(Letter letter);
    void Queue(int box, std::string text = {}, std::int64_t number = 0) {
        Queue(Letter{box, std::move(text), number});
    }
    MailboxReceiver AddReceiver(Mailbox::Receiver receiver) { return MailboxReceiver(mailbox_, std::move(receiver)); }

    // GUI thread: everything queued now, at once.
    void DeliverNow();
    // Told how many letters were dropped because the GUI thread fell behind.
    void SetDropReporter(std::function<void(std::uint64_t dropped)> report) { report_dropped_ = std::move(report); }

private:
    // Invoked by name from the posting thread, so the queued call is made and freed
    // inside Qt (whose event queue ThreadSanitizer cannot see into).
    Q_INVOKABLE void Schedule();
    void Arm(int ms);
    // The timer's turn: delivers, or stops when nothing came since the last delivery.
    void Tick();
    void Delivered();

    Mailbox mailbox_;
    QTimer* timer_ = nullptr;
    QElapsedTimer last_delivery_;
    // The timer runs (GUI thread writes; posting threads read to skip their wake-up).
    std::atomic<bool> armed_{false};
    std::function<void(std::uint64_t)> report_dropped_;
};
