#include "gui/main/port_reconnect.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "core/serial/net/net_address.h"
#include "core/serial/net/network_port.h"
#include "core/serial/system_ports.h"

PortReconnect::PortReconnect(std::function<bool()> attempt, MailboxPump& mailbox, QObject* parent)
    : QObject(parent), attempt_(std::move(attempt)), mailbox_(mailbox),
      box_(mailbox.AddReceiver([this](std::span<Letter> batch) {
          for (const Letter& letter : batch) Looked(letter);
      })) {
    watcher_ = new QFileSystemWatcher(this);
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    connect(retry_, &QTimer::timeout, this, &PortReconnect::Attempt);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        tries_left_ = kTriesAfterChange;
        Attempt();
    });
}

PortReconnect::~PortReconnect() {
    if (look_.joinable()) look_.join();
}

void PortReconnect::Start(const std::string& device) {
    Stop();
    ++round_;
    device_ = device;
    local_ = comport_is_local_device(device);
    Rewatch();
    tries_left_ = 1;
    Attempt();
}

void PortReconnect::Stop() {
    device_.clear();
    retry_->stop();
    const QStringList watched = watcher_->directories();
    if (!watched.isEmpty()) watcher_->removePaths(watched);
}

// The folders to watch change as the device comes and goes (/dev/serial/by-id goes
// with the last USB adapter), and the ports folder may name another device meanwhile.
void PortReconnect::Rewatch() {
    if (!local_) return;
    QStringList wanted;
    for (const std::string& folder : comport_watch_folders(device_)) wanted << QString::fromStdString(folder);
    const QStringList watched = watcher_->directories();
    for (const QString& folder : watched)
        if (!wanted.contains(folder)) watcher_->removePath(folder);
    for (const QString& folder : wanted)
        if (!watched.contains(folder)) watcher_->addPath(folder);
}

void PortReconnect::Attempt() {
    if (device_.empty()) return;
    if (!local_ && net_address_named(device_)) {
        Look();
        return;
    }
    // A change in a watched folder that did not bring the device back (another
    // terminal's pseudo-terminal, another adapter) costs a look, not a try.
    const bool there = !local_ || QFileInfo::exists(QString::fromStdString(device_));
    if (there && attempt_()) {
        Stop();
        return;
    }
    local_ = comport_is_local_device(device_);
    Rewatch();
    // A device that is there but would not open yet is tried a few times more (udev
    // sets its permissions after making it); one that is not there waits for the
    // next change. A line that is no device file is tried until it answers.
    if (!local_ || (there && --tries_left_ > 0)) retry_->start(kRetryMs);
}

void PortReconnect::Look() {
    if (looking_) return; // its answer tries the port or waits again
    if (look_.joinable()) look_.join(); // ended: its letter came
    looking_ = true;
    const int box = box_.box();
    const auto round = static_cast<std::int64_t>(round_);
    MailboxPump* mailbox = &mailbox_;
    look_ = std::thread([mailbox, box, round, address = device_] {
        mailbox->Post(box, net_reachability(address), round);
    });
}

void PortReconnect::Looked(const Letter& letter) {
    looking_ = false;
    if (device_.empty()) return;
    // A look begun for an earlier loss: this one's port has not been looked at yet.
    if (static_cast<std::uint64_t>(letter.number) != round_) {
        Attempt();
        return;
    }
    // "(reachable)" or "(reachable, settings are the server's)": the open is quick now.
    if (letter.text.rfind("(reachable", 0) == 0 && attempt_()) {
        Stop();
        return;
    }
    retry_->start(kRetryMs);
}
