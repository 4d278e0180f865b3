// What every kind of port guards its state with, and how it numbers its opens.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/serial/backend/port_system.h"
#include "core/serial/port_values.h"
#include "core/serial/port_wake.h"

// Ends every wait on the port before taking it, so a wait without a deadline never
// holds a configure or close off.
struct PortExclusive {
    PortExclusive(PortLock& l, PortWake& changed) : lock(l) {
        changed.Raise();
        lock.lock();
        changed.Clear();
    }
    ~PortExclusive() { lock.unlock(); }
    PortLock& lock;
};

struct PortShared {
    explicit PortShared(PortLock& l) : lock(l) { lock.lock_shared(); }
    ~PortShared() { lock.unlock_shared(); }
    PortLock& lock;
};

// Numbers every open and close of every port in the process, whatever its kind, so a
// session names one open of one port for good (a wait's kept epoll set relies on that).
inline std::uint64_t next_port_session() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1);
}

// The setting a port reports while nothing is open.
inline ComportSetting port_closed_setting() {
    ComportSetting s;
    comport_default_setting(s);
    s.fixrate = 0;
    return s;
}
