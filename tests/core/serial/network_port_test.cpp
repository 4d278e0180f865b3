// The network port against Debian's ser2net serving a pseudo-terminal, and against
// small scripted servers for the faults ser2net never produces.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/serial/any_port.h"
#include "core/serial/net/network_port.h"
#include "core/serial/net/rfc2217.h"
#include "core/serial/net/telnet_codec.h"
#include "support/pty_pair.h"
#include "support/ser2net_process.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

ComportSetting line_at(std::int32_t baud) {
    ComportSetting s;
    s.port = 1;
    s.baudrate = baud;
    return s;
}

// What the port hands out within the limit, until n bytes came.
Bytes receive(Port& port, std::size_t n, std::chrono::milliseconds limit = 2000ms) {
    Bytes got;
    PortWake wake;
    const auto deadline = Clock::now() + limit;
    std::uint8_t buffer[kComportReceiveMax];
    while (got.size() < n && Clock::now() < deadline) {
        port.WaitReadable(50, &wake);
        const std::int32_t count = port.Receive(buffer, 0);
        got.insert(got.end(), buffer, buffer + count);
    }
    return got;
}

// Every byte value, 0xFF among them several times in a row as a ZEB frame may hold them.
Bytes every_byte() {
    Bytes b;
    for (int i = 0; i < 256; ++i) b.push_back(static_cast<std::uint8_t>(i));
    b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0x00, 0xFF});
    return b;
}

struct Served {
    Ser2Net::Kind kind;
    const char* name;
};

class OverSer2Net : public testing::TestWithParam<Served> {};

TEST_P(OverSer2Net, EveryByteTravelsBothWaysUnharmed) {
    SKIP_WITHOUT_SER2NET();
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    Ser2Net server(pty.slave_path(), GetParam().kind);
    ASSERT_TRUE(server.ok()) << server.log();
    AnyPort port;
    ASSERT_EQ(port.OpenPath(server.address(), line_at(38400)), kComportSuccess) << port.ErrorText(port.LastError());
    if (GetParam().kind == Ser2Net::Kind::kRfc2217) {
        EXPECT_EQ(pty.programmed_rate(), 38400u) << "the rate travels with RFC 2217";
    }
    Bytes out = every_byte();
    ASSERT_EQ(port.Send(out.data(), static_cast<std::int32_t>(out.size())), kComportSuccess);
    EXPECT_EQ(pty.read_exactly(out.size()), every_byte());
    pty.drain();
    ASSERT_TRUE(pty.write(every_byte()));
    EXPECT_EQ(receive(port, every_byte().size()), every_byte());
}

INSTANTIATE_TEST_SUITE_P(Kinds, OverSer2Net,
                         testing::Values(Served{Ser2Net::Kind::kRfc2217, "Rfc2217"}, Served{Ser2Net::Kind::kRawTcp, "RawTcp"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The server going away looks like an unplugged adapter: the fault once, then a port
// that waits quietly instead of spinning.
TEST(NetworkPortDrop, IsAReceiveFaultReportedOnce) {
    SKIP_WITHOUT_SER2NET();
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    auto server = std::make_unique<Ser2Net>(pty.slave_path());
    ASSERT_TRUE(server->ok()) << server->log();
    NetworkPort port;
    ASSERT_EQ(port.OpenPath(server->address(), line_at(115200)), kComportSuccess);
    ASSERT_TRUE(pty.write("AB"));
    EXPECT_EQ(receive(port, 2), (Bytes{'A', 'B'}));
    server.reset();
    PortWake wake;
    int fault = 0;
    for (auto deadline = Clock::now() + 2s; fault == 0 && Clock::now() < deadline;) {
        port.WaitReadable(100, &wake);
        std::uint8_t buffer[kComportReceiveMax];
        EXPECT_EQ(port.Receive(buffer, 0), 0);
        fault = port.TakeReceiveFault();
    }
    EXPECT_EQ(static_cast<std::uint32_t>(fault), kNetErrorClosed);
    EXPECT_EQ(port.ErrorText(static_cast<std::uint32_t>(fault)), "the server closed the connection");
    EXPECT_EQ(port.TakeReceiveFault(), 0);
    const auto rested = Clock::now();
    port.WaitReadable(200, &wake);
    EXPECT_GE(Clock::now() - rested, 150ms) << "a dropped connection must not read as readable";
}

// A server of the test's own on 127.0.0.1: `answer` gets each decoded command and
// what it writes back, after the client's connection was accepted.
class ScriptedServer {
public:
    using Answer = std::function<Bytes(const telnet::Event&)>;
    explicit ScriptedServer(Answer answer) : answer_(std::move(answer)) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 1) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        close(fd_);
    }
    std::string address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

private:
    void Serve() {
        const int client = accept(fd_, nullptr, nullptr);
        if (client < 0) return;
        timeval tick{0, 50000};
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
        telnet::Decoder decoder;
        while (!stop_) {
            std::uint8_t raw[512];
            const ssize_t n = recv(client, raw, sizeof raw, 0);
            if (n == 0) break;
            if (n < 0) continue;
            Bytes data;
            std::vector<telnet::Event> events;
            decoder.Feed(raw, static_cast<std::size_t>(n), data, events);
            for (const telnet::Event& e : events) {
                const Bytes reply = answer_(e);
                if (!reply.empty()) send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
        }
        close(client);
    }

    Answer answer_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Agrees to COM-PORT-OPTION and echoes every setting, the rate as `rate`.
Bytes server_setting_rate(const telnet::Event& e, std::uint32_t rate) {
    Bytes out;
    if (e.verb == telnet::kWill && e.option == telnet::kOptionComPort) telnet::AppendVerb(telnet::kDo, e.option, out);
    rfc2217::Request request;
    if (e.verb == telnet::kSb && !e.payload.empty()) {
        Bytes reply = e.payload;
        if (reply[0] == rfc2217::kSetBaudrate) reply = rfc2217::Payload({rfc2217::kSetBaudrate, rate});
        reply[0] = static_cast<std::uint8_t>(reply[0] + rfc2217::kServerOffset);
        telnet::AppendSubnegotiation(telnet::kOptionComPort, reply, out);
    }
    return out;
}

struct FaultCase {
    const char* name;
    ScriptedServer::Answer answer;
    ComportStatus status;
    std::string reason;
    std::chrono::milliseconds within;
};

class NetworkPortOpenFault : public testing::TestWithParam<FaultCase> {};

TEST_P(NetworkPortOpenFault, SaysWhatFailedInTime) {
    const FaultCase& c = GetParam();
    ScriptedServer server(c.answer);
    NetworkPort port;
    const auto started = Clock::now();
    EXPECT_EQ(port.OpenPath(server.address(), line_at(38400)), c.status);
    EXPECT_LT(Clock::now() - started, c.within);
    EXPECT_EQ(port.ErrorText(port.LastError()), c.reason);
    EXPECT_FALSE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Servers, NetworkPortOpenFault,
    testing::Values(
        FaultCase{"NeverNegotiates", [](const telnet::Event&) { return Bytes{}; }, kComportTimeOut,
                  "the server did not answer the Telnet negotiation within 3 s", 4500ms},
        FaultCase{"RefusesTheComPortOption",
                  [](const telnet::Event& e) {
                      Bytes out;
                      if (e.verb == telnet::kWill) telnet::AppendVerb(telnet::kDont, e.option, out);
                      return out;
                  },
                  kComportSetError, "the server refuses the COM port option (RFC 2217)", 1000ms},
        FaultCase{"AnswersAnotherRate", [](const telnet::Event& e) { return server_setting_rate(e, 9600); },
                  kComportSetError, "the server answered SET-BAUDRATE 38400 with 9600", 1000ms},
        FaultCase{"SendsAMalformedSequence", [](const telnet::Event&) { return Bytes{0xFF, 0x10}; }, kComportGetError,
                  "the server sent a malformed Telnet sequence", 1000ms}),
    [](const auto& info) { return std::string(info.param.name); });

// While an open waits for a server, the rest of the program asks the port whether it
// is open (the window, the status line) and must be answered at once.
TEST(NetworkPortOpening, HoldsNobodyWhileTheServerIsSilent) {
    ScriptedServer server([](const telnet::Event&) { return Bytes{}; });
    NetworkPort port;
    std::thread opener([&] { port.OpenPath(server.address(), line_at(115200)); });
    std::this_thread::sleep_for(200ms);
    const auto asked = Clock::now();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Setting().port, 0);
    EXPECT_LT(Clock::now() - asked, 100ms);
    opener.join();
}

// A bare listening socket takes a raw TCP connection: enough to see each way of
// writing the host reach it.
struct HostCase {
    const char* name;
    int family;
    const char* host;
};

class NetworkPortHost : public testing::TestWithParam<HostCase> {};

TEST_P(NetworkPortHost, ReachesTheListener) {
    const int listener = socket(GetParam().family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_storage any{};
    socklen_t len = 0;
    if (GetParam().family == AF_INET6) {
        auto& a = reinterpret_cast<sockaddr_in6&>(any);
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_loopback;
        len = sizeof a;
    } else {
        auto& a = reinterpret_cast<sockaddr_in&>(any);
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        len = sizeof a;
    }
    if (bind(listener, reinterpret_cast<sockaddr*>(&any), len) != 0 || listen(listener, 1) != 0) {
        close(listener);
        GTEST_SKIP() << "no loopback for this address family here";
    }
    getsockname(listener, reinterpret_cast<sockaddr*>(&any), &len);
    const int port = ntohs(GetParam().family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(any).sin6_port
                                                         : reinterpret_cast<sockaddr_in&>(any).sin_port);
    NetworkPort net;
    const std::string address = std::string("tcp://") + GetParam().host + ":" + std::to_string(port);
    EXPECT_EQ(net.OpenPath(address, line_at(115200)), kComportSuccess) << address << ": " << net.ErrorText(net.LastError());
    EXPECT_TRUE(net.IsOpen());
    close(listener);
}

INSTANTIATE_TEST_SUITE_P(Forms, NetworkPortHost,
                         testing::Values(HostCase{"Ipv4", AF_INET, "127.0.0.1"}, HostCase{"Ipv6", AF_INET6, "[::1]"},
                                         HostCase{"HostName", AF_INET, "localhost"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Whatever the resolver here says (no such name, no resolver at all), the open fails
// with its reason, and within the deadline.
TEST(NetworkPortOpenFault, UnknownHostSaysWhyInTime) {
    NetworkPort port;
    const auto started = Clock::now();
    EXPECT_EQ(port.OpenPath("rfc2217://no-such-host.invalid:2217", line_at(115200)), kComportInvalidHandle);
    EXPECT_LT(Clock::now() - started, 4s);
    EXPECT_NE(port.LastError(), 0u);
    EXPECT_FALSE(port.ErrorText(port.LastError()).empty());
}

TEST(NetworkPortOpenFault, NobodyListeningIsRefusedAtOnce) {
    NetworkPort port;
    const auto started = Clock::now();
    EXPECT_EQ(port.OpenPath("rfc2217://127.0.0.1:" + std::to_string(freeTcpPort()), line_at(115200)),
              kComportInvalidHandle);
    EXPECT_LT(Clock::now() - started, 1s);
    EXPECT_EQ(port.ErrorText(port.LastError()), "Connection refused");
}

// A ports-folder entry that is a file holding an address opens that address.
TEST(NetworkPortFolder, AComFileNamingAnAddressOpensIt) {
    SKIP_WITHOUT_SER2NET();
    ComPortFolder folder;
    PtyPair pty;
    Ser2Net server(pty.slave_path());
    ASSERT_TRUE(server.ok()) << server.log();
    ASSERT_TRUE(folder.address(4, "  " + server.address() + " \n# the climate chamber"));
    EXPECT_EQ(comport_device_path(4), server.address());
    AnyPort port;
    ComportSetting s = line_at(57600);
    s.port = 4;
    ASSERT_EQ(port.Open(s), kComportSuccess) << port.ErrorText(port.LastError());
    EXPECT_EQ(pty.programmed_rate(), 57600u);
}

} // namespace
