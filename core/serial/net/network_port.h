// A line on another machine: a serial port served over TCP (by ser2net or any RFC 2217
// server), opened by an address (net_address.h) instead of a device path. With
// rfc2217:// the line's settings, the RTS pulse of an open and the purges travel as
// COM-PORT-OPTION commands; with tcp:// only the bytes travel and the line is set up
// on the server. To everything above the Port interface it is a serial port: a
// connection the server drops is a receive fault, as an unplugged adapter is.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/serial/backend/port_system.h"
#include "core/serial/net/net_address.h"
#include "core/serial/net/net_socket.h"
#include "core/serial/net/telnet_codec.h"
#include "core/serial/port.h"

// Faults of the network port itself, beside the system's numbers (net_socket.h).
inline constexpr std::uint32_t kNetErrorNotAddress = kNetErrorOwn + 10;     // the path is no address
inline constexpr std::uint32_t kNetErrorNegotiation = kNetErrorOwn + 11;    // no answer to the negotiation
inline constexpr std::uint32_t kNetErrorNoComPort = kNetErrorOwn + 12;      // the server refuses RFC 2217
inline constexpr std::uint32_t kNetErrorSettingRefused = kNetErrorOwn + 13; // a setting answered with another value
inline constexpr std::uint32_t kNetErrorMalformed = kNetErrorOwn + 14;      // a broken Telnet sequence
// Whether a number is one of the network layer's own rather than the system's.
inline bool net_error_is_own(std::uint32_t error) {
    return error > kNetErrorOwn && error < kNetErrorOwn + 0x10000;
}

// The connection and the negotiation each get this long: a server that is not there
// or never answers is reported while the user still waits for it.
inline constexpr int kNetConnectDeadlineMs = 3000;

class NetworkPort final : public Port {
public:
    NetworkPort() = default;
    ~NetworkPort() override;

    // Open by COM number opens the address its ports-folder entry holds.
    ComportStatus Open(const ComportSetting& setting) override;
    ComportStatus OpenPath(const std::string& address, const ComportSetting& setting) override;
    ComportStatus Close(const ComportSetting& setting) override;
    ComportSetting Setting() const override;
    bool IsOpen() const override;

    ComportStatus Send(std::uint8_t* bytes, std::int32_t length) override;
    std::int32_t Receive(std::uint8_t* buffer, std::int32_t wait) override;
    void WaitReadable(int timeout_ms, const PortWake* wake) override { WaitReadableOr(timeout_ms, wake, nullptr); }
    // The same wait, ended by a second wake too.
    void WaitReadableOr(int timeout_ms, const PortWake* wake, const PortWake* also);
    int TakeReceiveFault() override { return fault_report_.exchange(0); }
    // RFC 2217 asks the server to purge its queues too.
    void Purge(PortQueue which) override;

    std::uint32_t LastError() const override { return last_error_.load(); }
    std::string ErrorText(std::uint32_t error) const override;
    bool ErrorInUse(std::uint32_t) const override { return false; }

private:
    enum class OptionState : std::uint8_t { kOff, kAsked, kOn };

    void CloseLocked();
    // Connects and, for RFC 2217, negotiates, holding no lock: the port is closed
    // meanwhile, and whoever asks whether it is open is answered at once.
    ComportStatus Connect(const std::string& address, const ComportSetting& setting, SocketHandle& socket,
                          NetProtocol& protocol);
    ComportStatus Negotiate(SocketHandle socket, const ComportSetting& setting);
    // Reads and decodes what the socket holds, waiting until `deadline` for the first
    // bytes: false on a fault (last_error_ set) or when the deadline passed.
    bool ReadNegotiation(SocketHandle socket, std::chrono::steady_clock::time_point deadline);
    // Decodes raw bytes into pending_ and answers the server's commands; false for a
    // malformed stream. read_mutex_ held.
    bool Decode(SocketHandle socket, NetProtocol protocol, const std::uint8_t* raw, int length);
    void HandleEvent(const telnet::Event& event, std::vector<std::uint8_t>& answer);
    // Writes protocol bytes (answers, commands). Holds write_mutex_.
    bool WriteControl(SocketHandle socket, const std::vector<std::uint8_t>& bytes);
    void Fail(std::uint32_t error, const std::string& detail = {});
    void RecordFault(std::uint32_t error);

    // One open or close at a time; held through a connection and its negotiation,
    // which take no other lock until the socket is ready.
    std::mutex open_mutex_;
    // As in SerialPort: installing and closing a socket hold it exclusively (raising
    // changed_ first); sends, purges, receive polls and waits share it.
    mutable PortLock lock_;
    SocketHandle socket_ = nullptr;                   // guarded by lock_
    NetProtocol protocol_ = NetProtocol::kRfc2217;    // guarded by lock_
    ComportSetting current_;                          // guarded by lock_
    ComportSetting reported_;                         // guarded by lock_
    std::uint64_t session_ = 0;                       // guarded by lock_

    // The Telnet state and the decoded bytes not yet handed out. Taken under lock_,
    // before write_mutex_.
    std::mutex read_mutex_;
    telnet::Decoder decoder_;
    std::vector<std::uint8_t> pending_;
    std::vector<std::vector<std::uint8_t>> replies_; // COM-PORT-OPTION replies while negotiating_
    bool negotiating_ = false;
    OptionState ours_[256] = {};   // options we do (WILL)
    OptionState theirs_[256] = {}; // options the server does (DO)
    std::atomic<bool> has_pending_{false};

    // Held for one whole write (data or protocol), so nothing is cut in half.
    std::mutex write_mutex_;

    std::atomic<std::uint32_t> last_error_{0};
    std::atomic<bool> faulted_{false};
    std::atomic<int> fault_report_{0};
    mutable std::mutex detail_mutex_;
    std::string detail_; // the words behind kNetErrorSettingRefused and kNetErrorNoComPort

    PortWake changed_;
};

// Whether the address takes a connection now, as the settings dialog shows it beside
// the port list: "(reachable)", "(reachable, settings are the server's)" for raw TCP,
// or the reason in brackets. Blocks up to kNetConnectDeadlineMs: call it off the GUI thread.
std::string net_reachability(const std::string& address);
