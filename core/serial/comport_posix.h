// The termios side of the driver: every system call on the port lives here.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "core/util/non_copyable.h"

#include "core/serial/port_system.h"

// Opens and configures the port. Returns a ComportStatus: 0, 2 (open failed),
// 3 (reading the line state failed) or 4 (the settings cannot be applied);
// on failure nothing stays open and errno_out holds the reason.
int posix_open_port(const char* path, const LineSettings& settings, int& fd_out, int& errno_out);
// Lets output already written leave the line, for at most the time the queued bytes
// need at the line's rate plus kCloseDrainMarginMs, discards what is still queued
// then (a line held by flow control never hangs a close), and closes.
void posix_close_port(int fd, const LineSettings& settings);

// Non-blocking read of at most max bytes; n is set for kData.
IoResult posix_read(int fd, std::uint8_t* buffer, int max, int& n, int& errno_out);
// Waits up to timeout_ms for input; kData when readable.
IoResult posix_wait_input(int fd, int timeout_ms, int& errno_out);
// Writes all bytes within timeout_ms; false with errno_out on failure or time-out.
bool posix_write_all(int fd, const std::uint8_t* bytes, int length, int timeout_ms, int& errno_out);
void posix_purge(int fd, int which);

// Blocks until the port (fd >= 0; -1 for none) has input or hung up (kFault with
// errno_out), one of the wakes (null ones are skipped) is raised, or timeout_ms
// passed; a negative timeout_ms waits without a deadline. No wake is cleared here.
WaitOutcome posix_wait(int fd, std::initializer_list<const PortWake*> wakes, int timeout_ms, int& errno_out);
// The same through an epoll set the calling thread keeps while it waits on the same
// port open (`port_id`) and wakes; falls back to posix_wait when no set can be made,
// and when the port may hold input its edge-triggered entry already told of
// (`port_drained` false: see port_wait_again).
WaitOutcome posix_wait_kept(int fd, std::uint64_t port_id, std::initializer_list<const PortWake*> wakes,
                            int timeout_ms, bool port_drained, int& errno_out);
