// Winsock for the network port: getaddrinfo, a non-blocking connect with a deadline,
// and for the waits an event per socket (WSAEventSelect) waited on beside the wakes'
// events. Winsock is started once for the process on the first connect.
#include "core/serial/net/net_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <mutex>

struct NetSocket {
    SOCKET socket = INVALID_SOCKET;
    WSAEVENT event = WSA_INVALID_EVENT; // reads and the end of the connection
};

namespace {

using Clock = std::chrono::steady_clock;

int left_ms(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, left));
}

constexpr DWORD kBlindWaitMs = 20;

bool winsock_started() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data;
        started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started;
}

std::uint32_t last_error() {
    return static_cast<std::uint32_t>(WSAGetLastError());
}

// select() for one socket: the connect's end or room to write.
int wait_writable(SOCKET s, int timeout_ms) {
    fd_set write_set;
    fd_set error_set;
    FD_ZERO(&write_set);
    FD_ZERO(&error_set);
    FD_SET(s, &write_set);
    FD_SET(s, &error_set);
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    return select(0, nullptr, &write_set, &error_set, &tv);
}

std::uint32_t connect_one(const addrinfo& a, Clock::time_point deadline, SOCKET& out) {
    SOCKET s = WSASocketW(a.ai_family, a.ai_socktype, a.ai_protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return last_error();
    u_long non_blocking = 1;
    ioctlsocket(s, FIONBIO, &non_blocking);
    std::uint32_t err = 0;
    if (connect(s, a.ai_addr, static_cast<int>(a.ai_addrlen)) != 0) {
        err = last_error();
        if (err == WSAEWOULDBLOCK) {
            const int r = wait_writable(s, left_ms(deadline));
            if (r == 0) {
                err = kNetErrorConnectTime;
            } else {
                int so_error = 0;
                int len = sizeof so_error;
                err = getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &len) == 0
                          ? static_cast<std::uint32_t>(so_error)
                          : last_error();
            }
        }
    }
    if (err != 0) {
        closesocket(s);
        return err;
    }
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    out = s;
    return 0;
}

} // namespace

bool net_connect(const std::string& host, const std::string& port, int timeout_ms, SocketHandle& out,
                 std::uint32_t& error_out) {
    out = nullptr;
    if (!winsock_started()) {
        error_out = WSASYSNOTREADY;
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    // Windows' resolver answers with Winsock error numbers, which the system can say.
    if (const int resolved = getaddrinfo(host.c_str(), port.c_str(), &hints, &list); resolved != 0) {
        error_out = static_cast<std::uint32_t>(resolved);
        return false;
    }
    std::uint32_t err = WSAECONNREFUSED;
    for (addrinfo* a = list; a; a = a->ai_next) {
        if (left_ms(deadline) == 0) {
            err = kNetErrorConnectTime;
            break;
        }
        SOCKET s = INVALID_SOCKET;
        err = connect_one(*a, deadline, s);
        if (err != 0) continue;
        WSAEVENT event = WSACreateEvent();
        if (event == WSA_INVALID_EVENT || WSAEventSelect(s, event, FD_READ | FD_CLOSE) != 0) {
            err = last_error();
            if (event != WSA_INVALID_EVENT) WSACloseEvent(event);
            closesocket(s);
            continue;
        }
        freeaddrinfo(list);
        out = new NetSocket{s, event};
        return true;
    }
    freeaddrinfo(list);
    error_out = err;
    return false;
}

void net_close(SocketHandle socket) {
    if (!socket) return;
    closesocket(socket->socket);
    WSACloseEvent(socket->event);
    delete socket;
}

IoResult net_read(SocketHandle socket, std::uint8_t* buffer, int max, int& n, std::uint32_t& error_out) {
    n = 0;
    const int got = recv(socket->socket, reinterpret_cast<char*>(buffer), max, 0);
    if (got > 0) {
        n = got;
        return IoResult::kData;
    }
    if (got == 0) {
        error_out = kNetErrorClosed;
        return IoResult::kFault;
    }
    const std::uint32_t err = last_error();
    if (err == WSAEWOULDBLOCK) return IoResult::kNothing;
    error_out = err;
    return IoResult::kFault;
}

bool net_write_all(SocketHandle socket, const std::uint8_t* bytes, std::size_t length, int timeout_ms,
                   std::uint32_t& error_out) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::size_t done = 0;
    while (done < length) {
        const int chunk = static_cast<int>(std::min<std::size_t>(length - done, 1 << 20));
        const int n = send(socket->socket, reinterpret_cast<const char*>(bytes + done), chunk, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        const std::uint32_t err = last_error();
        if (err != WSAEWOULDBLOCK) {
            error_out = err;
            return false;
        }
        const int left = left_ms(deadline);
        if (left == 0) {
            error_out = WSAETIMEDOUT;
            return false;
        }
        wait_writable(socket->socket, left);
    }
    return true;
}

WaitOutcome net_wait(SocketHandle socket, std::initializer_list<const PortWake*> wakes, int timeout_ms,
                     std::uint32_t& error_out) {
    HANDLE events[4];
    DWORD count = 0;
    bool blind = false;
    for (const PortWake* wake : wakes) {
        if (!wake) continue;
        if (wake->raised()) return WaitOutcome::kWoken;
        if (wake->event() == nullptr) blind = true;
        else if (count < 3) events[count++] = static_cast<HANDLE>(wake->event());
    }
    if (socket) {
        // Bytes already queued set no new event: look first.
        u_long queued = 0;
        if (ioctlsocket(socket->socket, FIONREAD, &queued) == 0 && queued > 0) return WaitOutcome::kReadable;
        events[count++] = socket->event;
    }
    if (blind && (timeout_ms < 0 || timeout_ms > static_cast<int>(kBlindWaitMs))) timeout_ms = kBlindWaitMs;
    if (count == 0) {
        Sleep(timeout_ms < 0 ? kBlindWaitMs : static_cast<DWORD>(timeout_ms));
        return WaitOutcome::kDeadline;
    }
    const DWORD waited = WaitForMultipleObjects(count, events, FALSE, timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
    if (waited == WAIT_TIMEOUT) return WaitOutcome::kDeadline;
    if (waited >= WAIT_OBJECT_0 + count) {
        error_out = static_cast<std::uint32_t>(GetLastError());
        return WaitOutcome::kFault;
    }
    if (socket && waited == WAIT_OBJECT_0 + count - 1) {
        WSANETWORKEVENTS happened{};
        WSAEnumNetworkEvents(socket->socket, socket->event, &happened); // resets the event
        return WaitOutcome::kReadable; // a read then finds the data or the end
    }
    return WaitOutcome::kWoken;
}

std::string net_error_text(std::uint32_t error) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n ? std::string(text, n) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}
