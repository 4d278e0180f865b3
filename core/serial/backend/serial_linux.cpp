// The Linux side of the local serial port: termios (termios2 for rates the table
// lacks) on the device, epoll and poll for the waits, an eventfd for each wake. Every
// system call on the port lives here; it answers the seam of port_system.h.
#include "core/serial/backend/port_system.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "core/serial/backend/termios2_rate.h"

namespace {

speed_t standard_speed(std::uint32_t rate) {
    switch (rate) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

bool apply_frame(termios& t, const LineSettings& s) {
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    switch (s.databits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    case 8: t.c_cflag |= CS8; break;
    default: return false; // 4 data bits do not exist on a Linux UART
    }
    switch (s.parity) {
    case 0: break;
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break; // mark
    case 4: t.c_cflag |= PARENB | CMSPAR; break;          // space
    default: return false;
    }
    switch (s.stopbits) {
    case 0: break;
    // A UART gives 1.5 stop bits only with 5 data bits, where CSTOPB selects them.
    case 1:
        if (s.databits != 5) return false;
        t.c_cflag |= CSTOPB;
        break;
    case 2: t.c_cflag |= CSTOPB; break;
    default: return false;
    }
    return true;
}

// Unix98 pseudo-terminal slaves: majors 136 to 143.
bool is_pseudo_terminal(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

// glibc reads the line back after setting it and reports EINVAL when the data
// bits or the parity did not stick. A pseudo-terminal stores no framing at all
// (it always reads back 8 bits, no parity), so there that check says nothing.
bool set_line(int fd, const termios& t) {
    if (tcsetattr(fd, TCSANOW, &t) == 0) return true;
    return errno == EINVAL && is_pseudo_terminal(fd);
}

void set_rts(int fd, bool on) {
    int bits = TIOCM_RTS;
    // Pseudo-terminals and some adapters answer ENOTTY; the pulse is best effort.
    ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace

ComportStatus port_open(const std::string& path, const LineSettings& s, PortHandle& fd_out, int& errno_out) {
    fd_out = kNoPortHandle;
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        errno_out = errno;
        return kComportInvalidHandle;
    }
    if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        errno_out = errno;
        close(fd);
        return kComportInvalidHandle;
    }
    // Exclusive mode does not stop root: an advisory lock, dropped with the descriptor,
    // keeps a second copy of the program (root or not) off a port one already holds.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        errno_out = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);
        return kComportInvalidHandle;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        errno_out = errno;
        close(fd);
        return kComportGetError;
    }
    cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    speed_t speed = standard_speed(s.rate);
    bool ok = apply_frame(t, s);
    if (ok && speed != B0) ok = cfsetispeed(&t, speed) == 0 && cfsetospeed(&t, speed) == 0;
    if (!ok) {
        errno_out = EINVAL;
        close(fd);
        return kComportSetError;
    }
    if (!set_line(fd, t) || (speed == B0 && !serial_set_exact_rate(fd, s.rate))) {
        errno_out = errno;
        close(fd);
        return kComportSetError;
    }
    tcflush(fd, TCIOFLUSH);
    set_rts(fd, false);
    delayTicks(100);
    set_rts(fd, true);
    delayTicks(200);
    fd_out = fd;
    return kComportSuccess;
}

void port_close(PortHandle fd, const LineSettings& s) {
    if (fd < 0) return;
    // Flushing the output here would cut off the end of the last send.
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0) queued = 0;
    const int bits = 1 + s.databits + (s.parity != 0 ? 1 : 0) + (s.stopbits != 0 ? 2 : 1);
    const long long rate = s.rate > 0 ? s.rate : 1;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(queued * bits * 1000LL / rate + kCloseDrainMarginMs);
    // There is no descriptor to wait on for "output sent": look again every millisecond.
    while (queued > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (ioctl(fd, TIOCOUTQ, &queued) != 0) queued = 0;
    }
    tcflush(fd, queued > 0 ? TCIOFLUSH : TCIFLUSH);
    close(fd);
}

IoResult port_read(PortHandle fd, std::uint8_t* buffer, int max, int& n, int& errno_out) {
    n = 0;
    while (true) {
        ssize_t got = read(fd, buffer, static_cast<size_t>(max));
        if (got > 0) {
            n = static_cast<int>(got);
            return IoResult::kData;
        }
        if (got == 0) {
            // A tty reads end-of-file only after a hang-up.
            errno_out = EIO;
            return IoResult::kFault;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return IoResult::kNothing;
        errno_out = errno;
        return IoResult::kFault;
    }
}

IoResult port_wait_input(PortHandle fd, int timeout_ms, int& errno_out) {
    pollfd p{fd, POLLIN, 0};
    int r = poll(&p, 1, timeout_ms);
    if (r < 0) {
        if (errno == EINTR) return IoResult::kNothing;
        errno_out = errno;
        return IoResult::kFault;
    }
    if (r == 0) return IoResult::kNothing;
    if (p.revents & POLLIN) return IoResult::kData;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        errno_out = EIO;
        return IoResult::kFault;
    }
    return IoResult::kNothing;
}

bool port_write_all(PortHandle fd, const std::uint8_t* bytes, int length, int timeout_ms, int& errno_out) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int done = 0;
    while (done < length) {
        ssize_t n = write(fd, bytes + done, static_cast<size_t>(length - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            errno_out = errno;
            return false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            errno_out = ETIMEDOUT;
            return false;
        }
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            errno_out = EIO;
            return false;
        }
    }
    return true;
}

void port_purge(PortHandle fd, PortQueue which) {
    if (fd < 0) return;
    tcflush(fd, which == PortQueue::kBoth ? TCIOFLUSH : (which == PortQueue::kInput ? TCIFLUSH : TCOFLUSH));
}

std::string port_error_text(int error) {
    return std::generic_category().message(error);
}

bool port_error_in_use(int error) {
    // Exclusive mode, or the lock every copy of this program takes.
    return error == EBUSY;
}

PortLock::PortLock() {
    pthread_rwlockattr_t attr;
    pthread_rwlockattr_init(&attr);
    pthread_rwlockattr_setkind_np(&attr, PTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP);
    pthread_rwlock_init(&lock_, &attr);
    pthread_rwlockattr_destroy(&attr);
}

PortLock::~PortLock() {
    pthread_rwlock_destroy(&lock_);
}

void PortLock::lock() {
    pthread_rwlock_wrlock(&lock_);
}

void PortLock::unlock() {
    pthread_rwlock_unlock(&lock_);
}

void PortLock::lock_shared() {
    pthread_rwlock_rdlock(&lock_);
}

void PortLock::unlock_shared() {
    pthread_rwlock_unlock(&lock_);
}

namespace {
std::atomic<std::uint64_t> g_next_wake_id{1};
} // namespace

PortWake::PortWake() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), id_(g_next_wake_id.fetch_add(1)) {}

PortWake::~PortWake() {
    if (fd_ >= 0) close(fd_);
}

void PortWake::Raise() {
    raised_.store(true, std::memory_order_release);
    const std::uint64_t one = 1;
    // A full counter (never reached) already reads as raised.
    [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void PortWake::Clear() {
    if (!raised_.exchange(false, std::memory_order_acq_rel)) return;
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t n = read(fd_, &count, sizeof count);
}

void PortWake::Wait(int timeout_ms) const {
    int err = 0;
    port_wait(kNoPortHandle, {this}, timeout_ms, err);
}

namespace {
constexpr int kBlindWaitMs = 20;
} // namespace

WaitOutcome port_wait(PortHandle fd, std::initializer_list<const PortWake*> wakes, int timeout_ms, int& errno_out) {
    pollfd p[4];
    nfds_t n = 0;
    if (fd >= 0) p[n++] = pollfd{fd, POLLIN, 0};
    bool blind = false; // a wake without a descriptor (none could be made) cannot end the wait
    for (const PortWake* wake : wakes) {
        if (!wake) continue;
        if (wake->descriptor() < 0) blind = true;
        else if (n < 4) p[n++] = pollfd{wake->descriptor(), POLLIN, 0};
    }
    // Then its owner looks again now and then instead of never.
    if (blind && (timeout_ms < 0 || timeout_ms > kBlindWaitMs)) timeout_ms = kBlindWaitMs;
    int r = poll(p, n, timeout_ms < 0 ? -1 : timeout_ms);
    if (r < 0) {
        if (errno == EINTR) return WaitOutcome::kWoken;
        errno_out = errno;
        return WaitOutcome::kFault;
    }
    if (r == 0) return WaitOutcome::kDeadline;
    if (fd >= 0 && (p[0].revents & POLLIN)) return WaitOutcome::kReadable;
    if (fd >= 0 && (p[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
        errno_out = EIO;
        return WaitOutcome::kFault;
    }
    return WaitOutcome::kWoken;
}

namespace {

// One thread's epoll set over the port and its wakes, kept from one wait to the next
// while they stay the same. Named by the port's open and the wakes' ids: a closed
// descriptor leaves every epoll set by itself, and its number may come back for
// another file, which a set keyed by numbers would then never hear from.
//
// The port is watched edge-triggered: a level-triggered entry is asked again on every
// wait whether the terminal holds input, and the terminal answers "none" only after
// waiting for its input worker, which is often still finishing the arrival just read.
// The wakes stay level-triggered: their owners clear them.
class KeptWaitSet : private NonCopyable {
public:
    static constexpr int kMaxWakes = 3;

    ~KeptWaitSet() { Reset(); }

    // The set's descriptor, ready for these; -1 when none could be made. `fresh`: made
    // by this call, so the port's entry reports input already queued.
    int Prepare(int fd, std::uint64_t port_id, const std::array<const PortWake*, kMaxWakes>& wakes, int count,
                bool& fresh) {
        Key key{fd, fd >= 0 ? port_id : 0, {}, count};
        for (int i = 0; i < count; ++i) key.wakes[static_cast<std::size_t>(i)] = wakes[static_cast<std::size_t>(i)]->id();
        fresh = false;
        if (epoll_ >= 0 && key == key_) return epoll_;
        Reset();
        fresh = true;
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        bool added = epoll_ >= 0 && (fd < 0 || Add(fd, 0, EPOLLIN | EPOLLET));
        for (int i = 0; added && i < count; ++i)
            added = Add(wakes[static_cast<std::size_t>(i)]->descriptor(), static_cast<std::uint32_t>(i + 1), EPOLLIN);
        if (!added) {
            Reset();
            return -1;
        }
        key_ = key;
        return epoll_;
    }

private:
    struct Key {
        int fd = -1;
        std::uint64_t port_id = 0;
        std::array<std::uint64_t, kMaxWakes> wakes{};
        int count = 0;
        bool operator==(const Key&) const = default;
    };

    bool Add(int fd, std::uint32_t tag, std::uint32_t events) {
        epoll_event event{};
        event.events = events;
        event.data.u32 = tag; // 0: the port
        return epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) == 0;
    }
    void Reset() {
        if (epoll_ >= 0) close(epoll_);
        epoll_ = -1;
        key_ = Key{};
    }

    int epoll_ = -1;
    Key key_;
};

thread_local KeptWaitSet t_kept_wait_set;

} // namespace

WaitOutcome port_wait_again(PortHandle fd, std::uint64_t port_id, std::initializer_list<const PortWake*> wakes,
                            int timeout_ms, bool port_drained, int& errno_out) {
    std::array<const PortWake*, KeptWaitSet::kMaxWakes> list{};
    int count = 0;
    for (const PortWake* wake : wakes) {
        if (!wake) continue;
        // A wake without a descriptor needs port_wait's bounded wait.
        if (wake->descriptor() < 0 || count == KeptWaitSet::kMaxWakes) return port_wait(fd, wakes, timeout_ms, errno_out);
        list[static_cast<std::size_t>(count++)] = wake;
    }
    bool fresh = false;
    const int set = t_kept_wait_set.Prepare(fd, port_id, list, count, fresh);
    // Input the last wait told of may still be queued, and its edge will not come again.
    if (set < 0 || (fd >= 0 && !port_drained && !fresh)) return port_wait(fd, wakes, timeout_ms, errno_out);
    epoll_event events[KeptWaitSet::kMaxWakes + 1];
    int r = epoll_wait(set, events, KeptWaitSet::kMaxWakes + 1, timeout_ms < 0 ? -1 : timeout_ms);
    if (r < 0) {
        if (errno == EINTR) return WaitOutcome::kWoken;
        errno_out = errno;
        return WaitOutcome::kFault;
    }
    if (r == 0) return WaitOutcome::kDeadline;
    for (int i = 0; i < r; ++i) {
        if (events[i].data.u32 != 0) continue;
        if (events[i].events & EPOLLIN) return WaitOutcome::kReadable;
        if (events[i].events & (EPOLLHUP | EPOLLERR)) {
            errno_out = EIO;
            return WaitOutcome::kFault;
        }
    }
    return WaitOutcome::kWoken;
}
