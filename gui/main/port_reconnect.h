// Brings a lost port back: watches the folders its device can reappear in (the ports
// folder's link, /dev/serial/by-id, /dev) and tries the port when one changes. A port
// that is no device file (a network line) is tried at most twice a second, and only
// once a look on a thread of its own found its server taking connections, so a host
// that does not answer never holds the window for the connect deadline. Nothing runs
// while no port is lost.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <thread>

#include "gui/main/mailbox_pump.h"

class QFileSystemWatcher;
class QTimer;

class PortReconnect : public QObject {
public:
    // `attempt` reopens the port and answers whether it is back; the network look's
    // answer comes through `mailbox`.
    PortReconnect(std::function<bool()> attempt, MailboxPump& mailbox, QObject* parent);
    // Joins a network look still running (bounded by the connect deadline).
    ~PortReconnect() override;

    // Starts watching for `device` (what the port opens: its ports-folder link or an
    // explicit path), and tries it once, for a device that came back before the watch began.
    void Start(const std::string& device);
    void Stop();
    bool Active() const { return !device_.empty(); }

    // Between two tries of a port no change announces; also how long a device that
    // just appeared is given to be ready (udev sets its permissions after making it).
    static constexpr int kRetryMs = 500;
    // Tries of a device that is there but would not open, before resting until the
    // next change.
    static constexpr int kTriesAfterChange = 4;

private:
    void Attempt();
    void Rewatch();
    // A line that is no device file: whether its server takes a connection, looked at
    // off the GUI thread; the answer is Looked.
    void Look();
    void Looked(const Letter& letter);

    std::function<bool()> attempt_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* retry_ = nullptr;
    std::string device_;
    bool local_ = false;
    int tries_left_ = 0;
    MailboxPump& mailbox_;
    MailboxReceiver box_;
    std::thread look_;
    bool looking_ = false;
    std::uint64_t round_ = 0; // which Start a look's answer belongs to
};
