// BSD sockets for the network port: getaddrinfo, a non-blocking connect with a
// deadline, poll for every wait.
#include "core/serial/net/net_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

struct NetSocket {
    int fd = -1;
};

namespace {

using Clock = std::chrono::steady_clock;

int left_ms(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, left));
}

// A wake without a descriptor cannot end a poll: its owner looks again this often.
constexpr int kBlindWaitMs = 20;

// One address within the deadline: 0 and the descriptor, or the error number.
int connect_one(const addrinfo& a, Clock::time_point deadline, int& fd_out) {
    int fd = socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
    if (fd < 0) return errno;
    int r = connect(fd, a.ai_addr, a.ai_addrlen);
    int err = r == 0 ? 0 : errno;
    if (err == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        do {
            r = poll(&p, 1, left_ms(deadline));
        } while (r < 0 && errno == EINTR);
        if (r == 0) {
            err = static_cast<int>(kNetErrorConnectTime);
        } else {
            socklen_t len = sizeof err;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        }
    }
    if (err != 0) {
        close(fd);
        return err;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_out = fd;
    return 0;
}

// One host name lookup on a thread of its own, so that the open can stop waiting at
// its deadline: getaddrinfo itself has none, and a resolver that does not answer
// holds it for as long as the system's resolver settings say.
struct Lookup {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;       // guarded by mutex
    int result = 0;          // guarded by mutex
    int system_error = 0;    // guarded by mutex: errno behind EAI_SYSTEM
    addrinfo* list = nullptr; // guarded by mutex; freed by whoever takes it
};

// The lookups given up on, joined once they end (looked at on every later lookup) or
// when the process ends.
class AbandonedLookups {
public:
    ~AbandonedLookups() {
        for (Entry& e : entries_) Finish(e);
    }
    void Add(std::thread thread, std::shared_ptr<Lookup> lookup) {
        std::lock_guard one(mutex_);
        entries_.push_back({std::move(thread), std::move(lookup)});
    }
    void JoinEnded() {
        std::lock_guard one(mutex_);
        std::erase_if(entries_, [](Entry& e) {
            {
                std::lock_guard state(e.lookup->mutex);
                if (!e.lookup->done) return false;
            }
            Finish(e);
            return true;
        });
    }

private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<Lookup> lookup;
    };
    static void Finish(Entry& e) {
        e.thread.join();
        if (e.lookup->list) freeaddrinfo(e.lookup->list);
        e.lookup->list = nullptr;
    }
    std::mutex mutex_;
    std::vector<Entry> entries_; // guarded by mutex_
};

AbandonedLookups g_abandoned;

// getaddrinfo within the deadline: 0 and the list (for freeaddrinfo), or the error number.
std::uint32_t resolve(const std::string& host, const std::string& port, Clock::time_point deadline, addrinfo*& out) {
    g_abandoned.JoinEnded();
    auto lookup = std::make_shared<Lookup>();
    std::thread thread([lookup, host, port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        // No AI_ADDRCONFIG: glibc then ignores loopback, and a machine whose only IPv4
        // address is 127.0.0.1 could not reach its own ser2net.
        addrinfo* list = nullptr;
        const int result = getaddrinfo(host.c_str(), port.c_str(), &hints, &list);
        const int system_error = errno;
        std::lock_guard state(lookup->mutex);
        lookup->result = result;
        lookup->system_error = system_error;
        lookup->list = result == 0 ? list : nullptr;
        lookup->done = true;
        lookup->ended.notify_all();
    });
    std::unique_lock state(lookup->mutex);
    if (!lookup->ended.wait_until(state, deadline, [&] { return lookup->done; })) {
        state.unlock();
        g_abandoned.Add(std::move(thread), std::move(lookup));
        return kNetErrorResolveTime;
    }
    const int result = lookup->result;
    const int system_error = lookup->system_error;
    out = lookup->list;
    lookup->list = nullptr;
    state.unlock();
    thread.join();
    if (result == EAI_SYSTEM) return static_cast<std::uint32_t>(system_error);
    if (result != 0) return kNetErrorResolve + static_cast<std::uint32_t>(result < 0 ? -result : result);
    return 0;
}

} // namespace

bool net_connect(const std::string& host, const std::string& port, int timeout_ms, SocketHandle& out,
                 std::uint32_t& error_out) {
    out = nullptr;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    addrinfo* list = nullptr;
    if (const std::uint32_t resolved = resolve(host, port, deadline, list); resolved != 0) {
        error_out = resolved;
        return false;
    }
    int err = ECONNREFUSED;
    for (addrinfo* a = list; a; a = a->ai_next) {
        if (left_ms(deadline) == 0) {
            err = static_cast<int>(kNetErrorConnectTime);
            break;
        }
        int fd = -1;
        err = connect_one(*a, deadline, fd);
        if (err == 0) {
            freeaddrinfo(list);
            out = new NetSocket{fd};
            return true;
        }
    }
    freeaddrinfo(list);
    error_out = static_cast<std::uint32_t>(err);
    return false;
}

void net_close(SocketHandle socket) {
    if (!socket) return;
    close(socket->fd);
    delete socket;
}

IoResult net_read(SocketHandle socket, std::uint8_t* buffer, int max, int& n, std::uint32_t& error_out) {
    n = 0;
    while (true) {
        const ssize_t got = recv(socket->fd, buffer, static_cast<size_t>(max), 0);
        if (got > 0) {
            n = static_cast<int>(got);
            // A server that leaves Nagle's algorithm on (ser2net does) holds the rest
            // of a reply until what it sent is acknowledged, and Linux delays that
            // acknowledgement by up to 40 ms: ask for it at once. The kernel drops
            // back to delaying by itself, so this is asked after every read.
            const int one = 1;
            setsockopt(socket->fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
            return IoResult::kData;
        }
        if (got == 0) {
            error_out = kNetErrorClosed;
            return IoResult::kFault;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return IoResult::kNothing;
        error_out = static_cast<std::uint32_t>(errno);
        return IoResult::kFault;
    }
}

bool net_write_all(SocketHandle socket, const std::uint8_t* bytes, std::size_t length, int timeout_ms,
                   std::uint32_t& error_out) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::size_t done = 0;
    while (done < length) {
        // MSG_NOSIGNAL: a connection the server dropped answers EPIPE instead of
        // ending the program with SIGPIPE.
        const ssize_t n = send(socket->fd, bytes + done, length - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            error_out = static_cast<std::uint32_t>(errno);
            return false;
        }
        const int left = left_ms(deadline);
        if (left == 0) {
            error_out = ETIMEDOUT;
            return false;
        }
        pollfd p{socket->fd, POLLOUT, 0};
        poll(&p, 1, left);
    }
    return true;
}

WaitOutcome net_wait(SocketHandle socket, std::initializer_list<const PortWake*> wakes, int timeout_ms,
                     std::uint32_t& error_out) {
    pollfd p[4];
    nfds_t n = 0;
    if (socket) p[n++] = pollfd{socket->fd, POLLIN, 0};
    bool blind = false;
    for (const PortWake* wake : wakes) {
        if (!wake) continue;
        if (wake->descriptor() < 0) blind = true;
        else if (n < 4) p[n++] = pollfd{wake->descriptor(), POLLIN, 0};
    }
    if (blind && (timeout_ms < 0 || timeout_ms > kBlindWaitMs)) timeout_ms = kBlindWaitMs;
    const int r = poll(p, n, timeout_ms < 0 ? -1 : timeout_ms);
    if (r < 0) {
        if (errno == EINTR) return WaitOutcome::kWoken;
        error_out = static_cast<std::uint32_t>(errno);
        return WaitOutcome::kFault;
    }
    if (r == 0) return WaitOutcome::kDeadline;
    // A hang-up reads as readable: the read then finds the end of the connection.
    if (socket && (p[0].revents & (POLLIN | POLLHUP | POLLERR))) return WaitOutcome::kReadable;
    return WaitOutcome::kWoken;
}

std::string net_error_text(std::uint32_t error) {
    if (error > kNetErrorResolve && error < kNetErrorResolve + 0x10000)
        return gai_strerror(-static_cast<int>(error - kNetErrorResolve));
    return std::generic_category().message(static_cast<int>(error));
}
