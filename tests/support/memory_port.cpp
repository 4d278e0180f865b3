#include "support/memory_port.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace {

// A PortWake is raised through its descriptor, which a condition variable cannot
// watch: while a wake is given, a wait looks at it this often.
constexpr auto kWakeLook = std::chrono::milliseconds(2);

ComportSetting defaults() {
    ComportSetting s;
    comport_default_setting(s);
    s.fixrate = 0;
    return s;
}

} // namespace

ComportStatus MemoryPort::CloseLocked() {
    current_ = defaults();
    if (!open_) return kComportInvalidHandle;
    open_ = false;
    ++session_;
    changed_.notify_all();
    return kComportSuccess;
}

ComportStatus MemoryPort::OpenLocked(const ComportSetting& setting) {
    CloseLocked();
    // As a port's open flushes its input: nothing from before the open is received.
    queued_.clear();
    fault_ = 0;
    open_ = true;
    ++session_;
    current_ = setting;
    reported_ = current_;
    changed_.notify_all();
    return kComportSuccess;
}

ComportStatus MemoryPort::Open(const ComportSetting& setting) {
    std::lock_guard lock(mutex_);
    if (setting.port == 0) {
        CloseLocked();
        return kComportNoneSetup;
    }
    return OpenLocked(setting);
}

ComportStatus MemoryPort::OpenPath(const std::string&, const ComportSetting& setting) {
    std::lock_guard lock(mutex_);
    return OpenLocked(setting);
}

ComportStatus MemoryPort::Close(const ComportSetting& setting) {
    std::lock_guard lock(mutex_);
    if (setting.port != reported_.port) return kComportSetError;
    const ComportStatus status = CloseLocked();
    if (status == kComportSuccess) reported_ = current_;
    return status;
}

ComportSetting MemoryPort::Setting() const {
    std::lock_guard lock(mutex_);
    return current_;
}

bool MemoryPort::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

ComportStatus MemoryPort::Send(std::uint8_t* bytes, std::int32_t length) {
    if (length < 0) return kComportSendError;
    if (length == 0) return kComportSendEmpty;
    std::lock_guard lock(mutex_);
    paritycheck_7bits_for_send(current_, bytes, length);
    if (!open_) return kComportNoneSetup;
    sent_.insert(sent_.end(), bytes, bytes + length);
    return kComportSuccess;
}

std::int32_t MemoryPort::Receive(std::uint8_t* buffer, std::int32_t) {
    std::lock_guard lock(mutex_);
    if (!open_) return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::size_t>(queued_.size(), kComportReceiveMax));
    std::copy_n(queued_.begin(), n, buffer);
    queued_.erase(queued_.begin(), queued_.begin() + n);
    if (comport_seven_bit_parity(current_)) paritycheck_7bits_strip(buffer, n);
    return n;
}

void MemoryPort::WaitReadable(int timeout_ms, const PortWake* wake) {
    std::unique_lock lock(mutex_);
    if (wake && fault_ != 0) return;
    const std::uint64_t session = session_;
    const auto ends = [&] {
        return (open_ && !queued_.empty()) || session_ != session || (wake && wake->raised());
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    while (!ends()) {
        auto until = timeout_ms < 0 ? std::chrono::steady_clock::time_point::max() : deadline;
        if (wake) until = std::min(until, std::chrono::steady_clock::now() + kWakeLook);
        if (changed_.wait_until(lock, until, ends)) return;
        if (timeout_ms >= 0 && std::chrono::steady_clock::now() >= deadline) return;
    }
}

int MemoryPort::TakeReceiveFault() {
    std::lock_guard lock(mutex_);
    return std::exchange(fault_, 0);
}

void MemoryPort::Purge(PortQueue which) {
    std::lock_guard lock(mutex_);
    // What was sent has left already: only the input can still be discarded.
    if (which != PortQueue::kOutput) queued_.clear();
}

std::uint32_t MemoryPort::LastError() const {
    std::lock_guard lock(mutex_);
    return last_error_;
}

std::string MemoryPort::ErrorText(std::uint32_t error) const {
    return std::generic_category().message(static_cast<int>(error));
}

bool MemoryPort::ErrorInUse(std::uint32_t) const {
    return false; // no other program can hold it
}

void MemoryPort::Queue(const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    queued_.insert(queued_.end(), bytes.begin(), bytes.end());
    changed_.notify_all();
}

void MemoryPort::Queue(std::string_view text) {
    Queue(bytes(text));
}

Bytes MemoryPort::TakeSent() {
    std::lock_guard lock(mutex_);
    return std::exchange(sent_, {});
}

void MemoryPort::Fail(int error) {
    std::lock_guard lock(mutex_);
    fault_ = error;
    last_error_ = static_cast<std::uint32_t>(error);
    changed_.notify_all();
}

Bytes MemoryFarEnd::read_quiet(std::chrono::milliseconds, std::chrono::milliseconds) {
    Bytes sent = port_.TakeSent();
    unread_.insert(unread_.end(), sent.begin(), sent.end());
    return std::exchange(unread_, {});
}

Bytes MemoryFarEnd::read_exactly(std::size_t n, std::chrono::milliseconds) {
    Bytes all = read_quiet();
    const std::size_t taken = std::min(n, all.size());
    unread_.assign(all.begin() + static_cast<std::ptrdiff_t>(taken), all.end());
    all.resize(taken);
    return all;
}
