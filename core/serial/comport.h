// The serial port driver: one port at a time, small status codes. These functions
// are the program's way to its one SerialPort (serial_port.h); every window that
// talks to a device calls them, and nothing else touches the port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ComportSetting {
    std::int32_t port = 0;          // 0 none, 1..15 COM1..COM15
    std::int32_t baudrate = 115200; // nominal rate
    std::uint8_t parity = 0;        // 0 None, 1 Odd, 2 Even, 3 Mark, 4 Space
    std::uint8_t stopbits = 0;      // 0 one, 1 one and a half, 2 two
    std::uint8_t databits = 8;      // 4..8
    std::int32_t fixrate = 0;       // correction in percent, -30..30

    bool operator==(const ComportSetting&) const = default;
};

enum ComportStatus : int {
    kComportSuccess = 0,
    kComportFunctionDisable = 1,
    kComportInvalidHandle = 2,
    kComportGetError = 3,
    kComportSetError = 4,
    kComportNoneSetup = 5,
    kComportSendError = 6,
    kComportSendEmpty = 7,
    kComportReceiveError = 8,
    kComportReceiveEmpty = 9,
    kComportTimeOut = 10,
    kComportExceedBuffer = 11,
    kComportLineChange = 12,
};

// The largest chunk one receive call returns.
inline constexpr std::int32_t kComportReceiveMax = 2048;

// Defaults of the first five fields; fixrate keeps its value.
void comport_default_setting(ComportSetting& setting);
void comport_copy_setting(ComportSetting& dst, const ComportSetting& src);

class SerialPort;
// The process's one port.
SerialPort& comport_port();

bool comport_initialize(ComportSetting& setting);
bool comport_configure(const ComportSetting& setting);
// Opens an explicit device instead of a COM number, with the setting's line;
// true for success only. The setting's port number is recorded as given.
bool comport_configure_path(const std::string& path, const ComportSetting& setting);
bool comport_close(const ComportSetting& setting);
void comport_get_setting(ComportSetting& setting);
// The status of the calling thread's last configure, close or send.
int comport_status();
std::string comport_status_text();
std::string comport_status_text_of(int status);
// The system's error number behind the last failure: errno on Linux, GetLastError() on Windows.
std::uint32_t comport_last_error();
// The system's text for such a number (or a receive fault's).
std::string comport_error_text(std::uint32_t error);
// Whether a failed open's number means that another program holds the port.
bool comport_error_in_use(std::uint32_t error);
// What a user is told after a failed open's status text: the system's reason,
// "in use: ..." when another program holds the port.
std::string comport_open_failure_reason(std::uint32_t error);
bool comport_is_open();

// Applies the 7-bit parity rule to the caller's bytes in place, then writes them.
bool comport_send_string(std::uint8_t* bytes, std::int32_t length);
// Collects queued bytes until the line was quiet for `wait` polls of about 1 ms,
// at most kComportReceiveMax; with `wait` 0, what one read finds queued. Returns 0
// at once when nothing is queued. A close or configure meanwhile ends the collection
// with what it gathered.
std::int32_t comport_receive_string(std::uint8_t* buffer, std::int32_t wait);

// How long a receive loop on a thread of its own (a reply receiver) rests on the
// port before it looks at its stop flag again.
inline constexpr int kReceiveIdleWaitMs = 20;
// A wait without a deadline: for a thread whose stop raises its wake (the receive thread).
inline constexpr int kWaitNoDeadline = -1;

// Blocks until bytes are queued, a port is opened, closed or reopened, the calling
// thread's wake (comport_set_thread_wake) is raised, or `timeout_ms` passed
// (kWaitNoDeadline: never); with no port open or a failed port only the others end
// it. A thread with a wake returns at once while a receive failure waits to be taken
// (comport_take_receive_fault). Lets an idle receive loop rest instead of spin.
void comport_wait_readable(int timeout_ms);
class PortWake;
// The calling thread's waits also end when `wake` is raised (nullptr: none).
void comport_set_thread_wake(const PortWake* wake);
// The errno of a receive failure (device gone), reported once: the first call
// after the failure returns it, later calls return 0 until the next failure.
int comport_take_receive_fault();

bool comport_purge();
bool comport_clear_transfer();
bool comport_clear_receive();
bool comport_stop_transfer();
bool comport_stop_receive();
bool comport_abort_all();

// Sleeps at least n ms on the steady clock; never returns early.
void delayTicks(std::uint32_t n);

// Where COM port n is looked for: on Linux comN in the ports folder if it exists, else
// /dev/ttyS<n-1>; on Windows the system's COMn (\\.\COMn).
std::string comport_ports_folder();
std::string comport_device_path(int port);
// Whether the device COM port n opens is there (a link to nothing is not).
bool comport_device_present(int port);

// Names and conversions of the selectable values.
std::string comport_port_name(int port);
std::string comport_baudrate_name(int index);
std::string comport_parity_name(int parity);
std::string comport_stopbit_name(int stopbits);
std::string comport_databit_name(int index);
int comport_port_names(std::vector<std::string>& names);
int comport_baudrate_names(std::vector<std::string>& names);
int comport_parity_names(std::vector<std::string>& names);
int comport_stopbit_names(std::vector<std::string>& names);
int comport_databit_names(std::vector<std::string>& names);
int comport_baudrate_index(std::int32_t baudrate);
std::int32_t comport_baudrate_of_index(int index);
int comport_databit_index(int databits);
int comport_databits_of_index(int index);
std::int32_t comport_baudrate_of_code(int code);
// Nominal rate scaled by the fix rate, as programmed: rate * (fix + 100) / 100.
std::int32_t comport_programmed_rate(std::int32_t baudrate, std::int32_t fixrate);

void paritycheck_7bits_even(std::uint8_t* bytes, std::int32_t length);
void paritycheck_7bits_odd(std::uint8_t* bytes, std::int32_t length);
void paritycheck_7bits_strip(std::uint8_t* bytes, std::int32_t length);
