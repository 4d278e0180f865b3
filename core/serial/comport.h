// The serial port driver's plain functions: the program's one port (comport_port(),
// a SerialPort) behind small status codes. The program hands comport_port() as a Port
// to whatever talks to the line; these functions serve the callers that want the
// driver's own interface, and remember each thread's last status for them.
#pragma once

#include <cstdint>
#include <string>

#include "core/serial/port.h"
#include "core/serial/port_values.h"

// The process's one port.
Port& comport_port();

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

// Port::WaitReadable on the program's port; on the receive thread its wake
// (uart_thread_wake) ends the wait too.
void comport_wait_readable(int timeout_ms);
// Port::TakeReceiveFault on the program's port.
int comport_take_receive_fault();

bool comport_purge();
bool comport_clear_transfer();
bool comport_clear_receive();
bool comport_stop_transfer();
bool comport_stop_receive();
bool comport_abort_all();
