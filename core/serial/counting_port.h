// A Port that forwards to another and counts the bytes that cross the line: what a
// receive hands back and what a send wrote. The program wraps its one port in one, so
// every sender (commands, HEX, QLP, replies, panels, detect) counts, whatever kind of
// line carries it. The counts are atomics: the receive thread adds, the GUI thread reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "core/serial/port.h"

class CountingPort final : public Port {
public:
    // Forwards to `inner`, which outlives this port.
    explicit CountingPort(Port& inner) : inner_(inner) {}

    std::uint64_t received() const { return received_.load(std::memory_order_relaxed); }
    std::uint64_t sent() const { return sent_.load(std::memory_order_relaxed); }
    // Both counts back to 0 (a new configure, or the user's reset).
    void ResetCounts();
    // Called on the counting thread after a count grew; set before any thread uses the port.
    void SetCountsChanged(std::function<void()> changed) { changed_ = std::move(changed); }

    ComportStatus Open(const ComportSetting& setting) override { return inner_.Open(setting); }
    ComportStatus OpenPath(const std::string& path, const ComportSetting& setting) override {
        return inner_.OpenPath(path, setting);
    }
    ComportStatus Close(const ComportSetting& setting) override { return inner_.Close(setting); }
    ComportSetting Setting() const override { return inner_.Setting(); }
    bool IsOpen() const override { return inner_.IsOpen(); }

    ComportStatus Send(std::uint8_t* bytes, std::int32_t length) override;
    std::int32_t Receive(std::uint8_t* buffer, std::int32_t wait) override;
    void WaitReadable(int timeout_ms, const PortWake* wake) override { inner_.WaitReadable(timeout_ms, wake); }
    int TakeReceiveFault() override { return inner_.TakeReceiveFault(); }
    void Purge(PortQueue which) override { inner_.Purge(which); }

    std::uint32_t LastError() const override { return inner_.LastError(); }
    std::string ErrorText(std::uint32_t error) const override { return inner_.ErrorText(error); }
    bool ErrorInUse(std::uint32_t error) const override { return inner_.ErrorInUse(error); }

private:
    Port& inner_;
    std::atomic<std::uint64_t> received_{0};
    std::atomic<std::uint64_t> sent_{0};
    std::function<void()> changed_;
};
