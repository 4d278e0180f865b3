#include "gui/main/port_reconnect.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "core/serial/system_ports.h"

PortReconnect::PortReconnect(std::function<bool()> attempt, QObject* parent)
    : QObject(parent), attempt_(std::move(attempt)) {
    watcher_ = new QFileSystemWatcher(this);
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    connect(retry_, &QTimer::timeout, this, &PortReconnect::Attempt);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        tries_left_ = kTriesAfterChange;
        Attempt();
    });
}

void PortReconnect::Start(const std::string& device) {
    Stop();
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
