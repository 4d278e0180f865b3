#include "gui/windows/reachability_note.h"

#include <QLabel>

#include "core/serial/net/network_port.h"

ReachabilityNote::ReachabilityNote(MailboxPump& mailbox, QLabel* label)
    : mailbox_(mailbox), label_(label), box_(mailbox.AddReceiver([this](std::span<Letter> batch) {
          for (const Letter& letter : batch) Finished(letter);
      })) {}

ReachabilityNote::~ReachabilityNote() {
    if (worker_.joinable()) worker_.join();
}

void ReachabilityNote::Check(const std::string& address) {
    ++shown_;
    label_->setText(QString::fromStdString(address) + QStringLiteral("  (checking)"));
    if (running_) {
        next_ = address;
        return;
    }
    Start(address);
}

void ReachabilityNote::Start(const std::string& address) {
    if (worker_.joinable()) worker_.join(); // ended: its letter came
    running_ = true;
    const int box = box_.box();
    const auto request = static_cast<std::int64_t>(shown_);
    MailboxPump* mailbox = &mailbox_;
    worker_ = std::thread([mailbox, box, request, address] {
        mailbox->Post(box, address + "  " + net_reachability(address), request);
    });
}

void ReachabilityNote::Finished(const Letter& letter) {
    running_ = false;
    if (static_cast<std::uint64_t>(letter.number) == shown_) label_->setText(QString::fromStdString(letter.text));
    if (!next_.empty()) {
        const std::string address = std::move(next_);
        next_.clear();
        Start(address);
    }
}
