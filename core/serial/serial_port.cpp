#include "core/serial/serial_port.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "core/serial/port_guard.h"

namespace {

// Orders reads that found a port's input queue empty against the ends of each
// thread's waits: a wait may listen for new bytes alone only when such a read came
// after the thread's last wait ended (see port_wait_again).
std::atomic<std::uint64_t> g_port_clock{0};
thread_local std::uint64_t t_wait_ended = 0;

std::uint64_t tick() {
    return g_port_clock.fetch_add(1, std::memory_order_acq_rel) + 1;
}

// A write may take as long as its bytes need at the programmed rate, plus this margin.
constexpr int kWriteMarginMs = 2000;
// One quiet poll of a collection.
constexpr int kReceivePollMs = 1;

int bits_per_char(const ComportSetting& s) {
    return 1 + s.databits + (s.parity != 0 ? 1 : 0) + (s.stopbits != 0 ? 2 : 1);
}

LineSettings line_of(const ComportSetting& s) {
    LineSettings line;
    line.rate = static_cast<std::uint32_t>(std::max<std::int32_t>(0, comport_programmed_rate(s.baudrate, s.fixrate)));
    line.databits = s.databits;
    line.parity = s.parity;
    line.stopbits = s.stopbits;
    return line;
}

} // namespace

SerialPort::~SerialPort() {
    PortExclusive guard(lock_, changed_);
    CloseLocked();
}

ComportStatus SerialPort::CloseLocked() {
    const LineSettings line = line_of(current_);
    current_ = port_closed_setting();
    if (port_ == kNoPortHandle) return kComportInvalidHandle;
    port_close(port_, line);
    port_ = kNoPortHandle;
    session_ = next_port_session();
    return kComportSuccess;
}

ComportStatus SerialPort::OpenLocked(const std::string& path, const ComportSetting& s) {
    CloseLocked();
    const LineSettings line = line_of(s);
    PortHandle port = kNoPortHandle;
    int err = 0;
    const ComportStatus status = port_open(path, line, port, err);
    if (status != kComportSuccess) {
        last_error_ = static_cast<std::uint32_t>(err);
        return status;
    }
    port_ = port;
    session_ = next_port_session();
    faulted_ = false;
    fault_report_ = 0;
    current_ = s;
    return kComportSuccess;
}

ComportStatus SerialPort::Open(const ComportSetting& setting) {
    if (setting.port == 0) {
        PortExclusive guard(lock_, changed_);
        CloseLocked();
        return kComportNoneSetup;
    }
    return OpenPath(comport_device_path(setting.port), setting);
}

ComportStatus SerialPort::OpenPath(const std::string& path, const ComportSetting& setting) {
    ComportStatus status;
    {
        PortExclusive guard(lock_, changed_);
        status = OpenLocked(path, setting);
        if (status == kComportSuccess) reported_ = current_;
    }
    return status;
}

ComportStatus SerialPort::Close(const ComportSetting& setting) {
    PortExclusive guard(lock_, changed_);
    if (setting.port != reported_.port) return kComportSetError;
    const ComportStatus status = CloseLocked();
    if (status == kComportSuccess) reported_ = current_;
    return status;
}

ComportSetting SerialPort::Setting() const {
    PortShared guard(lock_);
    return current_;
}

bool SerialPort::IsOpen() const {
    PortShared guard(lock_);
    return port_ != kNoPortHandle;
}

void SerialPort::RecordFault(int err) {
    if (!faulted_.exchange(true)) {
        last_error_ = static_cast<std::uint32_t>(err);
        fault_report_ = err;
    }
}

ComportStatus SerialPort::Send(std::uint8_t* bytes, std::int32_t length) {
    if (length < 0) return kComportSendError;
    if (length == 0) return kComportSendEmpty;
    std::lock_guard one_writer(write_mutex_);
    PortShared guard(lock_);
    const ComportSetting& cur = current_;
    paritycheck_7bits_for_send(cur, bytes, length);
    if (port_ == kNoPortHandle) return kComportNoneSetup;
    // Earlier bytes still queued and input not yet read are kept: a send purges nothing.
    std::int64_t rate = std::max<std::int32_t>(1, comport_programmed_rate(cur.baudrate, cur.fixrate));
    int limit = static_cast<int>(std::int64_t(length) * bits_per_char(cur) * 1000 / rate) + kWriteMarginMs;
    int err = 0;
    if (!port_write_all(port_, bytes, length, limit, err)) {
        last_error_ = static_cast<std::uint32_t>(err);
        return kComportSendError;
    }
    return kComportSuccess;
}

std::int32_t SerialPort::Receive(std::uint8_t* buffer, std::int32_t wait) {
    std::int32_t count = 0;
    std::int32_t countdown = 0;
    std::uint64_t session = 0;
    bool strip = false;
    // The lock is taken for one read or one quiet poll at a time, so a configure
    // or close waits for at most one poll, never for a whole collection.
    for (bool first = true;; first = false) {
        PortShared guard(lock_);
        if (first) {
            if (port_ == kNoPortHandle || faulted_) return 0;
            session = session_;
            strip = comport_seven_bit_parity(current_);
        } else if (session_ != session) {
            break; // closed or reopened: the descriptor is no longer ours to read
        }
        int n = 0;
        int err = 0;
        const int asked = kComportReceiveMax - count;
        const std::uint64_t started = tick();
        IoResult r = port_read(port_, buffer + count, asked, n, err);
        if (r == IoResult::kNothing || (r == IoResult::kData && n < asked)) {
            // Everything queued when the read began is taken.
            std::uint64_t seen = empty_seen_.load(std::memory_order_relaxed);
            while (seen < started && !empty_seen_.compare_exchange_weak(seen, started, std::memory_order_acq_rel)) {
            }
        }
        if (r == IoResult::kData) {
            count += n;
            if (count >= kComportReceiveMax) break;
            // With no quiet time asked for, a read that left room took all that was
            // queued: reading again only to find nothing costs a system call per arrival.
            if (wait <= 0) break;
            countdown = wait;
            continue;
        }
        if (r == IoResult::kFault) {
            RecordFault(err);
            break;
        }
        if (countdown <= 0) break;
        if (port_wait_input(port_, kReceivePollMs, err) == IoResult::kFault) {
            RecordFault(err);
            break;
        }
        --countdown;
    }
    if (count > 0 && strip) paritycheck_7bits_strip(buffer, count);
    return count;
}

void SerialPort::WaitReadableOr(int timeout_ms, const PortWake* wake, const PortWake* also) {
    // A loop with a wake takes the port's failure after each step: it must get there
    // instead of resting on a port that will never be readable again.
    if (wake && fault_report_.load() != 0) return;
    PortShared guard(lock_);
    // A failed port would read as readable (hung up) at once: only the wakes end the wait.
    const PortHandle port = port_ != kNoPortHandle && !faulted_ ? port_ : kNoPortHandle;
    int err = 0;
    const bool drained = empty_seen_.load(std::memory_order_acquire) > t_wait_ended;
    WaitOutcome outcome = port_wait_again(port, session_, {&changed_, wake, also}, timeout_ms, drained, err);
    t_wait_ended = tick();
    if (outcome == WaitOutcome::kFault) RecordFault(err);
}

void SerialPort::Purge(PortQueue which) {
    PortShared guard(lock_);
    if (port_ != kNoPortHandle) port_purge(port_, which);
}

std::string SerialPort::ErrorText(std::uint32_t error) const {
    return port_error_text(static_cast<int>(error));
}

bool SerialPort::ErrorInUse(std::uint32_t error) const {
    return port_error_in_use(static_cast<int>(error));
}
