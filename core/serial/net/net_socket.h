// The system side of a network port: one TCP connection out, its reads, writes and
// waits. net_socket_posix.cpp (BSD sockets, poll) and net_socket_win32.cpp (Winsock,
// an event per socket) answer it; NetworkPort above is the same on both. Nothing here
// listens or accepts: the program only connects out to the address it was given.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/serial/backend/port_system.h"
#include "core/serial/port_wake.h"

struct NetSocket; // the system's socket, and on Windows its event
using SocketHandle = NetSocket*;

// Error numbers are the system's (errno, or WSAGetLastError() on Windows) except
// these, which name what the network layer found itself. They lie far above either
// system's numbers.
inline constexpr std::uint32_t kNetErrorOwn = 0x4E450000;
// A host name the resolver could not turn into an address; the resolver's own code
// is added (its magnitude, on systems where it is negative).
inline constexpr std::uint32_t kNetErrorResolve = 0x4E460000;
inline constexpr std::uint32_t kNetErrorClosed = kNetErrorOwn + 1;     // the server ended the connection
inline constexpr std::uint32_t kNetErrorConnectTime = kNetErrorOwn + 2; // no connection within the deadline
inline constexpr std::uint32_t kNetErrorResolveTime = kNetErrorOwn + 3; // no address for the name within it

// Resolves host and port and connects to the first address that takes the connection
// within timeout_ms in all, the lookup included where the system can bound it (a name
// may give several addresses, IPv6 and IPv4). The socket is
// non-blocking, sends without delay (one request per segment) and is not inherited.
// On failure nothing stays open and error_out holds the reason of the last address tried.
bool net_connect(const std::string& host, const std::string& port, int timeout_ms, SocketHandle& out,
                 std::uint32_t& error_out);
void net_close(SocketHandle socket);
// Reads at most max bytes without waiting; kFault with kNetErrorClosed when the
// server ended the connection.
IoResult net_read(SocketHandle socket, std::uint8_t* buffer, int max, int& n, std::uint32_t& error_out);
// Writes all bytes within timeout_ms.
bool net_write_all(SocketHandle socket, const std::uint8_t* bytes, std::size_t length, int timeout_ms,
                   std::uint32_t& error_out);
// Blocks until the socket (null for none) is readable or failed, a wake (null ones
// skipped, at most three) is raised, or timeout_ms passed (negative: no deadline).
WaitOutcome net_wait(SocketHandle socket, std::initializer_list<const PortWake*> wakes, int timeout_ms,
                     std::uint32_t& error_out);
// The system's text for a system or resolver number, without a closing full stop.
std::string net_error_text(std::uint32_t error);
