// A Port in memory, for tests of code that only sends and receives bytes: what the code
// sends is kept for the test to read, and what the test queues is what the code
// receives. It opens any COM number and any path; the line settings only decide the
// 7-bit parity rule, as on a real port. MemoryFarEnd reads it the way a test reads a
// pseudo-terminal's far end (PtyPair).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/serial/port.h"
#include "support/bytes.h"

class MemoryPort final : public Port {
public:
    ComportStatus Open(const ComportSetting& setting) override;
    ComportStatus OpenPath(const std::string& path, const ComportSetting& setting) override;
    ComportStatus Close(const ComportSetting& setting) override;
    ComportSetting Setting() const override;
    bool IsOpen() const override;

    ComportStatus Send(std::uint8_t* bytes, std::int32_t length) override;
    // What is queued, at most kComportReceiveMax; the queue is never quiet in between,
    // so `wait` changes nothing.
    std::int32_t Receive(std::uint8_t* buffer, std::int32_t wait) override;
    void WaitReadable(int timeout_ms, const PortWake* wake) override;
    int TakeReceiveFault() override;
    void Purge(PortQueue which) override;

    std::uint32_t LastError() const override;
    std::string ErrorText(std::uint32_t error) const override;
    bool ErrorInUse(std::uint32_t error) const override;

    // The test's side. Bytes for the code to receive; an open discards what came before
    // it, as a port's open flushes its input.
    void Queue(const Bytes& bytes);
    void Queue(std::string_view bytes);
    // Takes what the code sent so far.
    Bytes TakeSent();
    // The device goes away: the next TakeReceiveFault reports `error`, and a wait with
    // a wake returns at once until then.
    void Fail(int error);

private:
    ComportStatus OpenLocked(const ComportSetting& setting);
    ComportStatus CloseLocked();

    mutable std::mutex mutex_;
    std::condition_variable changed_; // bytes queued, or the port opened or closed
    bool open_ = false;
    std::uint64_t session_ = 0; // changes with every open and close
    ComportSetting current_;
    ComportSetting reported_;
    Bytes queued_;
    Bytes sent_;
    int fault_ = 0;
    std::uint32_t last_error_ = 0;
};

// The far end of a MemoryPort, read as a test reads a PtyPair. Sends are complete when
// they return, so nothing is waited for: the durations are accepted and not needed.
class MemoryFarEnd {
public:
    explicit MemoryFarEnd(MemoryPort& port) : port_(port) {}

    bool write(std::string_view bytes) {
        port_.Queue(bytes);
        return true;
    }
    bool write(const Bytes& bytes) {
        port_.Queue(bytes);
        return true;
    }
    // Everything sent and not read yet.
    Bytes read_quiet(std::chrono::milliseconds = {}, std::chrono::milliseconds = {});
    // The first n bytes not read yet (fewer if no more were sent); the rest stays.
    Bytes read_exactly(std::size_t n, std::chrono::milliseconds = {});
    void drain() { read_quiet(); }

private:
    MemoryPort& port_;
    Bytes unread_;
};
