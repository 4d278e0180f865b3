#include "gui/main/mailbox_pump.h"

#include <QThread>
#include <QTimer>

MailboxPump::MailboxPump(QObject* parent) : QObject(parent) {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &MailboxPump::Tick);
    // While the timer is armed it delivers whatever comes: no wake-up needed.
    mailbox_.SetWake([this] {
        if (!armed_.load()) QMetaObject::invokeMethod(this, "Schedule", Qt::QueuedConnection);
    });
}

MailboxPump::~MailboxPump() {
    mailbox_.Close();
}

void MailboxPump::Post(Letter letter) {
    if (QThread::currentThread() != thread()) {
        mailbox_.Post(std::move(letter));
        return;
    }
    // The GUI thread never waits for itself: it makes room by delivering.
    if (!mailbox_.Post(letter, std::chrono::milliseconds(0))) {
        DeliverNow();
        mailbox_.Post(std::move(letter), std::chrono::milliseconds(0));
    }
    DeliverNow();
}

void MailboxPump::Queue(Letter letter) {
    const bool gui_thread = QThread::currentThread() == thread();
    // The GUI thread cannot wait for itself; a full mailbox drops its letter, counted.
    mailbox_.Post(std::move(letter), gui_thread ? std::chrono::milliseconds(0) : Mailbox::kPostWait);
}

void MailboxPump::Schedule() {
    if (timer_->isActive()) return;
    const qint64 since = last_delivery_.isValid() ? last_delivery_.elapsed() : kDeliverIntervalMs;
    if (since >= kDeliverIntervalMs) {
        DeliverNow();
        return;
    }
    Arm(static_cast<int>(kDeliverIntervalMs - since));
}

void MailboxPump::Arm(int ms) {
    armed_.store(true);
    timer_->start(ms);
}

void MailboxPump::Tick() {
    if (mailbox_.Deliver() > 0) {
        Delivered();
        return;
    }
    // Nothing came for a whole interval: the timer stops, and posters wake this thread
    // again. A letter posted while it still counted as armed is looked for after.
    armed_.store(false);
    if (mailbox_.pending() > 0) DeliverNow();
}

void MailboxPump::DeliverNow() {
    if (mailbox_.Deliver() > 0) Delivered();
}

void MailboxPump::Delivered() {
    last_delivery_.start();
    // Letters that follow closely are taken one interval later, without a wake-up each.
    Arm(kDeliverIntervalMs);
    if (std::uint64_t dropped = mailbox_.TakeDropped(); dropped > 0 && report_dropped_) report_dropped_(dropped);
}
