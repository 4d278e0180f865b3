// One line to a device, whatever carries it. Everything that talks to the line (the
// receive loops, the exchanges, the senders, the detect work, the console session)
// is given a Port and uses only this. SerialPort (serial_port.h) is the local serial
// port; another kind of line is another implementation, and what counts or logs the
// traffic wraps a Port in one that forwards to it.
//
// Operations answer a ComportStatus or a byte count and never throw. Any thread may
// call any of them; the waits are meant for one receive loop at a time.
#pragma once

#include <cstdint>
#include <string>

#include "core/serial/port_values.h"
#include "core/serial/port_wake.h"
#include "core/util/non_copyable.h"

// How long a receive loop on a thread of its own (a reply receiver) rests on the
// port before it looks at its stop flag again.
inline constexpr int kReceiveIdleWaitMs = 20;
// A wait without a deadline: for a thread whose stop raises its wake (the receive thread).
inline constexpr int kWaitNoDeadline = -1;

class Port : private NonCopyable {
public:
    virtual ~Port() = default;

    // Closes whatever is open, then opens COM setting.port with the setting's line.
    // Port 0 only closes and answers kComportNoneSetup. A failed open leaves nothing
    // open. Success makes the setting the reported one (see Close).
    virtual ComportStatus Open(const ComportSetting& setting) = 0;
    // The same for an explicit device; the setting's port number is kept as given
    // (0: the port has no COM number).
    virtual ComportStatus OpenPath(const std::string& path, const ComportSetting& setting) = 0;
    // Closes the port if setting.port is the reported one's (else kComportSetError);
    // kComportInvalidHandle when nothing is open. Success reports the defaults.
    virtual ComportStatus Close(const ComportSetting& setting) = 0;
    // The setting of the open port; the defaults (fix rate 0) when none is open.
    virtual ComportSetting Setting() const = 0;
    virtual bool IsOpen() const = 0;

    // Applies the 7-bit parity rule to the caller's bytes in place, then writes them
    // all: kComportSendError for a negative length or a failed write, kComportSendEmpty
    // for none, kComportNoneSetup with no port open. Two sends never interleave.
    virtual ComportStatus Send(std::uint8_t* bytes, std::int32_t length) = 0;
    // Collects queued bytes until the line was quiet for `wait` polls of about 1 ms,
    // at most kComportReceiveMax (`wait` 0: what one read finds queued), then applies
    // the 7-bit strip rule. Returns 0 at once when nothing is queued. A close or open
    // meanwhile ends the collection with what it gathered.
    virtual std::int32_t Receive(std::uint8_t* buffer, std::int32_t wait) = 0;
    // Blocks until bytes are queued, a port is opened, closed or reopened, `wake` (if
    // any) is raised, or timeout_ms passed (kWaitNoDeadline: never); with no port open
    // or a failed port only the others end it. With a wake it returns at once while a
    // receive fault waits to be taken: a loop with a wake takes the fault after each
    // step, and must get there instead of resting on a line that stays silent.
    virtual void WaitReadable(int timeout_ms, const PortWake* wake) = 0;
    // The error number of a receive failure (the device went away), reported once:
    // the first call after the failure returns it, later calls 0 until the next one.
    virtual int TakeReceiveFault() = 0;
    // Discards what the queues hold; nothing when no port is open.
    virtual void Purge(PortQueue which) = 0;

    // The system's error number behind the last failure (errno on Linux, GetLastError()
    // on Windows; what the line's own layer reports for another kind of port).
    virtual std::uint32_t LastError() const = 0;
    // The text of such a number (or of a receive fault's), without a closing full stop.
    virtual std::string ErrorText(std::uint32_t error) const = 0;
    // Whether a failed open's number means that another program holds the port.
    virtual bool ErrorInUse(std::uint32_t error) const = 0;

    // What a user is told after a failed open's status text: the reason, "in use: ..."
    // when another program holds the port.
    std::string OpenFailureReason(std::uint32_t error) const {
        const std::string text = ErrorText(error);
        return ErrorInUse(error) ? "in use: " + text : text;
    }

protected:
    Port() = default;
};
