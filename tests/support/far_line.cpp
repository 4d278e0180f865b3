#include "support/far_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/serial/backend/termios2_rate.h"
#include "support/deadline.h"

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

FarLine::FarLine(const std::string& path, std::uint32_t rate) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    termios t{};
    if (tcgetattr(fd_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
    }
    if (!setRate(rate)) {
        ::close(fd_);
        fd_ = -1;
    }
}

FarLine::~FarLine() {
    if (fd_ >= 0) ::close(fd_);
}

bool FarLine::setRate(std::uint32_t rate) {
    return serial_set_exact_rate(fd_, rate);
}

bool FarLine::write(const Bytes& bytes) {
    return write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool FarLine::write(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
    return true;
}

Bytes FarLine::readQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
    Bytes out;
    out.swap(pending_);
    const auto deadline = Clock::now() + limit;
    while (true) {
        const int wait = std::min(static_cast<int>(quiet.count()), remaining_ms(deadline));
        pollfd p{fd_, POLLIN, 0};
        if (wait <= 0 || ::poll(&p, 1, wait) <= 0 || !(p.revents & POLLIN)) return out;
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) return out;
        out.insert(out.end(), buffer, buffer + n);
    }
}

Bytes FarLine::readFrame(std::chrono::milliseconds limit) {
    Bytes out;
    out.swap(pending_);
    const auto deadline = Clock::now() + limit;
    while (true) {
        const auto end = std::find(out.begin(), out.end(), 0);
        if (end != out.end()) {
            pending_.assign(end + 1, out.end());
            out.erase(end + 1, out.end());
            return out;
        }
        pollfd p{fd_, POLLIN, 0};
        const int wait = remaining_ms(deadline);
        if (wait <= 0 || ::poll(&p, 1, wait) <= 0 || !(p.revents & POLLIN)) return out;
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) return out;
        out.insert(out.end(), buffer, buffer + n);
    }
}

Bytes zum(std::string_view text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

std::string frameText(const Bytes& frame) {
    if (frame.empty()) return "(none)";
    std::string text(frame.begin(), frame.end());
    if (text.back() == '\0') text.pop_back();
    return text;
}
