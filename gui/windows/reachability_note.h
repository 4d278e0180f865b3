// The settings dialog's note beside a port whose entry names a network address: the
// address, then whether it takes a connection, checked on a thread of its own so the
// dialog never waits for a server that does not answer.
#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "gui/main/mailbox_pump.h"

class QLabel;

class ReachabilityNote {
public:
    ReachabilityNote(MailboxPump& mailbox, QLabel* label);
    // Joins a check still running (bounded by the connect deadline).
    ~ReachabilityNote();

    // GUI thread. Shows the address at once and the result when it comes; a check
    // asked while one runs replaces any waiting one and starts when that one ends.
    void Check(const std::string& address);
    // GUI thread: the label shows something else now; a result still to come is dropped.
    void Forget() { ++shown_; }

private:
    void Start(const std::string& address);
    void Finished(const Letter& letter);

    MailboxPump& mailbox_;
    QLabel* label_;
    MailboxReceiver box_;
    std::thread worker_;
    bool running_ = false;
    std::string next_;      // asked while a check ran
    std::uint64_t shown_ = 0; // which request the label shows
};
