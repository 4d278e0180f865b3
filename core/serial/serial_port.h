// One serial port: its descriptor, its line settings and its receive fault.
// Operations answer a ComportStatus or a byte count and never throw; the platform
// calls sit behind port_system.h. The program keeps exactly one of these, behind
// the comport_* functions of comport.h.
#pragma once

#if !defined(_WIN32)
#include <pthread.h>
#endif

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "core/serial/comport.h"
#include "core/serial/port_system.h"
#include "core/util/non_copyable.h"

// A reader-writer lock that prefers writers, so that a receive loop that keeps
// polling can never hold a configure or close off.
class PortLock : private NonCopyable {
public:
    PortLock();
    ~PortLock();

    void lock();
    void unlock();
    void lock_shared();
    void unlock_shared();

private:
#if defined(_WIN32)
    // An SRWLOCK: new shared acquirers queue behind a waiting exclusive one.
    void* lock_ = nullptr;
#else
    pthread_rwlock_t lock_;
#endif
};

class SerialPort : private NonCopyable {
public:
    SerialPort() = default;
    ~SerialPort();

    // Closes whatever is open, then opens COM setting.port (comport_device_path).
    // Port 0 only closes and answers kComportNoneSetup. A failed open leaves
    // nothing open. Success makes the setting the reported one.
    int Configure(const ComportSetting& setting);
    // The same for an explicit device; the setting's port number is kept as given
    // (0: the port has no COM number).
    int ConfigurePath(const std::string& path, const ComportSetting& setting);
    // Closes the port if setting.port is the reported one (else kComportSetError).
    int Close(const ComportSetting& setting);

    // The setting of the open port; the defaults when none is open.
    ComportSetting Setting() const;
    bool IsOpen() const;
    std::uint32_t LastError() const { return last_error_.load(); }

    // Applies the 7-bit parity rule to the caller's bytes in place, then writes
    // them all; two sends never interleave their bytes.
    int Send(std::uint8_t* bytes, std::int32_t length);
    // Collects queued bytes until the line was quiet for `wait` polls of about
    // 1 ms, at most kComportReceiveMax (`wait` 0: what one read finds queued).
    // A close or configure ends the collection with what was gathered.
    std::int32_t Receive(std::uint8_t* buffer, std::int32_t wait);
    // Blocks until bytes are queued, the port is opened, closed or reopened, `wake`
    // (if any) is raised, or timeout_ms passed (negative: no deadline). With no port
    // open (or a failed one) only the others end it.
    void WaitReadable(int timeout_ms, const PortWake* wake = nullptr);
    // The errno of a receive failure, once (see comport_take_receive_fault).
    int TakeReceiveFault() { return fault_report_.exchange(0); }
    bool FaultPending() const { return fault_report_.load() != 0; }
    // Flushes the queues named by PurgeWhich bits.
    void Purge(int which);

private:
    int OpenLocked(const std::string& path, const ComportSetting& setting);
    int CloseLocked();
    void RecordFault(int err);

    // Configure and close hold it exclusively; sends, purges, each receive poll and
    // each wait share it, so no one uses a descriptor that is being closed. Whoever
    // takes it exclusively raises changed_ first (ending every wait, which releases
    // its share at once) and clears it once holding it.
    mutable PortLock lock_;
    PortHandle port_ = kNoPortHandle; // guarded by lock_
    ComportSetting current_;       // guarded by lock_
    ComportSetting reported_;      // guarded by lock_
    std::uint64_t session_ = 0;    // guarded by lock_; changes with every open and close
    std::atomic<std::uint32_t> last_error_{0};
    std::atomic<bool> faulted_{false};    // the open port failed while receiving
    std::atomic<int> fault_report_{0};    // errno of that failure, until taken
    // When a read last found the input queue empty, on the process's port clock.
    std::atomic<std::uint64_t> empty_seen_{0};

    // Held for a whole write, so a send from the GUI thread and a reply from the
    // receive thread go out one after the other. Taken before lock_.
    std::mutex write_mutex_;

    PortWake changed_;
};
