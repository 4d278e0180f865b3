// The system side of the local serial port: the calls on one open port, the lock that
// guards it and the waits. Each platform has its backend (serial_linux.cpp with epoll,
// eventfd and termios2; serial_win32.cpp with the Win32 comm calls); SerialPort and
// everything above it are the same on both. Only SerialPort and the backends use this.
#pragma once

#if !defined(_WIN32)
#include <pthread.h>
#endif

#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/serial/port_values.h"
#include "core/serial/port_wake.h"
#include "core/util/non_copyable.h"

struct LineSettings {
    std::uint32_t rate = 115200; // programmed rate, fix rate already applied
    int databits = 8;            // 5..8
    int parity = 0;              // 0 None, 1 Odd, 2 Even, 3 Mark, 4 Space
    int stopbits = 0;            // 0 one, 1 one and a half (5 data bits only), 2 two
};

#if defined(_WIN32)
struct Win32Port; // the comm handle and its overlapped events
using PortHandle = Win32Port*;
inline constexpr PortHandle kNoPortHandle = nullptr;
#else
using PortHandle = int; // the descriptor
inline constexpr PortHandle kNoPortHandle = -1;
#endif

// A reader-writer lock that prefers writers, so that a receive loop that keeps
// polling can never hold a configure or close off.
class PortLock : private NonCopyable {
public:
    PortLock();
    ~PortLock();

    void lock();
    void unlock();
    void lock_shared();
    void unlock_shared();

private:
#if defined(_WIN32)
    // An SRWLOCK: new shared acquirers queue behind a waiting exclusive one.
    void* lock_ = nullptr;
#else
    pthread_rwlock_t lock_;
#endif
};

// Closing lets queued output leave the line for at most the time it needs at the
// line's rate plus this margin, then discards the rest.
inline constexpr int kCloseDrainMarginMs = 500;

enum class IoResult { kData, kNothing, kFault };

// Error numbers below are the system's own: errno on Linux, GetLastError() on Windows.

// Opens and configures the port, then pulses RTS low. Returns kComportSuccess,
// kComportInvalidHandle (open failed), kComportGetError (reading the line state
// failed) or kComportSetError (the settings cannot be applied); on failure nothing
// stays open and error_out holds the reason.
ComportStatus port_open(const std::string& path, const LineSettings& settings, PortHandle& port_out, int& error_out);
// Drains within kCloseDrainMarginMs (see above), discards the rest and closes.
void port_close(PortHandle port, const LineSettings& settings);
// Reads at most max queued bytes without waiting for more; n is set for kData.
IoResult port_read(PortHandle port, std::uint8_t* buffer, int max, int& n, int& error_out);
// Waits up to timeout_ms for input; kData when bytes are queued.
IoResult port_wait_input(PortHandle port, int timeout_ms, int& error_out);
// Writes all bytes within timeout_ms; false with error_out on failure or time-out.
bool port_write_all(PortHandle port, const std::uint8_t* bytes, int length, int timeout_ms, int& error_out);
// Discards what the queues hold.
void port_purge(PortHandle port, PortQueue which);
// The system's text for one of the error numbers above, without a closing full stop.
std::string port_error_text(int error);
// Whether an open failed with that error because another program holds the port.
bool port_error_in_use(int error);

enum class WaitOutcome { kReadable, kWoken, kDeadline, kFault };

// Blocks until the port (kNoPortHandle for none) has input or failed (kFault with
// error_out), one of the wakes (null ones are skipped) is raised, or timeout_ms
// passed; a negative timeout_ms waits without a deadline. No wake is cleared here.
WaitOutcome port_wait(PortHandle port, std::initializer_list<const PortWake*> wakes, int timeout_ms, int& error_out);
// The same, for a thread that waits on the port over and over (the receive thread
// waits once per arrival). `port_id` names this open of the port and is never used
// for another, so a descriptor number the system hands out again is never taken for
// the port it used to be. On Linux the thread keeps an epoll set between waits
// instead of having poll() register and remove every descriptor on each call.
// `port_drained`: since this thread's last wait on the port ended, a read found its
// input queue empty. Only then may the wait listen for new bytes alone (on Linux an
// edge-triggered port: asking the terminal whether it still holds input, once per
// arrival, makes the reader wait for the kernel's input worker half the time);
// otherwise it looks at what is queued first.
WaitOutcome port_wait_again(PortHandle port, std::uint64_t port_id, std::initializer_list<const PortWake*> wakes,
                            int timeout_ms, bool port_drained, int& error_out);
