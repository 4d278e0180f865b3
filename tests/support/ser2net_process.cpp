#include "support/ser2net_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <thread>

namespace {
constexpr const char* kSer2Net = "/usr/sbin/ser2net";
// ser2net is listening well within this on an idle machine; a loaded one may need more.
constexpr std::chrono::milliseconds kStartLimit{5000};

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}
} // namespace

int freeTcpPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

bool waitForListener(int port, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = loopback(port);
        const bool up = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(fd);
        if (up) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool Ser2Net::installed() {
    return access(kSer2Net, X_OK) == 0;
}

Ser2Net::Ser2Net(const std::string& device, Kind kind, int port) : kind_(kind) {
    if (port == 0) port = freeTcpPort();
    if (!installed() || port == 0) return;
    const std::string config = dir_.file("ser2net.yaml");
    {
        std::ofstream out(config);
        out << "connection: &line\n"
            << "  accepter: " << (kind == Kind::kRfc2217 ? "telnet(rfc2217),tcp," : "tcp,") << "127.0.0.1," << port << "\n"
            << "  connector: serialdev," << device << ",115200n81,local\n";
    }
    // -n: in the foreground, -u: no UUCP lock files (a test's pseudo-terminal needs none).
    child_ = std::make_unique<ChildProcess>(kSer2Net, std::vector<std::string>{"-n", "-u", "-c", config, "-P",
                                                                                dir_.file("ser2net.pid")});
    if (child_->started() && waitForListener(port, kStartLimit)) port_ = port;
    else log_ = child_->err();
}

std::string Ser2Net::address() const {
    return std::string(kind_ == Kind::kRfc2217 ? "rfc2217://" : "tcp://") + "127.0.0.1:" + std::to_string(port_);
}
