// Brings a lost port back: watches the folders its device can reappear in (the ports
// folder's link, /dev/serial/by-id, /dev) and tries the port when one changes. A port
// that is no device file (a network line) is tried at most twice a second. Nothing
// runs while no port is lost.
#pragma once

#include <QObject>
#include <functional>
#include <string>

class QFileSystemWatcher;
class QTimer;

class PortReconnect : public QObject {
public:
    // `attempt` reopens the port and answers whether it is back.
    PortReconnect(std::function<bool()> attempt, QObject* parent);

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

    std::function<bool()> attempt_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* retry_ = nullptr;
    std::string device_;
    bool local_ = false;
    int tries_left_ = 0;
};
