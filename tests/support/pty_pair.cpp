#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/serial/backend/termios2_rate.h"

namespace {
using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}
} // namespace

PtyPair::PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return;
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) return;
    slave_path_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) return;
    termios t{};
    if (tcgetattr(slave_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
    }
    int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
}

bool PtyPair::write(const std::vector<std::uint8_t>& bytes) {
    return write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool PtyPair::write(std::string_view bytes) {
    std::size_t done = 0;
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (done < bytes.size()) {
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (Clock::now() > deadline) return false;
        pollfd p{master_, POLLOUT, 0};
        poll(&p, 1, 10);
    }
    return true;
}

std::vector<std::uint8_t> PtyPair::read_quiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> out;
    auto deadline = Clock::now() + limit;
    while (true) {
        int wait = std::min(static_cast<int>(quiet.count()), remaining_ms(deadline));
        pollfd p{master_, POLLIN, 0};
        if (wait <= 0 || poll(&p, 1, wait) <= 0 || !(p.revents & POLLIN)) return out;
        std::uint8_t buf[4096];
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return out;
        out.insert(out.end(), buf, buf + n);
    }
}

std::vector<std::uint8_t> PtyPair::read_exactly(std::size_t count, std::chrono::milliseconds limit) {
    std::vector<std::uint8_t> out;
    auto deadline = Clock::now() + limit;
    while (out.size() < count) {
        int wait = remaining_ms(deadline);
        pollfd p{master_, POLLIN, 0};
        if (wait <= 0 || poll(&p, 1, wait) <= 0 || !(p.revents & POLLIN)) break;
        std::uint8_t buf[4096];
        ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - out.size()));
        if (n <= 0) break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

void PtyPair::drain() {
    read_quiet(std::chrono::milliseconds(5), std::chrono::milliseconds(200));
}

void PtyPair::close_far_end() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}

std::uint32_t PtyPair::programmed_rate() const {
    return serial_read_rate(slave_);
}

ComPortFolder::ComPortFolder() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        old_config_ = old;
        had_old_ = true;
    }
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    ports_ = dir_.path() + "/benchlink/ports";
    std::filesystem::create_directories(ports_);
}

ComPortFolder::~ComPortFolder() {
    if (had_old_)
        setenv("XDG_CONFIG_HOME", old_config_.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

bool ComPortFolder::address(int n, const std::string& address) {
    std::string name = ports_ + "/com" + std::to_string(n);
    std::error_code ec;
    std::filesystem::remove(name, ec);
    std::ofstream file(name);
    file << address << "\n";
    return static_cast<bool>(file.flush());
}

bool ComPortFolder::link(int n, const std::string& target) {
    std::string name = ports_ + "/com" + std::to_string(n);
    std::error_code ec;
    std::filesystem::remove(name, ec);
    std::filesystem::create_symlink(target, name, ec);
    return !ec;
}
