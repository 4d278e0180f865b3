#include "core/serial/net/network_port.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/serial/net/rfc2217.h"
#include "core/serial/port_guard.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace telnet;

// A write may take as long as its bytes need at the line's rate (the server passes
// them on no faster), plus this margin.
constexpr int kWriteMarginMs = 2000;
constexpr int kReceivePollMs = 1;
// Data kept while an open negotiates (a device that talks all the time fills this in
// a few seconds at 115200).
constexpr std::size_t kNegotiationDataMax = 64 * 1024;
// The RTS pulse of an open, as on a local port: low this long, then settle.
constexpr int kRtsLowMs = 100;
constexpr int kRtsSettleMs = 200;

int bits_per_char(const ComportSetting& s) {
    return 1 + s.databits + (s.parity != 0 ? 1 : 0) + (s.stopbits != 0 ? 2 : 1);
}

bool supported(std::uint8_t option) {
    return option == kOptionBinary || option == kOptionSuppressGoAhead || option == kOptionComPort;
}

} // namespace

NetworkPort::~NetworkPort() {
    std::lock_guard one_open(open_mutex_);
    PortExclusive guard(lock_, changed_);
    CloseLocked();
}

void NetworkPort::CloseLocked() {
    current_ = port_closed_setting();
    if (!socket_) return;
    net_close(socket_);
    socket_ = nullptr;
    session_ = next_port_session();
    std::lock_guard read(read_mutex_);
    pending_.clear();
    has_pending_ = false;
}

void NetworkPort::Fail(std::uint32_t error, const std::string& detail) {
    {
        std::lock_guard words(detail_mutex_);
        detail_ = detail;
    }
    last_error_ = error;
}

ComportStatus NetworkPort::Open(const ComportSetting& setting) {
    if (setting.port == 0) {
        std::lock_guard one_open(open_mutex_);
        PortExclusive guard(lock_, changed_);
        CloseLocked();
        return kComportNoneSetup;
    }
    return OpenPath(comport_device_path(setting.port), setting);
}

ComportStatus NetworkPort::OpenPath(const std::string& address, const ComportSetting& setting) {
    std::lock_guard one_open(open_mutex_);
    {
        PortExclusive guard(lock_, changed_);
        CloseLocked();
    }
    SocketHandle socket = nullptr;
    NetProtocol protocol = NetProtocol::kRfc2217;
    const ComportStatus status = Connect(address, setting, socket, protocol);
    if (status != kComportSuccess) return status;
    PortExclusive guard(lock_, changed_);
    socket_ = socket;
    protocol_ = protocol;
    session_ = next_port_session();
    faulted_ = false;
    fault_report_ = 0;
    current_ = setting;
    reported_ = current_;
    return kComportSuccess;
}

ComportStatus NetworkPort::Connect(const std::string& text, const ComportSetting& s, SocketHandle& socket_out,
                                   NetProtocol& protocol_out) {
    NetAddress address;
    if (!net_address_parse(text, address)) {
        Fail(kNetErrorNotAddress);
        return kComportInvalidHandle;
    }
    SocketHandle socket = nullptr;
    std::uint32_t err = 0;
    if (!net_connect(address.host, address.port, kNetConnectDeadlineMs, socket, err)) {
        Fail(err);
        return kComportInvalidHandle;
    }
    {
        std::lock_guard read(read_mutex_);
        decoder_.Reset();
        pending_.clear();
        has_pending_ = false;
        replies_.clear();
        std::fill(std::begin(ours_), std::end(ours_), OptionState::kOff);
        std::fill(std::begin(theirs_), std::end(theirs_), OptionState::kOff);
    }
    if (address.protocol == NetProtocol::kRfc2217) {
        const ComportStatus status = Negotiate(socket, s);
        if (status != kComportSuccess) {
            net_close(socket);
            return status;
        }
    }
    socket_out = socket;
    protocol_out = address.protocol;
    return kComportSuccess;
}

bool NetworkPort::WriteControl(SocketHandle socket, const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return true;
    std::lock_guard one_writer(write_mutex_);
    std::uint32_t err = 0;
    if (net_write_all(socket, bytes.data(), bytes.size(), kWriteMarginMs, err)) return true;
    last_error_ = err;
    return false;
}

bool NetworkPort::ReadNegotiation(SocketHandle socket, Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        Fail(kNetErrorNegotiation);
        return false;
    }
    std::uint32_t err = 0;
    const WaitOutcome waited = net_wait(socket, {}, static_cast<int>(left), err);
    if (waited == WaitOutcome::kFault) {
        Fail(err);
        return false;
    }
    if (waited != WaitOutcome::kReadable) return true; // the caller looks at the deadline again
    std::uint8_t raw[kComportReceiveMax];
    int n = 0;
    const IoResult r = net_read(socket, raw, sizeof raw, n, err);
    if (r == IoResult::kFault) {
        Fail(err);
        return false;
    }
    std::lock_guard read(read_mutex_);
    if (r == IoResult::kData && !Decode(socket, NetProtocol::kRfc2217, raw, n)) {
        Fail(kNetErrorMalformed);
        return false;
    }
    return true;
}

ComportStatus NetworkPort::Negotiate(SocketHandle socket, const ComportSetting& s) {
    struct Negotiating {
        explicit Negotiating(NetworkPort& p) : port(p) { Set(true); }
        ~Negotiating() { Set(false); }
        void Set(bool on) {
            std::lock_guard read(port.read_mutex_);
            port.negotiating_ = on;
            port.replies_.clear();
        }
        NetworkPort& port;
    } negotiating(*this);
    const auto deadline = Clock::now() + std::chrono::milliseconds(kNetConnectDeadlineMs);
    std::vector<std::uint8_t> hello;
    {
        std::lock_guard read(read_mutex_);
        for (std::uint8_t option : {kOptionComPort, kOptionBinary, kOptionSuppressGoAhead}) {
            AppendVerb(kWill, option, hello);
            ours_[option] = OptionState::kAsked;
        }
        for (std::uint8_t option : {kOptionBinary, kOptionSuppressGoAhead}) {
            AppendVerb(kDo, option, hello);
            theirs_[option] = OptionState::kAsked;
        }
    }
    if (!WriteControl(socket, hello)) return kComportInvalidHandle;
    auto com_port_state = [&] {
        std::lock_guard read(read_mutex_);
        return ours_[kOptionComPort];
    };
    // The deadline is a time-out; a broken stream or connection is the line's fault.
    const auto failed = [&] { return last_error_ == kNetErrorNegotiation ? kComportTimeOut : kComportGetError; };
    while (com_port_state() == OptionState::kAsked)
        if (!ReadNegotiation(socket, deadline)) return failed();
    if (com_port_state() != OptionState::kOn) {
        Fail(kNetErrorNoComPort);
        return kComportSetError;
    }

    // The line's settings, each answered by the server with the value it now has.
    const std::vector<rfc2217::Request> asked = rfc2217::LineRequests(s);
    std::vector<std::uint8_t> out;
    for (const rfc2217::Request& request : asked) AppendSubnegotiation(kOptionComPort, rfc2217::Payload(request), out);
    AppendSubnegotiation(kOptionComPort, rfc2217::Payload({rfc2217::kPurgeData, rfc2217::kPurgeBoth}), out);
    if (!WriteControl(socket, out)) return kComportInvalidHandle;
    std::vector<rfc2217::Request> answered(asked.size());
    std::size_t missing = asked.size() + 1; // and the purge
    bool purged = false;
    while (missing > 0) {
        if (!ReadNegotiation(socket, deadline)) return failed();
        std::lock_guard read(read_mutex_);
        for (const std::vector<std::uint8_t>& payload : replies_) {
            rfc2217::Request reply;
            if (!rfc2217::ParseReply(payload, reply)) continue;
            if (reply.command == rfc2217::kPurgeData && !purged) {
                purged = true;
                --missing;
                // What the line held before it was set up is not the device's answer to anything.
                pending_.clear();
                has_pending_ = false;
            }
            for (std::size_t i = 0; i < asked.size(); ++i) {
                if (asked[i].command == reply.command && answered[i].command == 0) {
                    answered[i] = reply;
                    --missing;
                }
            }
        }
        replies_.clear();
    }
    for (std::size_t i = 0; i < asked.size(); ++i) {
        if (answered[i].value != asked[i].value) {
            Fail(kNetErrorSettingRefused, "the server answered " + rfc2217::CommandName(asked[i].command) + " " +
                                              std::to_string(asked[i].value) + " with " +
                                              std::to_string(answered[i].value));
            return kComportSetError;
        }
    }

    // The RTS pulse a local open gives, which some devices take as a reset. The
    // server's answers are read later with the data and not checked: a line
    // without modem control (a pseudo-terminal) answers as it can.
    std::vector<std::uint8_t> low;
    AppendSubnegotiation(kOptionComPort, rfc2217::Payload({rfc2217::kSetControl, rfc2217::kControlRtsOff}), low);
    std::vector<std::uint8_t> high;
    AppendSubnegotiation(kOptionComPort, rfc2217::Payload({rfc2217::kSetControl, rfc2217::kControlRtsOn}), high);
    if (!WriteControl(socket, low)) return kComportInvalidHandle;
    delayTicks(kRtsLowMs);
    if (!WriteControl(socket, high)) return kComportInvalidHandle;
    delayTicks(kRtsSettleMs);
    return kComportSuccess;
}

bool NetworkPort::Decode(SocketHandle socket, NetProtocol protocol, const std::uint8_t* raw, int length) {
    if (protocol == NetProtocol::kRawTcp) {
        pending_.insert(pending_.end(), raw, raw + length);
        has_pending_ = !pending_.empty();
        return true;
    }
    std::vector<Event> events;
    const DecodeResult result = decoder_.Feed(raw, static_cast<std::size_t>(length), pending_, events);
    // While an open negotiates nobody takes data, and the purge that ends the
    // negotiation discards it anyway: a server flooding the line meanwhile must not
    // grow this without bound.
    if (negotiating_ && pending_.size() > kNegotiationDataMax) pending_.clear();
    has_pending_ = !pending_.empty();
    std::vector<std::uint8_t> answer;
    for (const Event& event : events) HandleEvent(event, answer);
    WriteControl(socket, answer);
    return result == DecodeResult::kOk;
}

// Agrees to what the program wants (COM-PORT-OPTION, BINARY and SUPPRESS-GO-AHEAD
// both ways) and refuses the rest; answers only a change of state, so two sides
// never bounce one request between them.
void NetworkPort::HandleEvent(const Event& event, std::vector<std::uint8_t>& answer) {
    OptionState& ours = ours_[event.option];
    OptionState& theirs = theirs_[event.option];
    switch (event.verb) {
    case kDo:
        if (!supported(event.option)) {
            AppendVerb(kWont, event.option, answer);
        } else if (ours != OptionState::kOn) {
            if (ours == OptionState::kOff) AppendVerb(kWill, event.option, answer);
            ours = OptionState::kOn;
        }
        break;
    case kDont:
        if (ours != OptionState::kOff) {
            if (ours == OptionState::kOn) AppendVerb(kWont, event.option, answer);
            ours = OptionState::kOff;
        }
        break;
    case kWill:
        if (!supported(event.option) || event.option == kOptionComPort) {
            AppendVerb(kDont, event.option, answer);
        } else if (theirs != OptionState::kOn) {
            if (theirs == OptionState::kOff) AppendVerb(kDo, event.option, answer);
            theirs = OptionState::kOn;
        }
        break;
    case kWont:
        if (theirs != OptionState::kOff) {
            if (theirs == OptionState::kOn) AppendVerb(kDont, event.option, answer);
            theirs = OptionState::kOff;
        }
        break;
    case kSb:
        // NOTIFY-LINESTATE, NOTIFY-MODEMSTATE and a server's signature are not needed:
        // only the replies an open waits for are kept, and only while it waits.
        if (event.option == kOptionComPort && negotiating_ && replies_.size() < 64) replies_.push_back(event.payload);
        break;
    default: break;
    }
}

ComportStatus NetworkPort::Close(const ComportSetting& setting) {
    std::lock_guard one_open(open_mutex_);
    PortExclusive guard(lock_, changed_);
    if (setting.port != reported_.port) return kComportSetError;
    if (!socket_) {
        current_ = port_closed_setting();
        return kComportInvalidHandle;
    }
    CloseLocked();
    reported_ = current_;
    return kComportSuccess;
}

ComportSetting NetworkPort::Setting() const {
    PortShared guard(lock_);
    return current_;
}

bool NetworkPort::IsOpen() const {
    PortShared guard(lock_);
    return socket_ != nullptr;
}

void NetworkPort::RecordFault(std::uint32_t error) {
    if (!faulted_.exchange(true)) {
        last_error_ = error;
        fault_report_ = static_cast<int>(error);
    }
}

ComportStatus NetworkPort::Send(std::uint8_t* bytes, std::int32_t length) {
    if (length < 0) return kComportSendError;
    if (length == 0) return kComportSendEmpty;
    PortShared guard(lock_);
    paritycheck_7bits_for_send(current_, bytes, length);
    if (!socket_) return kComportNoneSetup;
    std::vector<std::uint8_t> out;
    if (protocol_ == NetProtocol::kRfc2217) {
        out.reserve(static_cast<std::size_t>(length) + 16);
        Escape(bytes, static_cast<std::size_t>(length), out);
    } else {
        out.assign(bytes, bytes + length);
    }
    const std::int64_t rate = std::max<std::int32_t>(1, comport_programmed_rate(current_.baudrate, current_.fixrate));
    const int limit = static_cast<int>(std::int64_t(length) * bits_per_char(current_) * 1000 / rate) + kWriteMarginMs;
    std::lock_guard one_writer(write_mutex_);
    std::uint32_t err = 0;
    if (!net_write_all(socket_, out.data(), out.size(), limit, err)) {
        last_error_ = err;
        return kComportSendError;
    }
    return kComportSuccess;
}

std::int32_t NetworkPort::Receive(std::uint8_t* buffer, std::int32_t wait) {
    std::int32_t count = 0;
    std::int32_t countdown = 0;
    std::uint64_t session = 0;
    bool strip = false;
    for (bool first = true;; first = false) {
        PortShared guard(lock_);
        if (first) {
            if (!socket_ || faulted_) return 0;
            session = session_;
            strip = comport_seven_bit_parity(current_);
        } else if (session_ != session) {
            break;
        }
        std::lock_guard read(read_mutex_);
        const auto take = [&] {
            const std::size_t n = std::min<std::size_t>(pending_.size(), static_cast<std::size_t>(kComportReceiveMax - count));
            if (n == 0) return n;
            std::memcpy(buffer + count, pending_.data(), n);
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
            has_pending_ = !pending_.empty();
            count += static_cast<std::int32_t>(n);
            return n;
        };
        if (take() > 0 && count >= kComportReceiveMax) break;
        std::uint8_t raw[kComportReceiveMax];
        int n = 0;
        std::uint32_t err = 0;
        const IoResult r = net_read(socket_, raw, sizeof raw, n, err);
        if (r == IoResult::kFault) {
            RecordFault(err);
            break;
        }
        if (r == IoResult::kData) {
            if (!Decode(socket_, protocol_, raw, n)) {
                RecordFault(kNetErrorMalformed);
                take();
                break;
            }
            if (take() == 0) continue; // commands only: read on
            if (count >= kComportReceiveMax || wait <= 0) break;
            countdown = wait;
            continue;
        }
        if (countdown <= 0) break;
        if (net_wait(socket_, {}, kReceivePollMs, err) == WaitOutcome::kFault) {
            RecordFault(err);
            break;
        }
        --countdown;
    }
    if (count > 0 && strip) paritycheck_7bits_strip(buffer, count);
    return count;
}

void NetworkPort::WaitReadableOr(int timeout_ms, const PortWake* wake, const PortWake* also) {
    if (wake && fault_report_.load() != 0) return;
    PortShared guard(lock_);
    // Bytes decoded and not yet taken are readable now (none count while an open
    // negotiates: the port is not open yet).
    if (socket_ && !faulted_ && has_pending_.load()) return;
    // A failed connection reads as readable at once: only the wakes end the wait.
    const SocketHandle socket = socket_ && !faulted_ ? socket_ : nullptr;
    std::uint32_t err = 0;
    if (net_wait(socket, {&changed_, wake, also}, timeout_ms, err) == WaitOutcome::kFault) RecordFault(err);
}

void NetworkPort::Purge(PortQueue which) {
    PortShared guard(lock_);
    if (!socket_) return;
    if (which != PortQueue::kOutput) {
        std::lock_guard read(read_mutex_);
        // What already crossed the network is dropped here; the server drops the rest.
        std::uint8_t raw[kComportReceiveMax];
        int n = 0;
        std::uint32_t err = 0;
        while (net_read(socket_, raw, sizeof raw, n, err) == IoResult::kData) {
            std::vector<std::uint8_t> ignored;
            std::vector<Event> events;
            if (protocol_ == NetProtocol::kRfc2217) decoder_.Feed(raw, static_cast<std::size_t>(n), ignored, events);
            std::vector<std::uint8_t> answer;
            for (const Event& event : events) HandleEvent(event, answer);
            WriteControl(socket_, answer);
        }
        pending_.clear();
        has_pending_ = false;
    }
    if (protocol_ != NetProtocol::kRfc2217) return;
    const std::uint32_t value = which == PortQueue::kInput    ? rfc2217::kPurgeReceive
                                : which == PortQueue::kOutput ? rfc2217::kPurgeTransmit
                                                              : rfc2217::kPurgeBoth;
    std::vector<std::uint8_t> out;
    AppendSubnegotiation(kOptionComPort, rfc2217::Payload({rfc2217::kPurgeData, value}), out);
    WriteControl(socket_, out);
}

std::string NetworkPort::ErrorText(std::uint32_t error) const {
    std::string detail;
    {
        std::lock_guard words(detail_mutex_);
        detail = detail_;
    }
    switch (error) {
    case kNetErrorClosed: return "the server closed the connection";
    case kNetErrorConnectTime: return "no connection within 3 s";
    case kNetErrorResolveTime: return "the host name was not resolved within 3 s";
    case kNetErrorNotAddress: return "not an address (rfc2217://HOST:PORT or tcp://HOST:PORT)";
    case kNetErrorNegotiation: return "the server did not answer the Telnet negotiation within 3 s";
    case kNetErrorNoComPort: return "the server refuses the COM port option (RFC 2217)";
    case kNetErrorSettingRefused: return detail.empty() ? "the server set another value" : detail;
    case kNetErrorMalformed: return "the server sent a malformed Telnet sequence";
    default: return net_error_text(error);
    }
}

std::string net_reachability(const std::string& text) {
    NetAddress address;
    if (!net_address_parse(text, address)) return "(" + NetworkPort().ErrorText(kNetErrorNotAddress) + ")";
    SocketHandle socket = nullptr;
    std::uint32_t err = 0;
    if (!net_connect(address.host, address.port, kNetConnectDeadlineMs, socket, err))
        return "(" + NetworkPort().ErrorText(err) + ")";
    net_close(socket);
    return address.protocol == NetProtocol::kRawTcp ? "(reachable, settings are the server's)" : "(reachable)";
}
