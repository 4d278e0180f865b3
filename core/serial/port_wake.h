// A signal one thread raises to end another thread's wait on a port early (an eventfd
// on Linux, a manual-reset event on Windows; made by the platform's backend). It stays
// raised until cleared, so a raise just before the wait begins is never lost.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/util/non_copyable.h"

class PortWake : private NonCopyable {
public:
    PortWake();
    ~PortWake();
    // Any thread.
    void Raise();
    // Consumes a raised signal; costs no system call while none was raised.
    void Clear();
    bool raised() const { return raised_.load(); }
    // Blocks until raised or timeout_ms passed (negative: no deadline); does not clear.
    void Wait(int timeout_ms) const;
#if defined(_WIN32)
    void* event() const { return event_; }
#else
    int descriptor() const { return fd_; }
    // Never the same for two wakes of the process, unlike descriptor numbers.
    std::uint64_t id() const { return id_; }
#endif

private:
#if defined(_WIN32)
    void* event_ = nullptr; // HANDLE
#else
    int fd_ = -1;
    std::uint64_t id_ = 0;
#endif
    std::atomic<bool> raised_{false};
};
