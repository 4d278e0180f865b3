// The Win32 side of the local serial port: the seam of port_system.h over a comm
// handle opened for overlapped I/O, an SRWLOCK for the port's lock and a manual-reset
// event for each wake. Every wait is bounded; nothing is left pending at a close.
#include "core/serial/backend/port_system.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "core/util/non_copyable.h"

// The handle, one manual-reset event per kind of overlapped call, and the wait for
// input, which may stay pending from one port_wait_input to the next.
struct Win32Port : private NonCopyable {
    ~Win32Port() {
        for (HANDLE event : {read_event, write_event, wait_event})
            if (event != nullptr) CloseHandle(event);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }

    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE read_event = nullptr;
    HANDLE write_event = nullptr;
    HANDLE wait_event = nullptr;

    std::mutex read_mutex;  // one ReadFile at a time
    std::mutex write_mutex; // one WriteFile at a time
    // One WaitCommEvent at a time; a second waiter waits for the first at most its own time.
    std::timed_mutex wait_mutex;
    OVERLAPPED wait_overlapped{}; // guarded by wait_mutex
    DWORD wait_events = 0;        // guarded by wait_mutex
    bool wait_pending = false;    // guarded by wait_mutex
    // The driver ended an event wait on its own, without an event: from then on the
    // wait looks at the input queue instead (see port_wait_input).
    bool events_unusable = false; // guarded by wait_mutex
};

namespace {
PSRWLOCK srw(void*& lock) {
    static_assert(sizeof(SRWLOCK) == sizeof(void*));
    return reinterpret_cast<PSRWLOCK>(&lock);
}
} // namespace

PortLock::PortLock() {
    InitializeSRWLock(srw(lock_));
}

PortLock::~PortLock() = default;

void PortLock::lock() {
    AcquireSRWLockExclusive(srw(lock_));
}

void PortLock::unlock() {
    ReleaseSRWLockExclusive(srw(lock_));
}

void PortLock::lock_shared() {
    AcquireSRWLockShared(srw(lock_));
}

void PortLock::unlock_shared() {
    ReleaseSRWLockShared(srw(lock_));
}

namespace {

// A read of bytes already queued returns at once; this only bounds a driver that stalls.
constexpr DWORD kReadBoundMs = 100;
// How often a wait looks at the input queue where the driver cannot wait for events.
constexpr DWORD kQueuePollMs = 1;

int last_error() {
    return static_cast<int>(GetLastError());
}

// Waits up to bound_ms for an overlapped call to end. On time-out the call is
// cancelled and waited for, so its OVERLAPPED and buffer are free on return.
// `done` counts the bytes transferred either way.
bool finish(HANDLE file, OVERLAPPED& overlapped, DWORD bound_ms, DWORD& done, int& error_out) {
    const DWORD waited = WaitForSingleObject(overlapped.hEvent, bound_ms);
    if (waited == WAIT_OBJECT_0) {
        if (GetOverlappedResult(file, &overlapped, &done, FALSE)) return true;
        error_out = last_error();
        return false;
    }
    error_out = waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : last_error();
    CancelIoEx(file, &overlapped);
    GetOverlappedResult(file, &overlapped, &done, TRUE);
    return false;
}

bool queued(HANDLE file, COMSTAT& status, int& error_out) {
    DWORD errors = 0;
    if (ClearCommError(file, &errors, &status)) return true;
    error_out = last_error();
    return false;
}

// The line, raw: no flow control, no character replacement, and errors do not stop
// the I/O. ByteSize, Parity and StopBits take the program's values as they are
// (the same numbering); the driver refuses what its UART cannot do.
void describe_line(DCB& dcb, const LineSettings& s) {
    dcb.BaudRate = s.rate;
    dcb.fBinary = TRUE;
    dcb.fParity = s.parity != 0 ? TRUE : FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.ByteSize = static_cast<BYTE>(s.databits);
    dcb.Parity = static_cast<BYTE>(s.parity);     // NOPARITY .. SPACEPARITY
    dcb.StopBits = static_cast<BYTE>(s.stopbits); // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
}

bool valid_frame(const LineSettings& s) {
    return s.databits >= 5 && s.databits <= 8 && s.parity >= NOPARITY && s.parity <= SPACEPARITY &&
           s.stopbits >= ONESTOPBIT && s.stopbits <= TWOSTOPBITS && (s.stopbits != ONE5STOPBITS || s.databits == 5);
}

HANDLE manual_event() {
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

// Ends a WaitCommEvent still pending, so its OVERLAPPED may go.
void end_wait(Win32Port& port) {
    if (!port.wait_pending) return;
    SetCommMask(port.file, 0); // completes the pending wait
    CancelIoEx(port.file, &port.wait_overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(port.file, &port.wait_overlapped, &ignored, TRUE);
    port.wait_pending = false;
}

} // namespace

ComportStatus port_open(const std::string& path, const LineSettings& s, PortHandle& port_out, int& error_out) {
    port_out = kNoPortHandle;
    auto port = std::make_unique<Win32Port>();
    // No sharing: the port is this program's alone while open.
    port->file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
    if (port->file == INVALID_HANDLE_VALUE) {
        error_out = last_error();
        return kComportInvalidHandle;
    }
    port->read_event = manual_event();
    port->write_event = manual_event();
    port->wait_event = manual_event();
    if (!port->read_event || !port->write_event || !port->wait_event) {
        error_out = last_error();
        return kComportInvalidHandle;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port->file, &dcb)) {
        error_out = last_error();
        return kComportGetError;
    }
    if (!valid_frame(s)) {
        error_out = ERROR_INVALID_PARAMETER;
        return kComportSetError;
    }
    describe_line(dcb, s);
    // Reads return at once with what is queued; writes have no driver time-out, the
    // wait for them is bounded here instead.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!SetCommState(port->file, &dcb) || !SetCommTimeouts(port->file, &timeouts) ||
        !SetCommMask(port->file, EV_RXCHAR)) {
        error_out = last_error();
        return kComportSetError;
    }
    PurgeComm(port->file, PURGE_RXCLEAR | PURGE_TXCLEAR);
    // Pseudo-devices and some adapters have no RTS line; the pulse is best effort.
    EscapeCommFunction(port->file, CLRRTS);
    delayTicks(100);
    EscapeCommFunction(port->file, SETRTS);
    delayTicks(200);
    port_out = port.release();
    return kComportSuccess;
}

void port_close(PortHandle port, const LineSettings& s) {
    if (port == kNoPortHandle) return;
    std::unique_ptr<Win32Port> owned(port);
    // Flushing the output here would cut off the end of the last send.
    COMSTAT status{};
    int ignored = 0;
    DWORD left = queued(port->file, status, ignored) ? status.cbOutQue : 0;
    const int bits = 1 + s.databits + (s.parity != 0 ? 1 : 0) + (s.stopbits != 0 ? 2 : 1);
    const long long rate = s.rate > 0 ? s.rate : 1;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(left * bits * 1000LL / rate + kCloseDrainMarginMs);
    // The driver signals no "output sent": look again every millisecond.
    while (left > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        left = queued(port->file, status, ignored) ? status.cbOutQue : 0;
    }
    PurgeComm(port->file, PURGE_RXCLEAR | (left > 0 ? PURGE_TXABORT | PURGE_TXCLEAR : 0));
    std::lock_guard wait(port->wait_mutex);
    end_wait(*port);
}

IoResult port_read(PortHandle port, std::uint8_t* buffer, int max, int& n, int& error_out) {
    n = 0;
    std::lock_guard one_reader(port->read_mutex);
    COMSTAT status{};
    if (!queued(port->file, status, error_out)) return IoResult::kFault;
    if (status.cbInQue == 0 || max <= 0) return IoResult::kNothing;
    const DWORD want = std::min<DWORD>(status.cbInQue, static_cast<DWORD>(max));
    OVERLAPPED overlapped{};
    overlapped.hEvent = port->read_event;
    ResetEvent(port->read_event);
    DWORD got = 0;
    if (!ReadFile(port->file, buffer, want, &got, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            error_out = last_error();
            return IoResult::kFault;
        }
        int error = 0;
        // A stalled read is cancelled; what it delivered still counts.
        if (!finish(port->file, overlapped, kReadBoundMs, got, error) && error != ERROR_TIMEOUT &&
            error != ERROR_OPERATION_ABORTED) {
            error_out = error;
            return IoResult::kFault;
        }
    }
    if (got == 0) return IoResult::kNothing;
    n = static_cast<int>(got);
    return IoResult::kData;
}

namespace {

// How long a wait that holds a wake without an event (none could be made) may last
// before its owner looks again.
constexpr DWORD kBlindWaitMs = 20;

// Waits up to timeout_ms (negative: no deadline) for input on the port, or until one
// of the `wakes` events is set, which sets `woken` and answers kNothing. A pending
// comm-event wait survives a wake or a time-out and serves the next call.
IoResult wait_input(Win32Port* port, int timeout_ms, const HANDLE* wakes, DWORD wake_count, bool& woken,
                    int& error_out) {
    using Clock = std::chrono::steady_clock;
    const bool forever = timeout_ms < 0;
    const int bound = std::max(0, timeout_ms);
    const auto deadline = Clock::now() + std::chrono::milliseconds(bound);
    std::unique_lock waiting(port->wait_mutex, std::defer_lock);
    if (forever)
        waiting.lock();
    else if (!waiting.try_lock_for(std::chrono::milliseconds(bound)))
        return IoResult::kNothing;
    COMSTAT status{};
    if (!queued(port->file, status, error_out)) return IoResult::kFault;
    if (status.cbInQue > 0) return IoResult::kData;
    // Some drivers end every event wait at once (Wine's serial layer over a line
    // without modem signals, such as a pseudo-terminal): there the queue is looked at
    // every kQueuePollMs until the time is up, and a wake ends the wait at once.
    while (port->events_unusable) {
        DWORD step = kQueuePollMs;
        if (!forever) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return IoResult::kNothing;
            step = std::min<DWORD>(step, static_cast<DWORD>(left));
        }
        if (wake_count > 0) {
            if (WaitForMultipleObjects(wake_count, wakes, FALSE, step) < WAIT_OBJECT_0 + wake_count) {
                woken = true;
                return IoResult::kNothing;
            }
        } else {
            Sleep(step);
        }
        if (!queued(port->file, status, error_out)) return IoResult::kFault;
        if (status.cbInQue > 0) return IoResult::kData;
    }
    if (!port->wait_pending) {
        port->wait_overlapped = OVERLAPPED{};
        port->wait_overlapped.hEvent = port->wait_event;
        ResetEvent(port->wait_event);
        port->wait_events = 0;
        if (WaitCommEvent(port->file, &port->wait_events, &port->wait_overlapped))
            return (port->wait_events & EV_RXCHAR) ? IoResult::kData : IoResult::kNothing;
        if (GetLastError() != ERROR_IO_PENDING) {
            error_out = last_error();
            return IoResult::kFault;
        }
        port->wait_pending = true;
    }
    HANDLE handles[1 + 4] = {port->wait_event};
    const DWORD count = 1 + std::min<DWORD>(wake_count, 4);
    for (DWORD i = 1; i < count; ++i) handles[i] = wakes[i - 1];
    const DWORD waited = WaitForMultipleObjects(count, handles, FALSE, forever ? INFINITE : static_cast<DWORD>(bound));
    if (waited == WAIT_TIMEOUT) return IoResult::kNothing;
    if (waited > WAIT_OBJECT_0 && waited < WAIT_OBJECT_0 + count) {
        woken = true;
        return IoResult::kNothing;
    }
    port->wait_pending = false;
    if (waited != WAIT_OBJECT_0) {
        error_out = last_error();
        return IoResult::kFault;
    }
    DWORD ignored = 0;
    if (!GetOverlappedResult(port->file, &port->wait_overlapped, &ignored, FALSE)) {
        if (GetLastError() != ERROR_OPERATION_ABORTED) {
            error_out = last_error();
            return IoResult::kFault;
        }
        // Only a close ends this port's waits, and no wait runs then: the driver did.
        port->events_unusable = true;
        return IoResult::kNothing;
    }
    return (port->wait_events & EV_RXCHAR) ? IoResult::kData : IoResult::kNothing;
}

} // namespace

IoResult port_wait_input(PortHandle port, int timeout_ms, int& error_out) {
    bool woken = false;
    return wait_input(port, std::max(0, timeout_ms), nullptr, 0, woken, error_out);
}

PortWake::PortWake() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PortWake::~PortWake() {
    if (event_ != nullptr) CloseHandle(static_cast<HANDLE>(event_));
}

void PortWake::Raise() {
    raised_.store(true, std::memory_order_release);
    if (event_ != nullptr) SetEvent(static_cast<HANDLE>(event_));
}

void PortWake::Clear() {
    if (!raised_.exchange(false, std::memory_order_acq_rel)) return;
    // A raise between the exchange and the reset keeps raised_ set, and every wait
    // looks at raised_ before it blocks.
    if (event_ != nullptr) ResetEvent(static_cast<HANDLE>(event_));
}

void PortWake::Wait(int timeout_ms) const {
    int err = 0;
    port_wait(kNoPortHandle, {this}, timeout_ms, err);
}

WaitOutcome port_wait(PortHandle port, std::initializer_list<const PortWake*> wakes, int timeout_ms, int& error_out) {
    HANDLE events[4];
    DWORD count = 0;
    bool blind = false;
    for (const PortWake* wake : wakes) {
        if (!wake) continue;
        if (wake->raised()) return WaitOutcome::kWoken;
        if (wake->event() == nullptr)
            blind = true;
        else if (count < 4)
            events[count++] = static_cast<HANDLE>(wake->event());
    }
    if (blind && (timeout_ms < 0 || timeout_ms > static_cast<int>(kBlindWaitMs))) timeout_ms = kBlindWaitMs;
    if (port == kNoPortHandle) {
        if (count == 0) {
            Sleep(timeout_ms < 0 ? kBlindWaitMs : static_cast<DWORD>(timeout_ms));
            return WaitOutcome::kDeadline;
        }
        const DWORD waited = WaitForMultipleObjects(count, events, FALSE, timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
        if (waited == WAIT_TIMEOUT) return WaitOutcome::kDeadline;
        if (waited < WAIT_OBJECT_0 + count) return WaitOutcome::kWoken;
        error_out = last_error();
        return WaitOutcome::kFault;
    }
    bool woken = false;
    switch (wait_input(port, timeout_ms, events, count, woken, error_out)) {
    case IoResult::kData: return WaitOutcome::kReadable;
    case IoResult::kFault: return WaitOutcome::kFault;
    case IoResult::kNothing: break;
    }
    return woken ? WaitOutcome::kWoken : WaitOutcome::kDeadline;
}

bool port_write_all(PortHandle port, const std::uint8_t* bytes, int length, int timeout_ms, int& error_out) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::lock_guard one_writer(port->write_mutex);
    int done = 0;
    while (done < length) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            error_out = ERROR_TIMEOUT;
            return false;
        }
        OVERLAPPED overlapped{};
        overlapped.hEvent = port->write_event;
        ResetEvent(port->write_event);
        DWORD wrote = 0;
        if (!WriteFile(port->file, bytes + done, static_cast<DWORD>(length - done), &wrote, &overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING) {
                error_out = last_error();
                return false;
            }
            if (!finish(port->file, overlapped, static_cast<DWORD>(left), wrote, error_out)) return false;
        }
        done += static_cast<int>(wrote);
    }
    return true;
}

void port_purge(PortHandle port, PortQueue which) {
    // Only the queues: a read or write in progress on another thread is not aborted.
    DWORD flags = 0;
    if (which != PortQueue::kOutput) flags |= PURGE_RXCLEAR;
    if (which != PortQueue::kInput) flags |= PURGE_TXCLEAR;
    PurgeComm(port->file, flags);
}

std::string port_error_text(int error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&text), 0,
                                        nullptr);
    if (length == 0 || text == nullptr) return "Error " + std::to_string(static_cast<unsigned>(error));
    std::string message(text, length);
    LocalFree(text);
    // The system's texts end with ".\r\n".
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    if (!message.empty() && message.back() == '.') message.pop_back();
    return message;
}

bool port_error_in_use(int error) {
    // A COM port that another program has open answers "access denied".
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

// One wait is as cheap as the next here: nothing to keep between them.
WaitOutcome port_wait_again(PortHandle port, std::uint64_t, std::initializer_list<const PortWake*> wakes,
                            int timeout_ms, bool, int& error_out) {
    return port_wait(port, wakes, timeout_ms, error_out);
}
