// The local serial port: its descriptor, its line settings and its receive fault, the
// platform calls behind backend/port_system.h. The program keeps one of these behind
// the comport_* functions of comport.h; whatever talks to the line is given it as a Port.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "core/serial/backend/port_system.h"
#include "core/serial/port.h"
#include "core/serial/port_values.h"
#include "core/serial/port_wake.h"

class SerialPort final : public Port {
public:
    SerialPort() = default;
    ~SerialPort() override;

    // Open by COM number finds the device with comport_device_path.
    ComportStatus Open(const ComportSetting& setting) override;
    ComportStatus OpenPath(const std::string& path, const ComportSetting& setting) override;
    ComportStatus Close(const ComportSetting& setting) override;
    ComportSetting Setting() const override;
    bool IsOpen() const override;

    ComportStatus Send(std::uint8_t* bytes, std::int32_t length) override;
    std::int32_t Receive(std::uint8_t* buffer, std::int32_t wait) override;
    void WaitReadable(int timeout_ms, const PortWake* wake) override { WaitReadableOr(timeout_ms, wake, nullptr); }
    // The same wait, ended by a second wake too.
    void WaitReadableOr(int timeout_ms, const PortWake* wake, const PortWake* also);
    int TakeReceiveFault() override { return fault_report_.exchange(0); }
    void Purge(PortQueue which) override;

    std::uint32_t LastError() const override { return last_error_.load(); }
    std::string ErrorText(std::uint32_t error) const override;
    bool ErrorInUse(std::uint32_t error) const override;

private:
    ComportStatus OpenLocked(const std::string& path, const ComportSetting& setting);
    ComportStatus CloseLocked();
    void RecordFault(int err);

    // Opens and closes hold it exclusively; sends, purges, each receive poll and
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
