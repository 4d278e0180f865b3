#include "sim/sim_pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/serial/backend/termios2_rate.h"

UniqueFd::~UniqueFd() {
    reset();
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int UniqueFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

bool SimPty::open(std::uint32_t rate, std::string& error) {
    auto fail = [&](const char* step) {
        error = std::string(step) + ": " + std::strerror(errno);
        return false;
    };
    master_.reset(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master_.valid()) return fail("posix_openpt");
    if (grantpt(master_.get()) != 0) return fail("grantpt");
    if (unlockpt(master_.get()) != 0) return fail("unlockpt");
    char name[128];
    if (ptsname_r(master_.get(), name, sizeof name) != 0) return fail("ptsname");
    slave_path_ = name;
    slave_.reset(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!slave_.valid()) return fail(name);
    // Raw, so that a program that opens the port without setting it up still
    // hears the device's bytes unchanged; at the device's rate, so that it is
    // understood until someone programs another.
    termios t{};
    if (tcgetattr(slave_.get(), &t) != 0) return fail("tcgetattr");
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(slave_.get(), TCSANOW, &t) != 0) return fail("tcsetattr");
    if (!serial_set_exact_rate(slave_.get(), rate)) return fail("set rate");
    return true;
}
