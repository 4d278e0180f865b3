// The system side of the driver: the calls on one open port. Each platform has its
// backend (comport_posix.cpp with termios, comport_win32.cpp with the Win32 comm
// calls); SerialPort and everything above it are the same on both.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <string>

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

// Closing lets queued output leave the line for at most the time it needs at the
// line's rate plus this margin, then discards the rest.
inline constexpr int kCloseDrainMarginMs = 500;

enum class IoResult { kData, kNothing, kFault };

enum PurgeWhich { kPurgeInput = 1, kPurgeOutput = 2 };

// Error numbers below are the system's own: errno on POSIX, GetLastError() on Windows.

// Opens and configures the port, then pulses RTS low. Returns a ComportStatus: 0,
// 2 (open failed), 3 (reading the line state failed) or 4 (the settings cannot be
// applied); on failure nothing stays open and error_out holds the reason.
int port_open(const std::string& path, const LineSettings& settings, PortHandle& port_out, int& error_out);
// Drains within kCloseDrainMarginMs (see above), discards the rest and closes.
void port_close(PortHandle port, const LineSettings& settings);
// Reads at most max queued bytes without waiting for more; n is set for kData.
IoResult port_read(PortHandle port, std::uint8_t* buffer, int max, int& n, int& error_out);
// Waits up to timeout_ms for input; kData when bytes are queued.
IoResult port_wait_input(PortHandle port, int timeout_ms, int& error_out);
// Writes all bytes within timeout_ms; false with error_out on failure or time-out.
bool port_write_all(PortHandle port, const std::uint8_t* bytes, int length, int timeout_ms, int& error_out);
// Discards the queues named by PurgeWhich bits.
void port_purge(PortHandle port, int which);
// The system's text for one of the error numbers above, without a closing full stop.
std::string port_error_text(int error);
// Whether an open failed with that error because another program holds the port.
bool port_error_in_use(int error);

// A signal one thread raises to end another thread's wait early (an eventfd on POSIX,
// a manual-reset event on Windows). It stays raised until cleared, so a raise just
// before the wait begins is never lost.
class PortWake : private NonCopyable {
public:
    PortWake();
    ~PortWake();
    // Any thread.
    void Raise();
    // Consumes a raised signal; costs no system call while none was raised.
    void Clear();
    bool raised() const { return raised_.load(); }
    // Blocks until raised or timeout_ms passed (negative: no deadline); does not clear.
    void Wait(int timeout_ms) const;
#if defined(_WIN32)
    void* event() const { return event_; }
#else
    int descriptor() const { return fd_; }
    // Never the same for two wakes of the process, unlike descriptor numbers.
    std::uint64_t id() const { return id_; }
#endif

private:
#if defined(_WIN32)
    void* event_ = nullptr; // HANDLE
#else
    int fd_ = -1;
    std::uint64_t id_ = 0;
#endif
    std::atomic<bool> raised_{false};
};

enum class WaitOutcome { kReadable, kWoken, kDeadline, kFault };

// Blocks until the port (kNoPortHandle for none) has input or failed (kFault with
// error_out), one of the wakes (null ones are skipped) is raised, or timeout_ms
// passed; a negative timeout_ms waits without a deadline. No wake is cleared here.
WaitOutcome port_wait(PortHandle port, std::initializer_list<const PortWake*> wakes, int timeout_ms, int& error_out);
// The same, for a thread that waits on the port over and over (the receive thread
// waits once per arrival). `port_id` names this open of the port and is never used
// for another, so a descriptor number the system hands out again is never taken for
// the port it used to be. On POSIX the thread keeps an epoll set between waits
// instead of having poll() register and remove every descriptor on each call.
// `port_drained`: since this thread's last wait on the port ended, a read found its
// input queue empty. Only then may the wait listen for new bytes alone (on POSIX an
// edge-triggered port: asking the terminal whether it still holds input, once per
// arrival, makes the reader wait for the kernel's input worker half the time);
// otherwise it looks at what is queued first.
WaitOutcome port_wait_again(PortHandle port, std::uint64_t port_id, std::initializer_list<const PortWake*> wakes,
                            int timeout_ms, bool port_drained, int& error_out);
