// The program's port: a local serial port or a network port, by what it is asked to
// open. A path (or a COM number's ports-folder entry) holding rfc2217:// or tcp://
// opens the network port, anything else the local one; the two are never open
// together. Everything else goes to the one last opened or tried, so a failed open's
// error and its text come from the kind that failed.
#pragma once

#include <atomic>
#include <mutex>

#include "core/serial/net/network_port.h"
#include "core/serial/port.h"
#include "core/serial/serial_port.h"

class AnyPort final : public Port {
public:
    AnyPort() = default;

    ComportStatus Open(const ComportSetting& setting) override;
    ComportStatus OpenPath(const std::string& path, const ComportSetting& setting) override;
    ComportStatus Close(const ComportSetting& setting) override { return Active().Close(setting); }
    ComportSetting Setting() const override { return Active().Setting(); }
    bool IsOpen() const override { return Active().IsOpen(); }

    ComportStatus Send(std::uint8_t* bytes, std::int32_t length) override { return Active().Send(bytes, length); }
    std::int32_t Receive(std::uint8_t* buffer, std::int32_t wait) override { return Active().Receive(buffer, wait); }
    // Ends when the other kind is opened too, so a waiting receive loop moves over to it.
    void WaitReadable(int timeout_ms, const PortWake* wake) override;
    int TakeReceiveFault() override { return Active().TakeReceiveFault(); }
    void Purge(PortQueue which) override { Active().Purge(which); }

    std::uint32_t LastError() const override { return Active().LastError(); }
    std::string ErrorText(std::uint32_t error) const override { return Active().ErrorText(error); }
    bool ErrorInUse(std::uint32_t error) const override { return Active().ErrorInUse(error); }

private:
    Port& Active();
    const Port& Active() const;
    // Makes the kind active, closing the other when it changes.
    Port& Select(bool network);

    SerialPort serial_;
    NetworkPort network_;
    std::atomic<bool> network_active_{false};
    std::mutex select_mutex_;
    // Raised when the active kind changes, ending a wait on the other one; the waiter
    // clears it before it looks at which kind is active.
    PortWake switched_;
};
