// Gives the port back once the program that opened it exclusively has closed it.
//
// The driver opens its port with TIOCEXCL. The flag belongs to the terminal and
// outlives the descriptor that set it, and since the simulator holds a slave
// descriptor of its own the terminal is never released: without help, a user
// without CAP_SYS_ADMIN could open the simulated port only once.
#pragma once

#include <string>

#include "sim/sim_pty.h"

class SlaveWatch {
public:
    // Watches the slave for closes; false if inotify is not available.
    bool start(const std::string& slave_path, int own_slave);
    // The descriptor to poll for input; -1 when not started.
    int fd() const { return inotify_.get(); }
    // Takes the pending close events and lifts the exclusive flag if nobody
    // but the simulator still holds the slave.
    void closed();

private:
    bool HeldByOthers() const;

    UniqueFd inotify_;
    std::string slave_path_;
    int own_slave_ = -1;
};
